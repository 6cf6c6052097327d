#include "import/VCard.h"
#include "import/TextFile.h"

#include <QStringDecoder>
#include <QVarLengthArray>
#include <algorithm>
#include <cstring>

namespace qv {

namespace {

bool isFoldSpace(QStringView line) { return !line.isEmpty() && (line.at(0) == u' ' || line.at(0) == u'\t'); }

// The first `wanted` outside double quotes (parameter values may be quoted and hold ':' or ';'), -1 when none.
qsizetype findUnquoted(QStringView s, QChar wanted)
{
    bool quoted = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c == u'"')
            quoted = !quoted;
        else if (c == wanted && !quoted)
            return i;
    }
    return -1;
}

using Parts = QVarLengthArray<QStringView, 8>;

Parts splitUnquoted(QStringView s, QChar separator)
{
    Parts parts;
    bool quoted = false;
    qsizetype start = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c == u'"') quoted = !quoted;
        if (c == separator && !quoted) {
            parts.append(s.mid(start, i - start));
            start = i + 1;
        }
    }
    parts.append(s.mid(start));
    return parts;
}

bool isQuotedPrintableLine(QStringView line)
{
    const qsizetype colon = findUnquoted(line, u':');
    return colon > 0 && line.left(colon).contains(QLatin1String("QUOTED-PRINTABLE"), Qt::CaseInsensitive);
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    return -1;
}

QByteArray decodeQuotedPrintable(QStringView value)
{
    QByteArray out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == u'=' && i + 2 < value.size() && hexValue(value.at(i + 1)) >= 0 && hexValue(value.at(i + 2)) >= 0) {
            out.append(char(hexValue(value.at(i + 1)) * 16 + hexValue(value.at(i + 2))));
            i += 2;
        } else if (c.unicode() < 0x80) {
            out.append(char(c.unicode()));
        } else {
            out.append(QStringView(&c, 1).toUtf8());
        }
    }
    return out;
}

QString decodeCharset(const QByteArray& bytes, const QString& charset)
{
    const QString name = charset.trimmed().toLower();
    if (name.isEmpty()) return decodeImportedText(bytes);
    if (name == u"utf-8" || name == u"utf8") return QString::fromUtf8(bytes);
    if (name == u"iso-8859-1" || name == u"latin1" || name == u"us-ascii") return QString::fromLatin1(bytes);
    if (name == u"windows-1252" || name == u"cp1252") return decodeWindows1252(bytes);
    QStringDecoder decoder(name.toLatin1().constData());
    if (decoder.isValid()) return decoder.decode(bytes);
    return decodeImportedText(bytes);
}

// RFC 6868 carets in 4.0 parameter values.
QString decodeCaret(const QString& s)
{
    if (!s.contains(u'^')) return s;
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s.at(i) == u'^' && i + 1 < s.size()) {
            const QChar n = s.at(i + 1);
            if (n == u'n' || n == u'N') {
                out += u'\n';
                ++i;
                continue;
            }
            if (n == u'^' || n == u'\'') {
                out += n == u'^' ? u'^' : u'"';
                ++i;
                continue;
            }
        }
        out += s.at(i);
    }
    return out;
}

bool isEncodingWord(const QString& upper)
{
    return upper == u"QUOTED-PRINTABLE" || upper == u"BASE64" || upper == u"B" || upper == u"8BIT" || upper == u"7BIT";
}

bool isBinaryProperty(const QString& name)
{
    return name == u"PHOTO" || name == u"LOGO" || name == u"SOUND" || name == u"KEY";
}

QString unescape(const QString& s, const QString& version)
{
    if (!s.contains(u'\\')) return s;
    const bool v21 = version == u"2.1";
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c != u'\\' || i + 1 >= s.size()) {
            out += c;
            continue;
        }
        const QChar n = s.at(i + 1);
        if (v21) {
            // 2.1 escapes only the semicolons of structured values, and the backslash that would escape one.
            if (n == u';' || n == u'\\') {
                out += n;
                ++i;
            } else {
                out += c;
            }
            continue;
        }
        out += (n == u'n' || n == u'N') ? QChar(u'\n') : n;
        ++i;
    }
    return out;
}

QString versionText(QStringView version)
{
    // Every card says one of three: those are shared.
    static const QString known[] = {QStringLiteral("2.1"), QStringLiteral("3.0"), QStringLiteral("4.0")};
    for (const QString& k : known)
        if (version == k) return k;
    return version.toString();
}

QString readVersionAhead(const QList<QStringView>& lines, qsizetype from)
{
    for (qsizetype i = from; i < lines.size(); ++i) {
        const QStringView l = lines.at(i);
        if (l.startsWith(QLatin1String("VERSION:"), Qt::CaseInsensitive)) return versionText(l.mid(8).trimmed());
        if (l.trimmed().compare(QLatin1String("END:VCARD"), Qt::CaseInsensitive) == 0) break;
    }
    return QStringLiteral("3.0");
}

// The names, parameters and types that address books write on every card, in the letter case we keep them in:
// shared, not made anew for every property. The text is brought to that letter case once and compared as it is.
class CommonTokens {
public:
    explicit CommonTokens(const QStringList& tokens) : m_tokens(tokens)
    {
        for (const QString& t : std::as_const(m_tokens)) m_bySize[size_t(t.size())].push_back(&t);
    }
    const QString* find(QStringView text, bool upper) const
    {
        const qsizetype n = text.size();
        if (n > Longest) return nullptr;
        char16_t cased[Longest];
        for (qsizetype i = 0; i < n; ++i) {
            char16_t c = text.utf16()[i];
            if (c >= 0x80) return nullptr;
            if (upper && c >= 'a' && c <= 'z') c = char16_t(c - 32);
            if (!upper && c >= 'A' && c <= 'Z') c = char16_t(c + 32);
            cased[i] = c;
        }
        for (const QString* t : m_bySize[size_t(n)])
            if (t->front() == cased[0] && std::memcmp(t->constData(), cased, size_t(n) * 2) == 0) return t;
        return nullptr;
    }

private:
    static constexpr qsizetype Longest = 32;
    const QStringList m_tokens;
    std::vector<const QString*> m_bySize[Longest + 1]; // into m_tokens, by their length
};

const QString* commonToken(QStringView text, bool upper)
{
    static const CommonTokens uppers(QStringList{"N",
                                                 "FN",
                                                 "TEL",
                                                 "EMAIL",
                                                 "ADR",
                                                 "TITLE",
                                                 "URL",
                                                 "LANG",
                                                 "NOTE",
                                                 "UID",
                                                 "ORG",
                                                 "BDAY",
                                                 "REV",
                                                 "NICKNAME",
                                                 "ROLE",
                                                 "TYPE",
                                                 "ENCODING",
                                                 "CHARSET",
                                                 "PREF",
                                                 "VALUE",
                                                 "HOME",
                                                 "WORK",
                                                 "CELL",
                                                 "VOICE",
                                                 "FAX",
                                                 "INTERNET",
                                                 "X-EVOLUTION-SPOUSE",
                                                 "X-EVOLUTION-MANAGER",
                                                 "X-EVOLUTION-ASSISTANT",
                                                 "X-EVOLUTION-FILE-AS",
                                                 "X-EVOLUTION-UI-SLOT",
                                                 "X-MOZILLA-HTML",
                                                 "X-ABLABEL",
                                                 "X-ABUID",
                                                 "PRODID"});
    static const CommonTokens lowers(
        QStringList{"home", "work", "cell", "voice", "fax", "pref", "internet", "text", "uri"});
    return (upper ? uppers : lowers).find(text, upper);
}

// Names and types in one letter case; most are written that way already and are copied as they stand.
QString inCase(QStringView text, bool upper)
{
    if (const QString* common = commonToken(text, upper)) return *common;
    const char16_t from = upper ? u'a' : u'A';
    for (const QChar c : text)
        if ((c.unicode() >= from && c.unicode() <= from + 25) || c.unicode() >= 0x80)
            return upper ? text.toString().toUpper() : text.toString().toLower();
    return text.toString();
}

VCardProperty parseProperty(QStringView line, qsizetype colon, const QString& version)
{
    VCardProperty p;
    p.version = version;
    const Parts head = splitUnquoted(line.left(colon), u';');
    QStringView name = head.first().trimmed();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot >= 0) {
        p.group = name.left(dot).toString();
        name = name.mid(dot + 1);
    }
    p.name = inCase(name, true);
    for (qsizetype i = 1; i < head.size(); ++i) {
        const QStringView part = head.at(i).trimmed();
        if (part.isEmpty()) continue;
        const qsizetype eq = findUnquoted(part, u'=');
        if (eq < 0) {
            const QString bare = inCase(part, true);
            p.params.append({isEncodingWord(bare) ? QStringLiteral("ENCODING") : QStringLiteral("TYPE"), bare});
            continue;
        }
        QStringView value = part.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"')) value = value.mid(1, value.size() - 2);
        p.params.append({inCase(part.left(eq).trimmed(), true),
                         version == u"4.0" ? decodeCaret(value.toString()) : value.toString()});
    }
    // What the readers ask of every property, worked out once.
    for (const auto& [paramName, paramValue] : std::as_const(p.params)) {
        if (paramName != u"TYPE") continue;
        const QStringView types(paramValue);
        for (qsizetype start = 0; start <= types.size();) {
            qsizetype end = types.indexOf(u',', start);
            if (end < 0) end = types.size();
            if (end > start) p.typeList << inCase(types.mid(start, end - start).trimmed(), false);
            start = end + 1;
        }
    }
    bool numbered = false;
    const QString prefText = p.param(QStringLiteral("PREF"));
    const int pref = prefText.isEmpty() ? 0 : prefText.toInt(&numbered);
    p.pref = numbered && pref > 0 ? pref : p.typeList.contains(QLatin1String("pref")) ? 1 : 100;

    const QStringView raw = line.mid(colon + 1);
    const QString encoding = p.params.isEmpty() ? QString() : p.param(QStringLiteral("ENCODING")).toUpper();
    if (encoding == u"QUOTED-PRINTABLE") {
        p.value = decodeCharset(decodeQuotedPrintable(raw), p.param(QStringLiteral("CHARSET")));
    } else if (encoding == u"B" || encoding == u"BASE64") {
        // Pictures and keys are of no use here; a text in base64 is read like any other.
        if (!isBinaryProperty(p.name)) {
            QString compact = raw.toString();
            compact.remove(u' ').remove(u'\t');
            p.value = decodeCharset(QByteArray::fromBase64(compact.toLatin1()), p.param(QStringLiteral("CHARSET")));
        }
    } else {
        p.value = raw.toString();
    }
    return p;
}

// Numbers, addresses and web pages in a group with a label (item1.TEL with item1.X-ABLabel) take the types the
// label names, as if the writer had given them as TYPE.
void applyLabels(VCard& card)
{
    for (VCardProperty& p : card.properties) {
        if (p.group.isEmpty() || !(p.name == u"TEL" || p.name == u"URL" || p.name == u"ADR" || p.name == u"EMAIL"))
            continue;
        for (const QString& type : typesOfLabel(card.label(p))) {
            if (p.typeList.contains(type)) continue;
            p.typeList << type;
            if (type == u"pref") p.pref = std::min(p.pref, 1);
        }
    }
}

} // namespace

// The types a label names: the address books' own ("_$!<HomeFAX>!$_", the wrapping already taken off) and the
// plain words people type, blanks and hyphens ignored.
QStringList typesOfLabel(const QString& label)
{
    QString word = label.toLower();
    word.remove(u' ').remove(u'-').remove(u'_');
    static const QList<QPair<QString, QStringList>> known{
        {"home", {"home"}},           {"work", {"work"}},           {"mobile", {"cell"}},      {"cell", {"cell"}},
        {"cellular", {"cell"}},       {"iphone", {"cell"}},         {"mobilephone", {"cell"}}, {"fax", {"fax"}},
        {"homefax", {"home", "fax"}}, {"workfax", {"work", "fax"}}, {"otherfax", {"fax"}},     {"pager", {"pager"}},
        {"homepage", {"home"}},       {"main", {"pref"}},           {"telex", {"x-telex"}}};
    for (const auto& [name, types] : known)
        if (word == name) return types;
    return {};
}

QString VCardProperty::param(const QString& upperName) const
{
    for (const auto& p : params)
        if (p.first == upperName) return p.second;
    return {};
}

QString VCardProperty::text() const { return unescape(value, version); }

QStringList VCardProperty::components() const
{
    QStringList out;
    out.reserve(8); // an address has seven
    qsizetype start = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value.at(i) == u'\\') {
            ++i; // the escaped character never separates
            continue;
        }
        if (value.at(i) == u';') {
            out << unescape(value.mid(start, i - start), version);
            start = i + 1;
        }
    }
    out << unescape(value.mid(start), version);
    return out;
}

std::vector<const VCardProperty*> VCard::all(const QString& upperName) const
{
    std::vector<const VCardProperty*> out;
    for (const VCardProperty& p : properties)
        if (p.name == upperName) out.push_back(&p);
    return out;
}

const VCardProperty* VCard::first(const QString& upperName) const
{
    for (const VCardProperty& p : properties)
        if (p.name == upperName) return &p;
    return nullptr;
}

QString VCard::label(const VCardProperty& property) const
{
    if (property.group.isEmpty()) return {};
    for (const VCardProperty& p : properties) {
        if (p.name != u"X-ABLABEL" || p.group.compare(property.group, Qt::CaseInsensitive) != 0) continue;
        QString l = p.text().trimmed();
        if (l.startsWith(QLatin1String("_$!<")) && l.endsWith(QLatin1String(">!$_"))) l = l.mid(4, l.size() - 8);
        return l.toLower();
    }
    return {};
}

bool VCard::isGroup() const
{
    auto valueIs = [this](const char* name, const char* wanted) {
        const VCardProperty* p = first(QString::fromLatin1(name));
        return p && p->text().trimmed().compare(QLatin1String(wanted), Qt::CaseInsensitive) == 0;
    };
    return valueIs("KIND", "group") || valueIs("X-ADDRESSBOOKSERVER-KIND", "group") ||
           valueIs("X-EVOLUTION-LIST", "true");
}

std::vector<VCard> parseVCards(const QString& text)
{
    const QList<QStringView> lines = lineViews(text);
    std::vector<VCard> cards;
    bool inCard = false;
    bool labelled = false; // the card holds a label
    int nested = 0;        // a card embedded in a property (2.1 AGENT) is not one of ours
    QString version = QStringLiteral("3.0");
    QString joined;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QStringView line = lines.at(i);
        if (line.trimmed().isEmpty() || isFoldSpace(line)) continue;
        // One logical line: quoted-printable soft breaks, then folding (2.1 keeps the folding blank, later versions
        // drop it). Most lines are whole as they stand. Whether the value is quoted-printable is said once, on the
        // line that names the property: asking the joined line again at every soft break would read a long value
        // over and over.
        bool joining = false;
        int quotedPrintable = -1; // not asked yet
        while (i + 1 < lines.size()) {
            const QStringView next = lines.at(i + 1);
            if (quotedPrintable < 0 && line.endsWith(u'=')) quotedPrintable = isQuotedPrintableLine(line) ? 1 : 0;
            const bool softBreak = quotedPrintable == 1 && line.endsWith(u'=');
            if (!softBreak && !isFoldSpace(next)) break;
            if (!joining) {
                joined = line.toString();
                joining = true;
            }
            if (softBreak) {
                joined.chop(1);
                joined += next;
            } else {
                joined += version == u"2.1" ? next : next.mid(1);
            }
            line = joined;
            ++i;
        }
        const qsizetype colon = findUnquoted(line, u':');
        if (colon <= 0) continue;
        const QStringView name = line.left(colon).trimmed();
        const QStringView value = line.mid(colon + 1).trimmed();
        // Most lines are properties: the sizes tell them from these few lines at once.
        const bool isVCard = value.size() == 5 && value.compare(QLatin1String("VCARD"), Qt::CaseInsensitive) == 0;
        if (isVCard && name.compare(QLatin1String("BEGIN"), Qt::CaseInsensitive) == 0) {
            if (inCard) {
                ++nested;
            } else {
                version = readVersionAhead(lines, i + 1);
                cards.emplace_back();
                cards.back().version = version;
                cards.back().properties.reserve(16); // a usual card's, allocated once
                inCard = true;
            }
            continue;
        }
        if (isVCard && name.compare(QLatin1String("END"), Qt::CaseInsensitive) == 0) {
            if (nested > 0) {
                --nested;
            } else if (inCard) {
                inCard = false;
                if (labelled) applyLabels(cards.back());
                labelled = false;
            }
            continue;
        }
        if (!inCard || nested > 0) continue;
        if (name.size() == 7 && name.compare(QLatin1String("VERSION"), Qt::CaseInsensitive) == 0) {
            cards.back().version = versionText(value);
            continue;
        }
        cards.back().properties.push_back(parseProperty(line, colon, cards.back().version));
        labelled = labelled || cards.back().properties.back().name == u"X-ABLABEL";
    }
    if (inCard && labelled) applyLabels(cards.back()); // a card cut off before its END
    return cards;
}

} // namespace qv

#include "import/CsvHeaders.h"
#include "import/ContactItem.h"
#include "import/FieldCaptions.h"

#include <QHash>
#include <QRegularExpression>
#include <QVarLengthArray>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace qv {

namespace {

using T = CsvTarget;

struct Named {
    const char* name;
    CsvTarget target;
};

T f(const char* column) { return CsvTarget::field(QString::fromLatin1(column)); }

const std::vector<Named>& outlookColumns()
{
    static const std::vector<Named> columns{
        {"Title", f("Title")},
        {"First Name", {T::GivenName, {}}},
        {"Middle Name", {T::MiddleName, {}}},
        {"Last Name", {T::FamilyName, {}}},
        {"Job Title", f("JobTitle")},
        {"Company", f("Company")},
        {"Department", f("Department")},
        {"Profession", f("Profession")},
        {"Business Street", f("BAStreet")},
        {"Business Street 2", f("BAStreet")},
        {"Business Street 3", f("BAStreet")},
        {"Business City", f("BACity")},
        {"Business State", f("BAState")},
        {"Business Postal Code", f("BAPostalCode")},
        {"Business Country", f("BACountry")},
        {"Business Country/Region", f("BACountry")},
        {"Business Address PO Box", f("BAPostOfficeBox")},
        {"Home Street", f("HAStreet")},
        {"Home Street 2", f("HAStreet")},
        {"Home Street 3", f("HAStreet")},
        {"Home City", f("HACity")},
        {"Home State", f("HAState")},
        {"Home Postal Code", f("HAPostalCode")},
        {"Home Country", f("HACountry")},
        {"Home Country/Region", f("HACountry")},
        {"Home Address PO Box", f("HAPostOfficeBox")},
        {"E-mail Address", f("Email1")},
        {"E-mail 2 Address", f("Email2")},
        {"E-mail 3 Address", f("Email")},
        {"Mobile Phone", f("Mobile")},
        {"Primary Phone", f("PrimaryTel")},
        {"Home Phone", f("TelH1")},
        {"Home Phone 2", f("TelH2")},
        {"Home Fax", f("FaxH")},
        {"Telex", f("Telex")},
        {"Business Phone", f("TelB1")},
        {"Business Phone 2", f("TelB2")},
        {"Business Fax", f("FaxB1")},
        {"Company Main Phone", f("TelMain")},
        {"Web Page", f("WebPage")},
        {"Spouse", f("Spouse")},
        {"Children", f("Children")},
        {"Manager's Name", f("ManagerName")},
        {"Assistant's Name", f("AssistantName")},
        {"Referred By", f("ReferredBy")},
        {"Hobby", f("Hobbies")},
        {"Language", f("Language")},
        {"Birthday", f("Birthday")},
        {"Anniversary", f("Anniversary")},
        {"Notes", f("Info")},
    };
    return columns;
}

const std::vector<Named>& thunderbirdColumns()
{
    static const std::vector<Named> columns{
        {"First Name", {T::GivenName, {}}},
        {"Last Name", {T::FamilyName, {}}},
        {"Display Name", {T::FullName, {}}},
        {"Nickname", {T::Nickname, {}}},
        {"Primary Email", f("Email1")},
        {"Secondary Email", f("Email2")},
        {"Work Phone", f("TelB1")},
        {"Home Phone", f("TelH1")},
        {"Fax Number", f("FaxH")},
        {"Mobile Number", f("Mobile")},
        {"Home Address", f("HAStreet")},
        {"Home Address 2", f("HAStreet")},
        {"Home City", f("HACity")},
        {"Home State", f("HAState")},
        {"Home ZipCode", f("HAPostalCode")},
        {"Home Country", f("HACountry")},
        {"Work Address", f("BAStreet")},
        {"Work Address 2", f("BAStreet")},
        {"Work City", f("BACity")},
        {"Work State", f("BAState")},
        {"Work ZipCode", f("BAPostalCode")},
        {"Work Country", f("BACountry")},
        {"Job Title", f("JobTitle")},
        {"Department", f("Department")},
        {"Organization", f("Company")},
        {"Web Page 1", f("WebPage")},
        {"Web Page 2", f("HomePage")},
        {"Birth Year", {T::BirthYear, {}}},
        {"Birth Month", {T::BirthMonth, {}}},
        {"Birth Day", {T::BirthDay, {}}},
        {"Notes", f("Info")},
    };
    return columns;
}

// Names other files give a field, beyond those above, for guessing; compared as letters and digits only, letter
// case ignored.
const std::vector<Named>& otherNames()
{
    static const std::vector<Named> names{
        {"Full Name", {T::FullName, {}}},
        {"Given Name", {T::GivenName, {}}},
        {"Surname", {T::FamilyName, {}}},
        {"Family Name", {T::FamilyName, {}}},
        {"Email", f("Email1")},
        {"E-mail", f("Email1")},
        {"Email Address", f("Email1")},
        {"Phone", f("PrimaryTel")},
        {"Telephone", f("PrimaryTel")},
        {"Cell", f("Mobile")},
        {"Mobile", f("Mobile")},
        {"Organization", f("Company")},
        {"Street", f("HAStreet")},
        {"City", f("HACity")},
        {"State", f("HAState")},
        {"ZIP", f("HAPostalCode")},
        {"Postal Code", f("HAPostalCode")},
        {"Country", f("HACountry")},
        {"Website", f("HomePage")},
        {"Note", f("Info")},
        {"Notes", f("Info")},
    };
    return names;
}

QString letters(const QString& name)
{
    QString out;
    for (const QChar c : name)
        if (c.isLetterOrNumber()) out += c.toCaseFolded();
    return out;
}

bool hasAll(const QStringList& header, std::initializer_list<const char*> names)
{
    for (const char* n : names)
        if (!header.contains(QLatin1String(n))) return false;
    return true;
}

std::vector<CsvTarget> byName(const QStringList& header, const std::vector<Named>& table)
{
    std::vector<CsvTarget> out;
    for (const QString& h : header) {
        CsvTarget t;
        for (const Named& n : table)
            if (h.trimmed() == QLatin1String(n.name)) t = n.target;
        out.push_back(t);
    }
    return out;
}

const QRegularExpression& googleGroup()
{
    static const QRegularExpression re(
        QStringLiteral("^(E-mail|Phone|Address|Website|Relation|Event|Organization) (\\d+) - (.+)$"));
    return re;
}

// Letters, above the backslash, are passed over with one comparison.
bool needsEscape(QChar c)
{
    const char16_t u = c.unicode();
    return u <= u'\\' && (u == u'\\' || u == u';' || u == u',' || u == u'\n');
}

bool hasEscapes(QStringView text) { return std::any_of(text.cbegin(), text.cend(), needsEscape); }

// Components of a card's value, written as the card reader reads them. Most hold nothing to escape and are appended
// as they stand.
void appendEscaped(QString& out, const QString& text)
{
    if (!hasEscapes(text)) {
        out += text;
        return;
    }
    for (const QChar c : text) {
        if (c == u'\n') {
            out += QLatin1String("\\n");
            continue;
        }
        if (needsEscape(c)) out += u'\\';
        out += c;
    }
}

// The cards are written as version 4.0 writes them.
const QString& cardVersion()
{
    static const QString version = QStringLiteral("4.0");
    return version;
}

VCardProperty property(const QString& name, const QString& value)
{
    VCardProperty p;
    p.version = cardVersion();
    p.name = name;
    p.value = value;
    return p;
}

VCardProperty property(const QString& name, const QStringList& components)
{
    if (components.size() == 1 && !hasEscapes(components[0])) return property(name, components[0]);
    qsizetype size = components.size();
    for (const QString& c : components) size += c.size();
    QString value;
    value.reserve(size);
    for (qsizetype i = 0; i < components.size(); ++i) {
        if (i > 0) value += u';';
        appendEscaped(value, components[i]);
    }
    return property(name, value);
}

VCardProperty property(const QString& name, QStringView value)
{
    return hasEscapes(value) ? property(name, QStringList{value.toString()}) : property(name, value.toString());
}

} // namespace

CsvSource recogniseCsvHeader(const QStringList& header)
{
    bool labelled = false, typed = false;
    for (const QString& h : header) {
        const QRegularExpressionMatch m = googleGroup().match(h);
        labelled = labelled || (m.hasMatch() && m.captured(3) == u"Label");
        typed = typed || (m.hasMatch() && m.captured(3) == u"Type");
    }
    if (labelled && hasAll(header, {"First Name", "Last Name"})) return CsvSource::Google;
    if (typed && hasAll(header, {"Given Name", "Family Name"})) return CsvSource::GoogleOlder;
    if (hasAll(header, {"First Name", "Last Name", "Display Name", "Primary Email"})) return CsvSource::Thunderbird;
    if (hasAll(header, {"First Name", "Last Name", "E-mail Address"})) return CsvSource::Outlook;
    // This program's own: every column a caption of ours, the name among them.
    QStringList captions;
    for (const FieldCaption& c : contactFieldCaptions()) captions << QString::fromUtf8(c.caption);
    bool ours = header.contains(QLatin1String("Name"));
    for (const QString& h : header) ours = ours && captions.contains(h);
    return ours ? CsvSource::ThisProgram : CsvSource::Other;
}

std::vector<CsvTarget> knownCsvTargets(CsvSource source, const QStringList& header)
{
    switch (source) {
    case CsvSource::Outlook: return byName(header, outlookColumns());
    case CsvSource::Thunderbird: return byName(header, thunderbirdColumns());
    case CsvSource::ThisProgram: {
        std::vector<CsvTarget> out;
        for (const QString& h : header) {
            CsvTarget t;
            for (const FieldCaption& c : contactFieldCaptions())
                if (h == QLatin1String(c.caption)) t = CsvTarget::field(QString::fromLatin1(c.column));
            out.push_back(t);
        }
        return out;
    }
    default: return std::vector<CsvTarget>(size_t(header.size()));
    }
}

std::vector<CsvTarget> guessedCsvTargets(const QStringList& header)
{
    static const QHash<QString, CsvTarget> known = [] {
        QHash<QString, CsvTarget> h;
        for (const auto* table : {&otherNames(), &thunderbirdColumns(), &outlookColumns()})
            for (const Named& n : *table) h.insert(letters(QString::fromLatin1(n.name)), n.target);
        for (const FieldCaption& c : contactFieldCaptions())
            h.insert(letters(QString::fromUtf8(c.caption)), CsvTarget::field(QString::fromLatin1(c.column)));
        return h;
    }();
    std::vector<CsvTarget> out;
    for (const QString& name : header) {
        CsvTarget t = known.value(letters(name));
        // The pick lists offer fields: a part of the name goes to the name, whose parts are joined.
        if (t.kind == T::GivenName || t.kind == T::MiddleName || t.kind == T::FamilyName || t.kind == T::FullName)
            t = CsvTarget::field(QStringLiteral("Name"));
        else if (t.kind != T::Field)
            t = {};
        out.push_back(t);
    }
    return out;
}

GoogleRows::GoogleRows(const QStringList& header)
{
    static const QHash<QString, Column> plain{
        {"First Name", {"N", 1}},
        {"Given Name", {"N", 1}},
        {"Middle Name", {"N", 1}},
        {"Additional Name", {"N", 1}},
        {"Last Name", {"N", 0}},
        {"Family Name", {"N", 0}},
        {"Name Prefix", {"N", 3}},
        {"Name Suffix", {"N", 4}},
        {"Name", {"FN", 0}},
        {"Nickname", {"NICKNAME", 0}},
        {"Organization Name", {"ORG", 0}},
        {"Organization Department", {"ORG", 1}},
        {"Organization Title", {"TITLE", 0}},
        {"Birthday", {"BDAY", 0}},
        {"Notes", {"NOTE", 0}},
        {"Hobby", {"HOBBY", 0}},
        {"Language", {"LANG", 0}},
        {"Occupation", {QString::fromLatin1(OwnPropertyPrefix) + "PROFESSION", 0}},
    };
    static const QHash<QString, int> addressParts{{"PO Box", 0}, {"Extended Address", 1}, {"Street", 2}, {"City", 3},
                                                  {"Region", 4}, {"Postal Code", 5},      {"Country", 6}};
    static const QHash<QString, QString> groupProperty{{"E-mail", "EMAIL"},     {"Phone", "TEL"},
                                                       {"Address", "ADR"},      {"Website", "URL"},
                                                       {"Relation", "RELATED"}, {"Event", "EVENT"}};
    static const QHash<QString, Column> organization{
        {"Name", {"ORG", 0}}, {"Department", {"ORG", 1}}, {"Title", {"TITLE", 0}}};
    QHash<QString, size_t> groups; // "Phone 1"
    for (int i = 0; i < header.size(); ++i) {
        const QString& h = header[i];
        if (plain.contains(h)) {
            addPlainColumn(i, plain.value(h));
            continue;
        }
        const QRegularExpressionMatch m = googleGroup().match(h);
        if (!m.hasMatch()) continue;
        const QString kind = m.captured(1), part = m.captured(3);
        if (kind == u"Organization") {
            // The older header's first organisation is the contact's company.
            if (m.captured(2) == u"1" && organization.contains(part)) addPlainColumn(i, organization.value(part));
            continue;
        }
        const QString key = kind + u' ' + m.captured(2);
        if (!groups.contains(key)) {
            groups.insert(key, m_groups.size());
            m_groups.push_back({groupProperty.value(kind), -1, {}});
        }
        Group& g = m_groups[groups.value(key)];
        if (part == u"Label" || part == u"Type")
            g.label = i;
        else if (kind == u"Address" ? addressParts.contains(part) : part == u"Value")
            g.parts.push_back({i, kind == u"Address" ? addressParts.value(part) : 0});
    }
    m_labelsSeen.resize(m_groups.size());
}

void GoogleRows::addPlainColumn(int column, const Column& target)
{
    qsizetype at = m_plainProperties.indexOf(target.property);
    if (at < 0) {
        at = m_plainProperties.size();
        m_plainProperties << target.property;
    }
    m_columns.push_back({column, int(at), target.component});
}

VCard GoogleRows::card(const QList<QStringView>& fields) const
{
    VCard card;
    card.version = cardVersion();
    card.properties.reserve(m_plainProperties.size() + m_groups.size());
    // The plain columns: those of one property joined, each part of the name with a blank.
    QVarLengthArray<QStringList, 16> components(m_plainProperties.size());
    QVarLengthArray<int, 16> order; // the properties in the order their first text comes
    for (const PlainColumn& c : m_columns) {
        const QStringView text = fields.value(c.column).trimmed();
        if (text.isEmpty()) continue;
        QStringList& parts = components[c.property];
        if (parts.isEmpty()) order.push_back(c.property);
        while (parts.size() <= c.component) parts << QString();
        QString& part = parts[c.component];
        if (!part.isEmpty()) part += u' ';
        part += text;
    }
    for (int p : order) card.properties.push_back(property(m_plainProperties[p], components[p]));
    // The groups: a labelled property for each value (a cell may hold several, separated by " ::: ").
    for (size_t i = 0; i < m_groups.size(); ++i) {
        const Group& g = m_groups[i];
        QStringView label = g.label >= 0 ? fields.value(g.label).trimmed() : QStringView();
        const bool preferred = label.startsWith(u"* ");
        if (preferred) label = label.mid(2);
        if (g.property == "EVENT"_L1) {
            if (!label.contains(u"anniversary", Qt::CaseInsensitive) || g.parts.empty()) continue;
            const QStringView date = fields.value(g.parts.front().first).trimmed();
            if (!date.isEmpty()) card.properties.push_back(property(QStringLiteral("ANNIVERSARY"), date));
            continue;
        }
        if (g.property == "ADR"_L1) {
            QStringList parts(7);
            bool any = false;
            for (const auto& [column, component] : g.parts) {
                parts[component] = fields.value(column).trimmed().toString();
                any = any || !parts[component].isEmpty();
            }
            if (!any) continue;
            VCardProperty p = property(g.property, parts);
            p.typeList = typesOfLabelSeen(i, label);
            p.pref = preferred ? 1 : 100;
            card.properties.push_back(std::move(p));
            continue;
        }
        if (g.parts.empty()) continue;
        auto addValue = [&](QStringView value) {
            value = value.trimmed();
            if (value.isEmpty()) return;
            VCardProperty p = property(g.property, value);
            p.typeList =
                g.property == "RELATED"_L1 ? QStringList{label.toString().toLower()} : typesOfLabelSeen(i, label);
            if (g.property == "RELATED"_L1) p.params.append({QStringLiteral("VALUE"), QStringLiteral("text")});
            p.pref = preferred ? 1 : 100;
            card.properties.push_back(std::move(p));
        };
        const QStringView cell = fields.value(g.parts.front().first);
        if (!cell.contains(u" ::: ")) {
            addValue(cell);
            continue;
        }
        for (const QStringView value : cell.split(u" ::: ")) addValue(value);
    }
    return card;
}

const QStringList& GoogleRows::typesOfLabelSeen(size_t group, QStringView label) const
{
    LabelSeen& seen = m_labelsSeen[group];
    if (!seen.read || seen.label != label) {
        seen.read = true;
        seen.label = label.toString();
        seen.types = typesOfLabel(seen.label);
    }
    return seen.types;
}

} // namespace qv

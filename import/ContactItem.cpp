#include "import/ContactItem.h"

#include <QRegularExpression>
#include <QVarLengthArray>
#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace qv {

const char* const OwnPropertyPrefix = "X-QUORVANE-";
const char* const OwnFieldParameter = "X-QUORVANE-FIELD";

namespace {

// A card's properties of one name, the most preferred first, the card's order kept among equals. Cards hold a few
// of each: sorted in place, without a buffer.
using Props = QVarLengthArray<const VCardProperty*, 8>;

Props byPreference(const VCard& card, const QString& upperName)
{
    Props props;
    for (const VCardProperty& p : card.properties) {
        if (p.name != upperName) continue;
        qsizetype at = props.size();
        while (at > 0 && props[at - 1]->preference() > p.preference()) --at;
        props.insert(at, &p);
    }
    return props;
}

QString joined(const QStringList& values)
{
    // Mostly one value or none, which need no new text.
    QVarLengthArray<QString, 4> kept;
    for (const QString& v : values) {
        QString t = v.trimmed();
        if (!t.isEmpty()) kept.append(std::move(t));
    }
    if (kept.isEmpty()) return {};
    QString out = kept.front();
    for (qsizetype i = 1; i < kept.size(); ++i) out += QStringLiteral(", ") + kept[i];
    return out;
}

QString withoutScheme(const QString& value, const char* scheme)
{
    const QString v = value.trimmed();
    return v.startsWith(QLatin1String(scheme), Qt::CaseInsensitive) ? v.mid(qsizetype(qstrlen(scheme))) : v;
}

// A RELATED value is a link unless it says it is text; only names are of use here.
bool isLink(const VCardProperty& p)
{
    if (p.param(QStringLiteral("VALUE")).compare(QLatin1String("text"), Qt::CaseInsensitive) == 0) return false;
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:\\S*$"));
    return scheme.match(p.value.trimmed()).hasMatch();
}

// The properties that may name a related person or a hobby, in the card's order: most of a card's properties are
// none of these, and are passed over once rather than once for every such field.
Props personalProperties(const VCard& card)
{
    Props props;
    for (const VCardProperty& p : card.properties)
        if (p.name.startsWith("X-"_L1) || p.name == "RELATED"_L1 || p.name == "HOBBY"_L1 || p.name == "INTEREST"_L1)
            props.append(&p);
    return props;
}

// A person related to the contact: the writers' own X- properties, Apple's labelled related names, and the
// RELATED property of version 4.0.
QString relatedNames(const VCard& card, const Props& personal, const QStringList& ownNames,
                     const QStringList& relations)
{
    QStringList names;
    for (const VCardProperty* p : personal) {
        if (ownNames.contains(p->name)) {
            names << p->text();
        } else if (p->name == "X-ABRELATEDNAMES"_L1) {
            if (relations.contains(card.label(*p))) names << p->text();
        } else if (p->name == "RELATED"_L1 && !isLink(*p)) {
            for (const QString& t : p->types())
                if (relations.contains(t)) {
                    names << p->text();
                    break;
                }
        }
    }
    return joined(names);
}

QString allTexts(const Props& personal, const QStringList& propertyNames)
{
    QStringList values;
    for (const VCardProperty* p : personal)
        if (propertyNames.contains(p->name)) values << p->text();
    return joined(values);
}

bool hasAnyType(const QStringList& types, std::initializer_list<QLatin1StringView> wanted)
{
    for (const QLatin1StringView w : wanted)
        if (types.contains(w)) return true;
    return false;
}

void setOnce(QString& field, const QString& value)
{
    if (field.isEmpty()) field = value;
}

// A full name typed into one box, split as a mail client splits it: the given names, then the family name after the
// last blank.
void splitFullName(const QString& text, ContactItem& c)
{
    const QString full = text.simplified();
    const qsizetype blank = full.lastIndexOf(u' ');
    c.FirstName = blank > 0 ? full.left(blank) : full;
    c.LastName = blank > 0 ? full.mid(blank + 1) : QString();
}

// A card without a given name still names someone: many phones write the whole name as the family name, some
// cards have only a formatted name, a nickname or an address. The contact is then named as it is shown.
void nameFromWhatIsThere(ContactItem& c, const QString& formatted, const QString& nickname)
{
    if (!c.FirstName.isEmpty()) return;
    if (!formatted.trimmed().isEmpty())
        splitFullName(formatted, c);
    else if (!c.LastName.isEmpty())
        splitFullName(c.LastName, c);
    else if (!nickname.trimmed().isEmpty())
        splitFullName(nickname, c);
    else
        c.FirstName = c.Email1Address.trimmed();
}

void readName(const VCard& card, ContactItem& c)
{
    if (const VCardProperty* n = card.first(QStringLiteral("N"))) {
        const QStringList parts = n->components();
        c.LastName = parts.value(0).trimmed();
        c.FirstName = parts.value(1).trimmed();
        c.Title = parts.value(3).trimmed();
    }
}

void readTelephones(const VCard& card, ContactItem& c)
{
    for (const VCardProperty* tel : byPreference(card, QStringLiteral("TEL"))) {
        const QString number = withoutScheme(tel->text(), "tel:");
        if (number.isEmpty()) continue;
        const QStringList t = tel->types();
        if (hasAnyType(t, {"x-telex"_L1, "telex"_L1, "tlx"_L1})) {
            setOnce(c.TelexNumber, number);
        } else if (hasAnyType(t, {"cell"_L1, "mobile"_L1, "x-mobile"_L1})) {
            setOnce(c.MobileTelephoneNumber, number);
        } else if (t.contains(QLatin1String("fax"))) {
            if (!t.contains(QLatin1String("work")))
                setOnce(c.HomeFaxNumber, number);
            else if (c.BusinessFaxNumber.isEmpty())
                c.BusinessFaxNumber = number;
            else
                setOnce(c.Business2FaxNumber, number);
        } else if (t.contains(QLatin1String("home"))) {
            if (c.HomeTelephoneNumber.isEmpty())
                c.HomeTelephoneNumber = number;
            else
                setOnce(c.Home2TelephoneNumber, number);
        } else if (!hasAnyType(t, {"work"_L1, "pager"_L1, "car"_L1, "isdn"_L1, "video"_L1, "bbs"_L1, "modem"_L1,
                                   "msg"_L1, "textphone"_L1})) {
            // A number that says neither where nor what: the contact's primary one.
            setOnce(c.PrimaryTelephoneNumber, number);
        } else if (t.contains(QLatin1String("work")) &&
                   !hasAnyType(t, {"pager"_L1, "car"_L1, "isdn"_L1, "video"_L1, "bbs"_L1, "modem"_L1})) {
            if (c.BusinessTelephoneNumber.isEmpty())
                c.BusinessTelephoneNumber = number;
            else
                setOnce(c.Business2TelephoneNumber, number);
        }
    }
}

void readEmails(const VCard& card, ContactItem& c)
{
    QStringList addresses;
    for (const VCardProperty* e : byPreference(card, QStringLiteral("EMAIL"))) {
        const QString address = withoutScheme(e->text(), "mailto:");
        if (address.isEmpty()) continue;
        if (e->hasType(QStringLiteral("tlx")))
            setOnce(c.TelexNumber, address); // 2.1 kept telex numbers among the addresses
        else
            addresses << address;
    }
    c.Email1Address = addresses.value(0);
    c.Email2Address = addresses.value(1);
}

struct AddressFields {
    QString ContactItem::*postOfficeBox, ContactItem::*street, ContactItem::*city, ContactItem::*state,
        ContactItem::*postalCode, ContactItem::*country;
};

// The first address of the type, the most preferred first.
void readAddress(const VCard& card, const QString& type, const AddressFields& f, ContactItem& c)
{
    for (const VCardProperty* adr : byPreference(card, QStringLiteral("ADR"))) {
        if (!adr->hasType(type)) continue;
        const QStringList parts = adr->components();
        c.*f.postOfficeBox = parts.value(0);
        c.*f.street = joined({parts.value(2), parts.value(1)});
        c.*f.city = parts.value(3);
        c.*f.state = parts.value(4);
        c.*f.postalCode = parts.value(5);
        c.*f.country = parts.value(6);
        return;
    }
}

void readWebPages(const VCard& card, ContactItem& c)
{
    QString untyped;
    for (const VCardProperty* url : byPreference(card, QStringLiteral("URL"))) {
        const QStringList t = url->types();
        if (t.contains(QLatin1String("home")))
            setOnce(c.PersonalHomePage, url->text().trimmed());
        else if (t.contains(QLatin1String("work")))
            setOnce(c.BusinessHomePage, url->text().trimmed());
        else if (untyped.isEmpty())
            untyped = url->text().trimmed();
    }
    setOnce(c.PersonalHomePage, untyped);
}

QString firstText(const VCard& card, std::initializer_list<const char*> names)
{
    for (const char* name : names)
        for (const VCardProperty& p : card.properties)
            if (p.name == QLatin1StringView(name)) return p.text().trimmed();
    return {};
}

// What the card file carries beyond the mail client's fields.
void readFileFields(const VCard& card, ContactItem& c)
{
    if (const VCardProperty* org = card.first(QStringLiteral("ORG"))) {
        const QStringList parts = org->components();
        c.CompanyName = parts.value(0).trimmed();
        c.Department = joined(parts.mid(1));
    }
    readAddress(card, QStringLiteral("work"),
                {&ContactItem::BusinessAddressPostOfficeBox, &ContactItem::BusinessAddressStreet,
                 &ContactItem::BusinessAddressCity, &ContactItem::BusinessAddressState,
                 &ContactItem::BusinessAddressPostalCode, &ContactItem::BusinessAddressCountry},
                c);
    c.Birthday = firstText(card, {"BDAY"});
    c.Anniversary = firstText(card, {"ANNIVERSARY", "X-ANNIVERSARY", "X-EVOLUTION-ANNIVERSARY", "X-MS-ANNIVERSARY"});
    QStringList notes;
    for (const VCardProperty& p : card.properties)
        if (p.name == "NOTE"_L1) notes << p.text();
    c.Body = notes.join(u'\n');
}

// The fields this program's export names exactly.
void readOwnFields(const VCard& card, ContactItem& c)
{
    const QString parameter = QString::fromLatin1(OwnFieldParameter);
    const QLatin1StringView prefix(OwnPropertyPrefix);
    for (const VCardProperty& p : card.properties) {
        if (p.name.startsWith(prefix)) {
            c.OwnFields.append({p.name.mid(prefix.size()), p.text()});
            continue;
        }
        if (p.params.isEmpty()) continue;
        const QString columns = p.param(parameter);
        if (columns.isEmpty()) continue;
        const QStringList names = columns.split(u',');
        const QStringList values = names.size() == 1 ? QStringList{p.text()} : p.components();
        for (qsizetype i = 0; i < names.size(); ++i)
            if (!names[i].trimmed().isEmpty()) c.OwnFields.append({names[i].trimmed(), values.value(i)});
    }
}

} // namespace

ContactItem contactItemFromVCard(const VCard& card)
{
    ContactItem c;
    readName(card, c);
    readTelephones(card, c);
    readEmails(card, c);
    readAddress(card, QStringLiteral("home"),
                {&ContactItem::HomeAddressPostOfficeBox, &ContactItem::HomeAddressStreet, &ContactItem::HomeAddressCity,
                 &ContactItem::HomeAddressState, &ContactItem::HomeAddressPostalCode, &ContactItem::HomeAddressCountry},
                c);
    readWebPages(card, c);
    readFileFields(card, c);
    readOwnFields(card, c);
    if (const VCardProperty* title = card.first(QStringLiteral("TITLE"))) c.JobTitle = title->text().trimmed();
    QStringList languages;
    for (const VCardProperty* lang : byPreference(card, QStringLiteral("LANG"))) languages << lang->text();
    c.Language = joined(languages);
    static const QStringList spouseOwn{"X-SPOUSE", "X-EVOLUTION-SPOUSE", "X-MS-SPOUSE", "X-KADDRESSBOOK-X-SPOUSESNAME"},
        spouse{"spouse", "partner"};
    static const QStringList childrenOwn{"X-CHILDREN", "X-CHILD", "X-MS-CHILD"},
        children{"child", "children", "son", "daughter"};
    static const QStringList managerOwn{"X-MANAGER", "X-EVOLUTION-MANAGER", "X-MS-MANAGER",
                                        "X-KADDRESSBOOK-X-MANAGERSNAME"},
        manager{"manager", "x-manager"};
    static const QStringList assistantOwn{"X-ASSISTANT", "X-EVOLUTION-ASSISTANT", "X-MS-ASSISTANT",
                                          "X-KADDRESSBOOK-X-ASSISTANTSNAME"},
        assistant{"assistant", "x-assistant", "agent"};
    static const QStringList hobbies{"HOBBY", "INTEREST", "X-HOBBY", "X-HOBBIES", "X-MS-INTERESTS"};
    const Props personal = personalProperties(card);
    c.Spouse = relatedNames(card, personal, spouseOwn, spouse);
    c.Children = relatedNames(card, personal, childrenOwn, children);
    c.ManagerName = relatedNames(card, personal, managerOwn, manager);
    c.AssistantName = relatedNames(card, personal, assistantOwn, assistant);
    c.Hobby = allTexts(personal, hobbies);
    const VCardProperty* fn = card.first(QStringLiteral("FN"));
    const VCardProperty* nickname = card.first(QStringLiteral("NICKNAME"));
    nameFromWhatIsThere(c, fn ? fn->text() : QString(), nickname ? nickname->text() : QString());
    return c;
}

ContactItem contactItemFromProperties(const QList<QPair<QString, QString>>& properties)
{
    auto value = [&properties](const char* name) {
        for (const auto& p : properties)
            if (p.first == QLatin1String(name)) return p.second;
        return QString();
    };
    ContactItem c;
    c.FirstName = value("FirstName");
    c.LastName = value("LastName");
    c.JobTitle = value("JobTitle");
    c.Email1Address = value("PrimaryEmail");
    c.Email2Address = value("SecondEmail");
    c.MobileTelephoneNumber = value("CellularNumber");
    c.HomeTelephoneNumber = value("HomePhone");
    c.HomeFaxNumber = value("FaxNumber");
    c.HomeAddressStreet = joined({value("HomeAddress"), value("HomeAddress2")});
    c.HomeAddressCity = value("HomeCity");
    c.HomeAddressState = value("HomeState");
    c.HomeAddressPostalCode = value("HomeZipCode");
    c.HomeAddressCountry = value("HomeCountry");
    c.PersonalHomePage = value("WebPage2");
    nameFromWhatIsThere(c, value("DisplayName"), value("NickName"));
    return c;
}

} // namespace qv

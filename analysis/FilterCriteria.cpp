#include "analysis/FilterCriteria.h"
#include "analysis/ContactScan.h"
#include "data/DataModule.h"
#include "data/Domains.h"

#include <charconv>
#include <cstring>

namespace qv {

const std::vector<FilterCriterion>& filterCriteria()
{
    using namespace domains;
    static const std::vector<FilterCriterion> list{
        {"Gender", "Gender", &gender(), false, "Gender", " [Gender: "},
        {"Type", "Type", &personType(), false, "PersonType", " [Type: "},
        {"Importance", "Importance", &importance(), false, "CustoemrImportance", " [Importance: "},
        {"Ethnic", "Ethnic interest", nullptr, false, "Ethnic", " [Ethnic interest: "},
        {"Hobbies", "Hobbies", nullptr, false, "Hobbies", " [Hobbies: "},
        {"Household", "Household lifecycle position", &household(), false, "Household",
         " [Household lifecycle position: "},
        {"Prospecting", "Prospecting method", &prospectingMethod(), false, "ProspectingMethod",
         " [Prospecting method: "},
        {"Innovation", "Diffusion of innovation rate and acceptance", &innovation(), false, "Innovation",
         " [Diffusion of innovation: "},
        {"Approach", "First time approach method", &approachType(), false, "ApproachType", " [Approach method: "},
        {"Education", "Level of education", &educationLevel(), false, "EducationLevel", " [Level of education: "},
        {"Income", "Income range", &income(), false, "Income", " [Income: "},
        {"Industry", "Industry", &industry(), false, "Industry", " [Industry: "},
        {"Company", "Company", nullptr, false, "Company", " [Company: "},
        {"Size", "Company size", &companySize(), false, "CompanySize", " [Company size: "},
        {"Department", "Department", nullptr, false, "Department", " [Department: "},
        {"Mobile", "Mobile", nullptr, false, "Mobile", " [Mobile: "},
        {"Job title", "Job title", nullptr, false, "JobTitle", " [Job title: "},
        {"Profession", "Profession", nullptr, false, "Profession", " [Profession: "},
        {"Street", "Home address: Street", nullptr, false, "HAStreet", " [Home address: Street: "},
        {"City", "Home address: City", nullptr, false, "HACity", " [Home address: City: "},
        {"State", "Home address: State (Province)", nullptr, false, "HAState", " [Home address: State/Province: "},
        {"Postal/ZIP", "Home address: Postal code (ZIP code)", nullptr, true, "HAPostalCode",
         " [Home address: Postal/ZIP code: "},
        {"Country", "Home address: Country", nullptr, false, "HACountry", " [Home address: Country: "},
        {"P.O. box", "Home address: P.O. box", nullptr, false, "HAPostOfficeBox", " [Home address: P.O. box: "},
        {"Street", "Business address: Street", nullptr, false, "BAStreet", " [Business address: Street: "},
        // The business city's fragment has always carried two blanks; the report shows it so.
        {"City", "Business address: City", nullptr, false, "BACity", " [Business address: City:  "},
        {"State", "Business address: State (Province)", nullptr, false, "BAState",
         " [Business address: State/Province: "},
        {"Postal/ZIP", "Business address: Postal code (ZIP code)", nullptr, true, "BAPostalCode",
         " [Business address: Postal/ZIP code: "},
        {"Country", "Business address: Country", nullptr, false, "BACountry", " [Business address: Country: "},
        {"P.O. box", "Business address: P.O. box", nullptr, false, "BAPostOfficeBox", " [Business address: P.O. box: "},
    };
    return list;
}

bool equalFoldingAsciiLetters(const char* a, int aSize, const char* b, int bSize)
{
    if (aSize != bSize) return false;
    for (int i = 0; i < aSize; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x == y) continue;
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + ('a' - 'A'));
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + ('a' - 'A'));
        if (x != y) return false;
    }
    return true;
}

QString filterSummaryLine(const FilterValues& values)
{
    const auto& criteria = filterCriteria();
    QString line = QStringLiteral("Filters used:");
    bool any = false;
    for (size_t i = 0; i < criteria.size() && i < values.size(); ++i) {
        if (values[i].isEmpty()) continue;
        any = true;
        line += QLatin1String(criteria[i].fragment) + values[i] + QLatin1Char(']');
    }
    return any ? line : QStringLiteral("You did not choose any filters. All records are displayed.");
}

namespace {

struct ActiveTest {
    int field;
    QByteArray value;
};

const QLatin1StringView NamePrefix("Name: "), TypePrefix("Type: "), MobilePrefix("Mobile: "), EmailPrefix("Email: ");

// prefix + the UTF-8 text in one allocation; most names and numbers are plain ASCII.
QString prefixed(QLatin1StringView prefix, const char* data, int size)
{
    for (int i = 0; i < size; ++i)
        if (static_cast<unsigned char>(data[i]) >= 0x80) return prefix + QString::fromUtf8(data, size);
    QString s(prefix.size() + size, Qt::Uninitialized);
    QChar* out = s.data();
    for (char c : prefix) *out++ = QLatin1Char(c);
    for (int i = 0; i < size; ++i) *out++ = QLatin1Char(data[i]);
    return s;
}

QString numberLine(size_t number)
{
    static const char prefix[] = "Filtering result number ";
    char buffer[sizeof prefix + 24];
    std::memcpy(buffer, prefix, sizeof prefix - 1);
    char* end = std::to_chars(buffer + sizeof prefix - 1, buffer + sizeof buffer, number).ptr;
    return QString::fromLatin1(buffer, end - buffer);
}

} // namespace

QString FilterRun::name(int result) const { return text[results[size_t(result)].nameLine].mid(NamePrefix.size()); }

QString FilterRun::type(int result) const
{
    const FilterResult& r = results[size_t(result)];
    return r.hasType ? text[r.nameLine + 1].mid(TypePrefix.size()) : QString();
}

QString FilterRun::mobile(int result) const
{
    const FilterResult& r = results[size_t(result)];
    return r.hasMobile ? text[r.nameLine + 1 + r.hasType].mid(MobilePrefix.size()) : QString();
}

QString FilterRun::email(int result) const
{
    const FilterResult& r = results[size_t(result)];
    return r.hasEmail ? text[r.nameLine + 1 + r.hasType + r.hasMobile].mid(EmailPrefix.size()) : QString();
}

FilterRun runFilter(TMainDataModule& dm, const FilterValues& values)
{
    const auto& criteria = filterCriteria();
    Dataset& contacts = *dm.PeopleCompanyDet;

    // Field positions are resolved once; the scan then reads raw bytes by position.
    std::vector<ActiveTest> tests;
    for (size_t i = 0; i < criteria.size() && i < values.size(); ++i)
        if (!values[i].isEmpty()) tests.push_back({contacts.requireField(criteria[i].field), values[i].toUtf8()});
    const int nameField = contacts.requireField("Name");
    const int typeField = contacts.requireField("PersonType");
    const int mobileField = contacts.requireField("Mobile");
    const int emailField = contacts.requireField("TelCallback");

    FilterRun run;
    run.text << QString() << filterSummaryLine(values) << QString();
    QByteArray scratch;
    QuietDatasets quiet(dm); // the return to the first contact below is the only move anybody hears of
    visitContacts(dm, [&](const Dataset& ds) {
        const char* data;
        int size;
        for (const ActiveTest& t : tests) {
            // A null field never satisfies an active criterion.
            if (!fieldUtf8(ds, t.field, scratch, &data, &size)) return;
            if (!equalFoldingAsciiLetters(data, size, t.value.constData(), int(t.value.size()))) return;
        }
        FilterResult r;
        run.text << numberLine(run.results.size() + 1);
        r.nameLine = int(run.text.size());
        if (!fieldUtf8(ds, nameField, scratch, &data, &size)) size = 0;
        run.text << prefixed(NamePrefix, data, size);
        // Type, mobile and e-mail are listed only when neither null nor empty.
        const auto optional = [&](int field, QLatin1StringView prefix, bool& has) {
            has = fieldUtf8(ds, field, scratch, &data, &size) && size > 0;
            if (has) run.text << prefixed(prefix, data, size);
        };
        optional(typeField, TypePrefix, r.hasType);
        optional(mobileField, MobilePrefix, r.hasMobile);
        optional(emailField, EmailPrefix, r.hasEmail);
        run.text << QString();
        run.results.push_back(r);
    });
    contacts.first();
    return run;
}

} // namespace qv

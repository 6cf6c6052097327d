#include "analysis/FilterCriteria.h"
#include "analysis/ContactScan.h"
#include "data/DataModule.h"
#include "data/Domains.h"
#include "data/StoredText.h"

#include <algorithm>
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
const QLatin1StringView CellPrefixes[FilterRun::CellCount] = {NamePrefix, TypePrefix, MobilePrefix, EmailPrefix};

} // namespace

QString FilterRun::cell(int result, Cell which) const
{
    const Result& r = m_results[size_t(result)];
    const quint32 begin = which == Name ? r.begin : r.ends[which - 1];
    return textFromUtf8(m_cells.data() + begin, qsizetype(r.ends[which] - begin));
}

bool FilterRun::hasCell(int result, Cell which) const
{
    const Result& r = m_results[size_t(result)];
    return which == Name || r.ends[which] > r.ends[which - 1];
}

int FilterRun::lineCount() const { return m_lineCount; }

QString FilterRun::line(int index) const
{
    if (index < 0 || index >= lineCount()) return {};
    if (index < HeaderLines) return index == 1 ? m_summary : QString();
    // The result whose lines hold this one: the last that starts at or before it.
    auto it = std::upper_bound(m_results.begin(), m_results.end(), index,
                               [](int i, const Result& r) { return i < r.firstLine; });
    const int result = int(it - m_results.begin()) - 1;
    int offset = index - m_results[size_t(result)].firstLine;
    if (offset == 0) return QStringLiteral("Filtering result number %1").arg(result + 1);
    --offset;
    for (int c = Name; c < CellCount; ++c) {
        if (!hasCell(result, Cell(c))) continue;
        if (offset-- == 0) return CellPrefixes[c] + cell(result, Cell(c));
    }
    return {}; // the empty line that closes a result
}

QStringList FilterRun::text() const
{
    QStringList out;
    out.reserve(lineCount());
    for (int i = 0; i < lineCount(); ++i) out << line(i);
    return out;
}

void FilterRun::addResult(const char* const data[CellCount], const int sizes[CellCount], int position)
{
    Result r;
    r.position = position;
    r.begin = quint32(m_cells.size());
    r.firstLine = m_lineCount;
    int lines = 3; // the number, the name and the closing empty line
    for (int c = Name; c < CellCount; ++c) {
        if (sizes[c] > 0) m_cells.append(data[c], size_t(sizes[c]));
        r.ends[c] = quint32(m_cells.size());
        if (c != Name && sizes[c] > 0) ++lines;
    }
    m_lineCount += lines;
    m_results.push_back(r);
}

FilterRun runFilter(TMainDataModule& dm, const FilterValues& values)
{
    const auto& criteria = filterCriteria();
    Dataset& contacts = *dm.PeopleCompanyDet;

    // Field positions are resolved once; the scan then reads raw bytes by position.
    std::vector<ActiveTest> tests;
    for (size_t i = 0; i < criteria.size() && i < values.size(); ++i)
        if (!values[i].isEmpty()) tests.push_back({contacts.requireField(criteria[i].field), values[i].toUtf8()});
    const int fields[FilterRun::CellCount] = {contacts.requireField("Name"), contacts.requireField("PersonType"),
                                              contacts.requireField("Mobile"), contacts.requireField("TelCallback")};

    FilterRun run;
    run.m_summary = filterSummaryLine(values);
    run.m_lineCount = FilterRun::HeaderLines;
    QByteArray scratch[FilterRun::CellCount + 1];
    QuietDatasets quiet(dm); // the return to the first contact below is the only move anybody hears of
    visitContacts(dm, [&](const Dataset& ds) {
        const char* data;
        int size;
        for (const ActiveTest& t : tests) {
            // A null field never satisfies an active criterion.
            if (!fieldUtf8(ds, t.field, scratch[FilterRun::CellCount], &data, &size)) return;
            if (!equalFoldingAsciiLetters(data, size, t.value.constData(), int(t.value.size()))) return;
        }
        // The cells as stored; type, mobile and e-mail are listed only when neither null nor empty.
        const char* cells[FilterRun::CellCount];
        int sizes[FilterRun::CellCount];
        for (int c = 0; c < FilterRun::CellCount; ++c)
            if (!fieldUtf8(ds, fields[c], scratch[c], &cells[c], &sizes[c])) sizes[c] = 0;
        run.addResult(cells, sizes, ds.recNo());
    });
    contacts.first();
    return run;
}

} // namespace qv

#include "analysis/LookupDataAnalysis.h"
#include "analysis/ContactScan.h"
#include "data/DataModule.h"
#include "data/Domains.h"
#include "platform/Messages.h"

#include <QLocale>
#include <cstring>

namespace qv {

namespace {

struct Section {
    const char* heading;
    const char* field;
    const QStringList& (*domain)();
    const char* before; // the label around a value: before + value + after
    const char* after;
};

const Section Sections[] = {
    {"1. Gender analysis:", "Gender", &domains::gender, "(", "):"},
    {"2. Household lifecycle position analysis:", "Household", &domains::household, "(", "):"},
    {"3. Level of education analysis:", "EducationLevel", &domains::educationLevel, "(", "): "},
    {"4. Industry analysis:", "Industry", &domains::industry, "Working in (", "): "},
    {"5. Company size analysis:", "CompanySize", &domains::companySize, "Working for (", ") size companies: "},
    {"6. Income analysis:", "Income", &domains::income, "(", "): "},
    {"7. Used prospecting methods' analysis:", "ProspectingMethod", &domains::prospectingMethod, "(", "): "},
    {"8. First time approach methods' analysis:", "ApproachType", &domains::approachType, "(", "): "},
};
constexpr int SectionCount = int(std::size(Sections));

// One section's counts while scanning: the entries' UTF-8 texts, a count per entry and the null count last.
struct SectionCounts {
    int field = -1;
    std::vector<QByteArray> entries;
    std::vector<int> counts;
};

bool equalBytes(const char* data, int size, const char* literal, int literalSize)
{
    return size == literalSize && std::memcmp(data, literal, size_t(size)) == 0;
}

template <int N> bool equalBytes(const char* data, int size, const char (&literal)[N])
{
    return equalBytes(data, size, literal, N - 1);
}

QString countLine(const QString& label, int count, int base)
{
    return label + QString::number(count) + QStringLiteral(" [") + countPercentText(count, base) + QStringLiteral("%]");
}

} // namespace

QString countPercentText(qint64 count, qint64 base)
{
    if (base <= 0) return QStringLiteral("0") + QLocale().decimalPoint() + QStringLiteral("00");
    // Hundredths of a percent, a half rounded away from zero, in whole numbers so that 1 of 32 gives 3.13.
    const qint64 hundredths = (2 * count * 10000 + base) / (2 * base);
    return QString::number(hundredths / 100) + QLocale().decimalPoint() +
           QStringLiteral("%1").arg(hundredths % 100, 2, 10, QLatin1Char('0'));
}

std::vector<ChartSlice> LookupAnalysis::slices() const
{
    std::vector<ChartSlice> out;
    if (total <= 0) return out;
    const auto add = [&](const char* label, int count, QColor colour) {
        const double share = double(count) * 100.0 / double(total);
        if (share > 0) out.push_back({QString::fromLatin1(label), share, colour});
    };
    add("Customers", customers(), Qt::green);
    add("Prospects", prospects, Qt::blue);
    add("Unidentified", unidentified(), Qt::red);
    return out;
}

LookupAnalysis analyseLookupData(TMainDataModule& dm)
{
    LookupAnalysis a;
    Dataset& contacts = *dm.PeopleCompanyDet;
    a.total = contacts.recordCount();
    if (a.total == 0) return a;

    const int typeField = contacts.requireField("PersonType");
    const int importanceField = contacts.requireField("CustoemrImportance");
    SectionCounts sections[SectionCount];
    for (int s = 0; s < SectionCount; ++s) {
        sections[s].field = contacts.requireField(Sections[s].field);
        for (const QString& entry : Sections[s].domain()) sections[s].entries.push_back(entry.toUtf8());
        sections[s].counts.assign(sections[s].entries.size() + 1, 0);
    }

    QByteArray scratch;
    int visited = 0;
    visitContacts(dm, [&](const Dataset& ds) {
        ++visited;
        const char* data;
        int size;
        // Texts are compared character for character, letter case included: "customer" is no customer.
        if (!fieldUtf8(ds, typeField, scratch, &data, &size)) return;
        if (equalBytes(data, size, "Prospect")) {
            ++a.prospects;
            return;
        }
        if (!equalBytes(data, size, "Customer")) return;
        if (!fieldUtf8(ds, importanceField, scratch, &data, &size)) {
            ++a.noImportance;
            return;
        }
        if (equalBytes(data, size, "Medium"))
            ++a.medium;
        else if (equalBytes(data, size, "Low"))
            ++a.low;
        else if (equalBytes(data, size, "High")) {
            ++a.high;
            for (SectionCounts& s : sections) {
                if (!fieldUtf8(ds, s.field, scratch, &data, &size)) {
                    ++s.counts.back();
                    continue;
                }
                for (size_t e = 0; e < s.entries.size(); ++e)
                    if (equalBytes(data, size, s.entries[e].constData(), int(s.entries[e].size()))) {
                        ++s.counts[e];
                        break;
                    }
            }
        }
    });
    // The scan may have posted a pending new contact; the scan's own count is the one reported.
    a.total = visited;

    const int c = a.customers();
    if (c == 0) {
        a.outcome = LookupAnalysis::Outcome::NoCustomers;
        return a; // the last contact stays current
    }
    contacts.first();
    if (a.high == 0) {
        a.outcome = LookupAnalysis::Outcome::NoHighImportance;
        return a;
    }
    a.outcome = LookupAnalysis::Outcome::Analysed;

    const int n = a.total;
    a.summary << QStringLiteral("Total number of records = %1 [100%]").arg(n)
              << countLine("Number of customers = ", c, n) << countLine("Number of prospects = ", a.prospects, n)
              << countLine("Number of unidentified entries (neither customer nor prospect) = ", a.unidentified(), n)
              << QString() << countLine("Number of high-importance customers = ", a.high, c)
              << countLine("Number of medium-importance customers = ", a.medium, c)
              << countLine("Number of low-importance customers = ", a.low, c)
              << countLine("Number of unidentified-importance customers = ", a.noImportance, c) << QString()
              << QString();

    a.analysis << QStringLiteral("High-importance customers' data analysis:");
    for (int s = 0; s < SectionCount; ++s) {
        const Section& section = Sections[s];
        const SectionCounts& counts = sections[s];
        a.analysis << QString::fromLatin1(section.heading);
        const QStringList& domain = section.domain();
        for (size_t e = 0; e <= counts.entries.size(); ++e) {
            if (counts.counts[e] == 0) continue;
            const QString value = e < counts.entries.size() ? domain[qsizetype(e)] : QStringLiteral("Unidentified");
            a.analysis << countLine(QLatin1String(section.before) + value + QLatin1String(section.after),
                                    counts.counts[e], a.high);
        }
        if (s + 1 < SectionCount) a.analysis << QString();
    }
    return a;
}

void runLookupDataAnalysis(TMainDataModule& dm)
{
    const LookupAnalysis a = analyseLookupData(dm);
    switch (a.outcome) {
    case LookupAnalysis::Outcome::NoContacts: showInformation("The database is empty."); return;
    case LookupAnalysis::Outcome::NoCustomers:
        showInformation("No analysis available. Your data does not contain customers.");
        break;
    case LookupAnalysis::Outcome::NoHighImportance:
        showInformation("No analysis available. Your data does not contain high-importance customers.");
        break;
    case LookupAnalysis::Outcome::Analysed: break;
    }
    // After either message the report still shows its title, stamp and chart, with an empty body.
    produceLookupDataAnalysisReport(a.summary, a.analysis, a.slices(), dm.PeopleProjectDetail);
}

} // namespace qv

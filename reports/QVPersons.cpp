#include "reports/QVPersons.h"
#include "data/DataModule.h"
#include "data/Dataset.h"
#include "platform/Messages.h"

#include <vector>

namespace qv {

namespace {

// One printed line: an optional rule above it, then either a heading or a row of items. An item is a caption and
// a field, or a field alone (no caption); weight shares out the band's width between the items of a row.
struct Item {
    const char* caption;
    const char* field;
    double weight = 1;
};
struct Line {
    bool rule;
    const char* heading;
    std::vector<Item> items;
};

const std::vector<Line>& contactLines()
{
    static const std::vector<Line> lines = {
        {false, nullptr, {{"Title", "Title", 1}, {"Name", "Name", 3}}},
        {false, nullptr, {{"Gender", "Gender"}, {"Type", "PersonType"}, {"Importance", "CustoemrImportance"}}},
        {false, nullptr, {{"Language(s)", "Language"}}},
        {false, nullptr, {{"Lifecycle Position", "Household"}, {"Spouse/Partner", "Spouse"}}},
        {false, nullptr, {{"Children", "Children"}}},
        {false, nullptr, {{"Birthday", "Birthday"}, {"Anniversary", "Anniversary"}}},
        {false, nullptr, {{"Home Address", "HAStreet"}}},
        {false,
         nullptr,
         {{nullptr, "HACity", 1.3}, {nullptr, "HAState"}, {nullptr, "HAPostalCode", 0.7}, {nullptr, "HACountry"}}},
        {false, nullptr, {{nullptr, "HAPostOfficeBox"}}},
        {true, "Home and personal telephone(s), fax, email(s), and URL", {}},
        {false, nullptr, {{"Primary Tel", "PrimaryTel"}, {"Mobile", "Mobile"}}},
        {false, nullptr, {{"Tel 1", "TelH1"}, {"Tel 2", "TelH2"}}},
        {false, nullptr, {{"Fax", "FaxH"}, {"Telex", "Telex"}}},
        {false, nullptr, {{"Email 1", "Email1"}, {"Email 2", "Email2"}}},
        {false, nullptr, {{"Home Page", "HomePage"}}},
        {true, nullptr, {{"Prospecting Method", "ProspectingMethod"}, {"Diffusion of Innovation", "Innovation"}}},
        {false, nullptr, {{"First Time Approach Method", "ApproachType"}}},
        {false, nullptr, {{"Ethnic Interest", "Ethnic"}, {"Hobbies", "Hobbies"}}},
        {false, nullptr, {{"Profession", "Profession"}, {"Job Title", "JobTitle"}}},
        {false, nullptr, {{"Company", "Company"}, {"Department", "Department"}}},
        {false,
         nullptr,
         {{"Company Size", "CompanySize", 0.85},
          {"Industry", "Industry", 1.2},
          {"Education", "EducationLevel", 1.0},
          {"Income", "Income", 0.95}}},
        {false, nullptr, {{"Business Address", "BAStreet"}}},
        {false,
         nullptr,
         {{nullptr, "BACity", 1.3}, {nullptr, "BAState"}, {nullptr, "BAPostalCode", 0.7}, {nullptr, "BACountry"}}},
        {false, nullptr, {{nullptr, "BAPostOfficeBox"}}},
        {false, nullptr, {{"Mailing Address", "MailingAddress"}, {"Billing Address", "BillingAddress"}}},
        {true, "Business telephone(s), fax(es), and URL", {}},
        {false, nullptr, {{"Main Tel", "TelMain"}, {"Email", "TelCallback"}}},
        {false, nullptr, {{"Tel 1", "TelB1"}, {"Tel 2", "TelB2"}, {"Ext", "Ext", 0.6}}},
        {false, nullptr, {{"Fax 1", "FaxB1"}, {"Fax 2", "FaxB2"}}},
        {false, nullptr, {{"Web Site", "WebPage"}}},
        {true, nullptr, {{"Assistant Name", "AssistantName"}, {"Manager Name", "ManagerName"}}},
        {false, nullptr, {{"Comments", "Info"}}},
        {true, "Suggested Tactics", {}},
    };
    return lines;
}

constexpr double RowPitchMm = 5.4;
constexpr double RuleGapMm = 2.5;
constexpr double ItemGapMm = 3;

} // namespace

std::unique_ptr<TextReport> createContactReport(TMainDataModule& dm)
{
    auto report =
        std::make_unique<TextReport>(QStringLiteral("TQVPersonsForm"), QStringLiteral("Contact Report"), false);
    report->setDrivingDataset(dm.PeopleProjectDetail);
    report::ReportLayout& layout = report->layout();
    const Dataset& contact = *dm.PeopleCompanyDet;
    const QFont caption = report::reportFont(10, true, true);
    const QFont value = report::reportFont(10);
    const QFont heading = report::reportFont(11, true, true);
    const double width = layout.bandWidthMm();
    const double rowHeight = report::lineHeightMm(heading);

    double y = TextReport::ContentTopMm + 2;
    int n = 0;
    for (const Line& line : contactLines()) {
        ++n;
        if (line.rule) {
            layout.addRule(QStringLiteral("QRShape%1").arg(n), y);
            y += RuleGapMm;
        }
        if (line.heading) {
            layout.addLabel(QStringLiteral("Heading%1").arg(n), QRectF(0, y, width, rowHeight),
                            QString::fromLatin1(line.heading), heading);
            y += RowPitchMm + 0.6;
            continue;
        }
        double weights = 0;
        for (const Item& item : line.items) weights += item.weight;
        double x = 0;
        for (const Item& item : line.items) {
            const double column = width * item.weight / weights;
            double fieldLeft = x;
            if (item.caption) {
                const QString text = QString::fromLatin1(item.caption);
                const double w = report::textWidthMm(text, caption) + 1.5;
                layout.addLabel(QStringLiteral("Caption%1_%2").arg(n).arg(item.field), QRectF(x, y, w, rowHeight), text,
                                caption);
                fieldLeft += w;
            }
            // A field keeps to its column: a long value is cut at the column's end rather than running on.
            const double columnEnd = &item == &line.items.back() ? width : x + column - ItemGapMm;
            const double fieldWidth = std::max(1.0, columnEnd - fieldLeft);
            report->addDatasetField(QString::fromLatin1(item.field), QRectF(fieldLeft, y, fieldWidth, rowHeight),
                                    contact, QString::fromLatin1(item.field), value);
            x += column;
        }
        y += RowPitchMm;
    }
    report->setBodyTop(y);
    return report;
}

void printContactReport(TMainDataModule& dm, const std::function<QStringList()>& tactics)
{
    produceReport([&dm] { return createContactReport(dm); },
                  [&tactics](TextReport& report) {
                      if (tactics) report.bodyMemo().lines() << tactics();
                  });
}

void contactReportClick(TMainDataModule& dm, const std::function<QStringList()>& tactics)
{
    try {
        dm.PeopleCompanyDet->checkBrowseMode();
    } catch (const std::exception&) {
        // The report prints what is stored; a refused save does not stop it.
    }
    if (dm.PeopleCompanyDet->isEmpty()) {
        showError(QStringLiteral("No record selected."));
        return;
    }
    printContactReport(dm, tactics);
}

} // namespace qv

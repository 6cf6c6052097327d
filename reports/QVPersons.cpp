#include "reports/QVPersons.h"
#include "data/DataModule.h"
#include "data/Dataset.h"
#include "data/DateFormats.h"
#include "data/Domains.h"

#include <vector>

namespace qv {

namespace {

// A date field prints its short date and, when a time of day is stored, the long time: the room of the widest.
const QStringList& dateTexts()
{
    static const QStringList texts = {dates::dateAndTime(QDateTime(QDate(2000, 12, 28), QTime(22, 58, 58)))};
    return texts;
}

// One printed line: an optional rule above it, then either a heading or a row of items. An item is a caption and
// a field, or a field alone (no caption). A field that takes its values from a pick list gets the room of the
// longest entry; free text shares the rest of the line by weight and wraps, so that no value is ever cut.
using Expected = const QStringList& (*)();
struct Item {
    const char* caption;
    const char* field;
    Expected expected = nullptr;
    double weight = 1;
};
struct Line {
    bool rule;
    const char* heading;
    std::vector<Item> items;
};

const std::vector<Line>& contactLines()
{
    using namespace domains;
    static const std::vector<Line> lines = {
        {false, nullptr, {{"Title", "Title", nullptr, 1}, {"Name", "Name", nullptr, 3}}},
        {false,
         nullptr,
         {{"Gender", "Gender", gender},
          {"Type", "PersonType", personType},
          {"Importance", "CustoemrImportance", importance}}},
        {false, nullptr, {{"Language(s)", "Language"}}},
        {false, nullptr, {{"Lifecycle Position", "Household", household}, {"Spouse/Partner", "Spouse"}}},
        {false, nullptr, {{"Children", "Children"}}},
        {false, nullptr, {{"Birthday", "Birthday", dateTexts}, {"Anniversary", "Anniversary", dateTexts}}},
        {false, nullptr, {{"Home Address", "HAStreet"}}},
        {false,
         nullptr,
         {{nullptr, "HACity", nullptr, 1.3},
          {nullptr, "HAState"},
          {nullptr, "HAPostalCode", nullptr, 0.7},
          {nullptr, "HACountry"}}},
        {false, nullptr, {{nullptr, "HAPostOfficeBox"}}},
        {true, "Home and personal telephone(s), fax, email(s), and URL", {}},
        {false, nullptr, {{"Primary Tel", "PrimaryTel"}, {"Mobile", "Mobile"}}},
        {false, nullptr, {{"Tel 1", "TelH1"}, {"Tel 2", "TelH2"}}},
        {false, nullptr, {{"Fax", "FaxH"}, {"Telex", "Telex"}}},
        {false, nullptr, {{"Email 1", "Email1"}, {"Email 2", "Email2"}}},
        {false, nullptr, {{"Home Page", "HomePage"}}},
        {true,
         nullptr,
         {{"Prospecting Method", "ProspectingMethod", prospectingMethod},
          {"Diffusion of Innovation", "Innovation", innovation}}},
        {false, nullptr, {{"First Time Approach Method", "ApproachType", approachType}}},
        {false, nullptr, {{"Ethnic Interest", "Ethnic"}, {"Hobbies", "Hobbies"}}},
        {false, nullptr, {{"Profession", "Profession"}, {"Job Title", "JobTitle"}}},
        {false, nullptr, {{"Company", "Company"}, {"Department", "Department"}}},
        {false,
         nullptr,
         {{"Company Size", "CompanySize", companySize},
          {"Industry", "Industry", industry},
          {"Education", "EducationLevel", educationLevel},
          {"Income", "Income", income}}},
        {false, nullptr, {{"Business Address", "BAStreet"}}},
        {false,
         nullptr,
         {{nullptr, "BACity", nullptr, 1.3},
          {nullptr, "BAState"},
          {nullptr, "BAPostalCode", nullptr, 0.7},
          {nullptr, "BACountry"}}},
        {false, nullptr, {{nullptr, "BAPostOfficeBox"}}},
        {false,
         nullptr,
         {{"Mailing Address", "MailingAddress", addressChoice}, {"Billing Address", "BillingAddress", addressChoice}}},
        {true, "Business telephone(s), fax(es), and URL", {}},
        {false, nullptr, {{"Main Tel", "TelMain"}, {"Email", "TelCallback"}}},
        {false, nullptr, {{"Tel 1", "TelB1"}, {"Tel 2", "TelB2"}, {"Ext", "Ext", nullptr, 0.6}}},
        {false, nullptr, {{"Fax 1", "FaxB1"}, {"Fax 2", "FaxB2"}}},
        {false, nullptr, {{"Web Site", "WebPage"}}},
        {true, nullptr, {{"Assistant Name", "AssistantName"}, {"Manager Name", "ManagerName"}}},
        {false, nullptr, {{"Comments", "Info"}}},
        {true, "Suggested Tactics", {}},
    };
    return lines;
}

constexpr double RowGapMm = 1;
constexpr double RuleGapMm = 2.5;

} // namespace

std::unique_ptr<TextReport> createContactReport(TMainDataModule& dm)
{
    auto report =
        std::make_unique<TextReport>(QStringLiteral("TQVPersonsForm"), QStringLiteral("Contact Report"), false);
    report->setDrivingDataset(dm.PeopleProjectDetail);
    report::ReportLayout& layout = report->layout();
    const Dataset* contact = dm.PeopleCompanyDet;
    const QFont caption = report::reportFont(10, true, true);
    const QFont value = report::reportFont(10);
    const QFont heading = report::reportFont(11, true, true);
    const double headingHeight = report::lineHeightMm(heading);

    double y = TextReport::ContentTopMm + 2;
    int n = 0;
    for (const Line& line : contactLines()) {
        ++n;
        if (line.rule) {
            layout.addRule(QStringLiteral("QRShape%1").arg(n), y);
            y += RuleGapMm;
        }
        if (line.heading) {
            layout.addLabel(QStringLiteral("Heading%1").arg(n), QRectF(0, y, layout.bandWidthMm(), headingHeight),
                            QString::fromLatin1(line.heading), heading);
            y += headingHeight + RowGapMm + 0.6;
            continue;
        }
        std::vector<report::RowField> row;
        for (const Item& item : line.items) {
            const QString field = QString::fromLatin1(item.field);
            row.push_back({field, item.caption ? QString::fromLatin1(item.caption) : QString(),
                           [contact, field] { return contact->displayText(field); },
                           item.expected ? item.expected() : QStringList(), item.weight});
        }
        y += layout.addFieldRow(y, row, caption, value) + RowGapMm;
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

} // namespace qv

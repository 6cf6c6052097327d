#include "reports/QVPersons.h"
#include "data/DataModule.h"
#include "data/Dataset.h"
#include "data/Domains.h"

#include <vector>

namespace qv {

namespace {

using Line = TextReport::RecordLine;

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
        {false,
         nullptr,
         {{"Birthday", "Birthday", TextReport::dateTexts}, {"Anniversary", "Anniversary", TextReport::dateTexts}}},
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

} // namespace

std::unique_ptr<TextReport> createContactReport(TMainDataModule& dm)
{
    auto report =
        std::make_unique<TextReport>(QStringLiteral("TQVPersonsForm"), QStringLiteral("Contact Report"), false);
    report->setDrivingDataset(dm.PeopleProjectDetail);
    report->addRecordLines(contactLines(), *dm.PeopleCompanyDet);
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

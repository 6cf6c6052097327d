#include "reports/AccountReportUnit.h"
#include "data/DataModule.h"
#include "data/Domains.h"
#include "platform/Clock.h"

namespace qv {

namespace {

using Line = TextReport::RecordLine;

// An address under its heading: the street; city, state, postal code and country on one line; the post-office box.
void addAddress(std::vector<Line>& lines, const char* heading, const char* street, const char* city, const char* state,
                const char* postalCode, const char* country, const char* postOfficeBox)
{
    lines.push_back({true, heading, {}});
    lines.push_back({false, nullptr, {{nullptr, street}}});
    lines.push_back({false,
                     nullptr,
                     {{nullptr, city, nullptr, 1.3},
                      {nullptr, state},
                      {nullptr, postalCode, nullptr, 0.8},
                      {nullptr, country, nullptr, 0.9}}});
    lines.push_back({false, nullptr, {{nullptr, postOfficeBox}}});
}

const std::vector<Line>& accountLines()
{
    using namespace domains;
    static const std::vector<Line> lines = [] {
        std::vector<Line> l = {
            {false, nullptr, {{"Account Name", "AccountName"}}},
            {false, nullptr, {{"Account Size", "AccountSize", companySize}}},
            {false, nullptr, {{"Industry", "AccountIndustry", industry}}},
            {false, nullptr, {{"Importance", "Importance", importance}}},
            {false, nullptr, {{"Tax Registration Number", "TaxRegNo"}}},
            {false, nullptr, {{"Tax Authority Service", "TaxAuthService"}}},
            {false, nullptr, {{"Salesperson (Account Manager)", "AccountManager"}}},
        };
        addAddress(l, "Headquarters Address", "AccountStreet", "AccountCity", "AccountState", "AccountPostalCode",
                   "AccountCountry", "AccountPostOfficeBox");
        addAddress(l, "Local Address", "LocalStreet", "LocalCity", "LocalState", "LocalPostalCode", "LocalCountry",
                   "LocalPostOfficeBox");
        l.insert(l.end(), {
                              {true, nullptr, {{"Main Tel", "AccountMainTel"}}},
                              {false, nullptr, {{"Tel 1", "AccountTel1"}}},
                              {false, nullptr, {{"Tel 2", "AccountTel2"}}},
                              {false, nullptr, {{"Fax 1", "AccountFax1"}}},
                              {false, nullptr, {{"Fax 2", "AccountFax2"}}},
                              {false, nullptr, {{"Web Site", "AccountWebPage"}}},
                              {false, nullptr, {{"Comments", "Comments"}}},
                          });
        return l;
    }();
    return lines;
}

} // namespace

TAccountReportForm::TAccountReportForm(TMainDataModule& dm, QObject* parent)
    : TextReport(QStringLiteral("TAccountReportForm"), QStringLiteral("Account Report"), Body::None, parent)
{
    setDrivingDataset(dm.PeopleProjectDetail);
    addRecordLines(accountLines(), *dm.AccountsTable);
}

void TAccountReportForm::previewCurrent()
{
    if (isPreviewOpen()) return;
    setStamp(clock::now());
    preview();
}

} // namespace qv

#include "reports/AccountReportUnit.h"
#include "data/DataModule.h"
#include "data/Domains.h"
#include "platform/Clock.h"

namespace qv {

namespace {

const std::vector<TextReport::RecordLine>& accountLines()
{
    using namespace domains;
    static const std::vector<TextReport::RecordLine> lines = {
        {false, nullptr, {{"Account Name", "AccountName"}}},
        {false, nullptr, {{"Account Size", "AccountSize", companySize}}},
        {false, nullptr, {{"Industry", "AccountIndustry", industry}}},
        {false, nullptr, {{"Importance", "Importance", importance}}},
        {false, nullptr, {{"Tax Registration Number", "TaxRegNo"}}},
        {false, nullptr, {{"Tax Authority Service", "TaxAuthService"}}},
        {false, nullptr, {{"Salesperson (Account Manager)", "AccountManager"}}},
        {true, "Headquarters Address", {}},
        {false, nullptr, {{nullptr, "AccountStreet"}}},
        {false,
         nullptr,
         {{nullptr, "AccountCity", nullptr, 1.3},
          {nullptr, "AccountState"},
          {nullptr, "AccountPostalCode", nullptr, 0.8},
          {nullptr, "AccountCountry", nullptr, 0.9}}},
        {false, nullptr, {{nullptr, "AccountPostOfficeBox"}}},
        {true, "Local Address", {}},
        {false, nullptr, {{nullptr, "LocalStreet"}}},
        {false,
         nullptr,
         {{nullptr, "LocalCity", nullptr, 1.3},
          {nullptr, "LocalState"},
          {nullptr, "LocalPostalCode", nullptr, 0.8},
          {nullptr, "LocalCountry", nullptr, 0.9}}},
        {false, nullptr, {{nullptr, "LocalPostOfficeBox"}}},
        {true, nullptr, {{"Main Tel", "AccountMainTel"}}},
        {false, nullptr, {{"Tel 1", "AccountTel1"}}},
        {false, nullptr, {{"Tel 2", "AccountTel2"}}},
        {false, nullptr, {{"Fax 1", "AccountFax1"}}},
        {false, nullptr, {{"Fax 2", "AccountFax2"}}},
        {false, nullptr, {{"Web Site", "AccountWebPage"}}},
        {false, nullptr, {{"Comments", "Comments"}}},
    };
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

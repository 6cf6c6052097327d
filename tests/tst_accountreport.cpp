// The account report as the account toolbar's "Report" produces it, read back from the composed pages: its lines in
// order, its one instance with a fresh stamp each time, what it checks first, and values of every length printed
// whole.

#include "app/Program.h"
#include "data/Dataset.h"
#include "data/Domains.h"
#include "platform/Clock.h"
#include "platform/RecordToolbar.h"
#include "platform/ReportLayout.h"
#include "records/AccountsPage.h"
#include "records/DataEntry.h"
#include "reports/AccountReportUnit.h"
#include "tests/support/RecordingPreviewer.h"
#include "tests/support/ReportChecks.h"
#include "tests/support/StartedProgram.h"

#include <QLineEdit>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

using namespace qv;

namespace {

// Every field of an account with a value that tells it apart.
const QStringList filledAccount = {"AccountName",
                                   "Acme Industrial",
                                   "AccountSize",
                                   "Medium-large",
                                   "AccountIndustry",
                                   "Industrial",
                                   "Importance",
                                   "High",
                                   "TaxRegNo",
                                   "US-4471",
                                   "TaxAuthService",
                                   "State Revenue",
                                   "AccountManager",
                                   "Dana Whitfield",
                                   "AccountStreet",
                                   "1200 Harbor Blvd",
                                   "AccountCity",
                                   "Springfield",
                                   "AccountState",
                                   "IL",
                                   "AccountPostalCode",
                                   "62704",
                                   "AccountCountry",
                                   "USA",
                                   "AccountPostOfficeBox",
                                   "PO Box 88",
                                   "LocalStreet",
                                   "14 Mill Lane",
                                   "LocalCity",
                                   "Peoria",
                                   "LocalState",
                                   "IL-S",
                                   "LocalPostalCode",
                                   "61602",
                                   "LocalCountry",
                                   "United States",
                                   "LocalPostOfficeBox",
                                   "PO Box 9",
                                   "AccountMainTel",
                                   "555-0100",
                                   "AccountTel1",
                                   "555-0101",
                                   "AccountTel2",
                                   "555-0102",
                                   "AccountFax1",
                                   "555-0190",
                                   "AccountFax2",
                                   "555-0191",
                                   "AccountWebPage",
                                   "acme.example",
                                   "Comments",
                                   "Renews in March"};

// The report's texts as a reader sees them, top to bottom.
const QStringList filledReport = {"Account Report",
                                  "6/1/2026, 3:04:05 PM",
                                  "Account Name",
                                  "Acme Industrial",
                                  "Account Size",
                                  "Medium-large",
                                  "Industry",
                                  "Industrial",
                                  "Importance",
                                  "High",
                                  "Tax Registration Number",
                                  "US-4471",
                                  "Tax Authority Service",
                                  "State Revenue",
                                  "Salesperson (Account Manager)",
                                  "Dana Whitfield",
                                  "Headquarters Address",
                                  "1200 Harbor Blvd",
                                  "Springfield",
                                  "IL",
                                  "62704",
                                  "USA",
                                  "PO Box 88",
                                  "Local Address",
                                  "14 Mill Lane",
                                  "Peoria",
                                  "IL-S",
                                  "61602",
                                  "United States",
                                  "PO Box 9",
                                  "Main Tel",
                                  "555-0100",
                                  "Tel 1",
                                  "555-0101",
                                  "Tel 2",
                                  "555-0102",
                                  "Fax 1",
                                  "555-0190",
                                  "Fax 2",
                                  "555-0191",
                                  "Web Site",
                                  "acme.example",
                                  "Comments",
                                  "Renews in March"};

// The program started on a database, its "Files" window shown on the accounts page: "Report" is clicked there.
struct Started : test::StartedProgram {
    explicit Started(const QStringList& rows) : StartedProgram(rows)
    {
        if (!started) qFatal("the program did not start");
        files->PageControl->setCurrentIndex(TDataEntryForm::AccountsPageIndex);
        files->show();
    }
    void clickReport() { QTest::mouseClick(files->Accounts->Toolbar->button("Report"), Qt::LeftButton); }
};

} // namespace

class AccountReportTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::useUnitedStatesLocale(); }
    void init() { clock::setFixed(QDateTime(QDate(2026, 6, 1), QTime(15, 4, 5))); }
    void cleanup() { clock::setFixed({}); }

    void filledAccountPrintsEveryFieldInOrder();
    void emptyFieldsPrintTheirCaptionsOnly();
    void oneInstanceWithAFreshStampEachTime();
    void aSecondRequestWhileItsPreviewIsOpenIsIgnored();
    void noAccountGivesMessageAndNoPreview_data();
    void noAccountGivesMessageAndNoPreview();
    void pendingEditIsSavedFirst();
    void longestValuesArePrintedWhole_data();
    void longestValuesArePrintedWhole();
};

void AccountReportTest::filledAccountPrintsEveryFieldInOrder()
{
    Started s({test::accountInsert(filledAccount[1], filledAccount.mid(2))});
    test::RecordingPreviewer previewer;
    s.clickReport();
    QCOMPARE(previewer.reports.size(), size_t(1));
    QCOMPARE(previewer.lastText(), filledReport);
    QCOMPARE(previewer.reports.back().pageCount(), 1);
    QVERIFY(previewer.reports.back().clippedTexts().empty());
    QCOMPARE(s.messages.texts(), QStringList());
    test::saveForLooking(previewer.reports.back(), "account-report-filled");
}

void AccountReportTest::emptyFieldsPrintTheirCaptionsOnly()
{
    Started s({test::accountInsert("Bare")});
    test::RecordingPreviewer previewer;
    s.clickReport();
    QStringList expected;
    for (int i = 0; i < filledReport.size(); ++i) {
        const int at = filledAccount.indexOf(filledReport[i]);
        expected << (at >= 0 && at % 2 == 1 ? QString() : filledReport[i]);
    }
    expected[3] = "Bare";
    QCOMPARE(previewer.lastText(), expected);
}

// The report is made once, at start-up, and shows whichever account is current, stamped when it is asked for.
void AccountReportTest::oneInstanceWithAFreshStampEachTime()
{
    Started s({test::accountInsert("Acme"), test::accountInsert("Beta")});
    TAccountReportForm* report = s.program.accountReport();
    QVERIFY(report);
    QCOMPARE(report->objectName(), QString("TAccountReportForm"));
    QVERIFY(!report->hasBodyMemo());
    test::RecordingPreviewer previewer;
    s.clickReport();
    s.files->Accounts->Toolbar->button("Next record")->click();
    clock::setFixed(QDateTime(QDate(2026, 6, 2), QTime(9, 0, 1)));
    s.clickReport();
    QCOMPARE(s.program.accountReport(), report);
    QCOMPARE(previewer.reports.size(), size_t(2));
    const QStringList first = previewer.reports[0].pageText(0), second = previewer.reports[1].pageText(0);
    QCOMPARE(first.mid(1, 3), (QStringList{"6/1/2026, 3:04:05 PM", "Account Name", "Acme"}));
    QCOMPARE(second.mid(1, 3), (QStringList{"6/2/2026, 9:00:01 AM", "Account Name", "Beta"}));
}

void AccountReportTest::aSecondRequestWhileItsPreviewIsOpenIsIgnored()
{
    Started s({test::accountInsert("Acme")});
    test::RecordingPreviewer previewer;
    int nested = 0;
    previewer.whilePreviewing = [&](const report::ComposedReport&) {
        if (nested++ == 0) s.clickReport();
    };
    s.clickReport();
    QCOMPARE(previewer.reports.size(), size_t(1));
    QCOMPARE(nested, 1);
    s.clickReport(); // closed again: a new request previews
    QCOMPARE(previewer.reports.size(), size_t(2));
}

void AccountReportTest::noAccountGivesMessageAndNoPreview_data()
{
    QTest::addColumn<bool>("newAccount");
    QTest::newRow("no accounts") << false;
    QTest::newRow("a new account without a name") << true;
}

void AccountReportTest::noAccountGivesMessageAndNoPreview()
{
    QFETCH(bool, newAccount);
    Started s({});
    if (newAccount) s.files->Accounts->Toolbar->button("New record")->click();
    test::RecordingPreviewer previewer;
    s.clickReport();
    QCOMPARE(s.messages.texts(), QStringList{"Accounts database is empty."});
    QCOMPARE(s.messages.shown.front().kind, MessageKind::Error);
    QCOMPARE(previewer.reports.size(), size_t(0));
}

void AccountReportTest::pendingEditIsSavedFirst()
{
    Started s({test::accountInsert("Acme")});
    QLineEdit* city = s.files->Accounts->findChild<QLineEdit*>("AccountCity");
    QTest::keyClicks(city, "Springfield");
    test::RecordingPreviewer previewer;
    s.clickReport();
    QVERIFY(previewer.lastText().contains("Springfield"));
    QCOMPARE(s.db.scalar("SELECT AccountCity FROM Accounts").toString(), QString("Springfield"));
    QCOMPARE(s.dm->AccountsTable->state(), DatasetState::Browse);
}

// Every field at its longest: pick-list fields at their longest entry (or, as an import may leave them, at their
// widest allowed text), free text at its widest allowed text. Nothing painted is cut, and every value is there
// whole, in the order of the fields.
void AccountReportTest::longestValuesArePrintedWhole_data()
{
    QTest::addColumn<bool>("widestEverywhere");
    QTest::newRow("pick lists at their longest entry") << false;
    QTest::newRow("widest allowed text everywhere") << true;
}

void AccountReportTest::longestValuesArePrintedWhole()
{
    QFETCH(bool, widestEverywhere);
    Started s({test::accountInsert("Someone")});
    Dataset* accounts = s.dm->AccountsTable;
    const QList<std::pair<QString, QStringList>> pickLists = {{"AccountSize", domains::companySize()},
                                                              {"AccountIndustry", domains::industry()},
                                                              {"Importance", domains::importance()}};
    accounts->edit();
    QStringList fields;
    for (int i = 0; i < filledAccount.size(); i += 2) {
        const QString field = filledAccount[i];
        QString value = QString("W").repeated(accounts->declaredWidth(field));
        for (const auto& [listField, entries] : pickLists)
            if (listField == field && !widestEverywhere) value = test::longestEntry(entries);
        accounts->setValue(field, value);
        fields << field;
    }
    accounts->post();

    test::RecordingPreviewer previewer;
    s.clickReport();
    QCOMPARE(previewer.reports.size(), size_t(1));
    const report::ComposedReport& r = previewer.reports.back();
    test::saveForLooking(r, QStringLiteral("account-report-%1").arg(widestEverywhere ? "widest" : "entries"));
    const QString cut = test::clippedTexts(r);
    QVERIFY2(cut.isEmpty(), qPrintable(cut));
    QStringList order;
    for (const report::BandItem& item : r.data().band)
        if (fields.contains(item.name) && !order.contains(item.name)) order << item.name;
    QStringList expectedOrder;
    for (int i = 2; i < filledReport.size(); ++i) {
        const int at = filledAccount.indexOf(filledReport[i]);
        if (at >= 0 && at % 2 == 1) expectedOrder << filledAccount[at - 1];
    }
    QCOMPARE(order, expectedOrder);
    for (const QString& field : fields)
        QCOMPARE(test::paintedText(r, field).remove(' '), accounts->displayText(field).remove(' '));
}

QTEST_MAIN(AccountReportTest)
#include "tst_accountreport.moc"

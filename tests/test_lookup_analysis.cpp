// The lookup data analysis: its counters and texts, the percentages, the messages and the report with its chart.
#include "analysis/LookupDataAnalysis.h"
#include "data/DataModule.h"
#include "platform/Clock.h"
#include "reports/LDAReport.h"
#include "tests/support/RecordingPreviewer.h"
#include "tests/support/TestSupport.h"

#include <QtTest>

using namespace qv;
using namespace qv::test;

namespace {

QString customer(const QString& name, const QString& importance, const QStringList& more = {})
{
    return personInsert(name, QStringList{"PersonType", "Customer", "CustoemrImportance", importance} + more);
}

// Four customers (two of high importance), three prospects and three entries that are neither.
QStringList tenContacts()
{
    return {
        customer("High One", "High",
                 {"Gender", "Male", "Household", "Single", "EducationLevel", "PhD", "Industry", "Aerospace",
                  "CompanySize", "Small", "Income", "< 15,000", "ProspectingMethod", "Cold canvass", "ApproachType",
                  "Product", "Innovation", "Innovator"}),
        // A household outside the domain (other letter case) is counted in no line of its section.
        customer("High Two", "High", {"Household", "single", "Industry", "Aerospace"}),
        customer("Medium", "Medium"),
        customer("No Importance", QString()),
        personInsert("Prospect 1", {"PersonType", "Prospect"}),
        personInsert("Prospect 2", {"PersonType", "Prospect", "CustoemrImportance", "High"}),
        personInsert("Prospect 3", {"PersonType", "Prospect"}),
        personInsert("No Type"),
        personInsert("Lower Type", {"PersonType", "customer", "CustoemrImportance", "High"}),
        customer("Lower Importance", "high"),
    };
}

const QStringList TenSummary{
    "Total number of records = 10 [100%]",
    "Number of customers = 4 [40.00%]",
    "Number of prospects = 3 [30.00%]",
    "Number of unidentified entries (neither customer nor prospect) = 3 [30.00%]",
    "",
    "Number of high-importance customers = 2 [50.00%]",
    "Number of medium-importance customers = 1 [25.00%]",
    "Number of low-importance customers = 0 [0.00%]",
    "Number of unidentified-importance customers = 1 [25.00%]",
    "",
    "",
};

const QStringList TenAnalysis{
    "High-importance customers' data analysis:",
    "1. Gender analysis:",
    "(Male):1 [50.00%]",
    "(Unidentified):1 [50.00%]",
    "",
    "2. Household lifecycle position analysis:",
    "(Single):1 [50.00%]",
    "",
    "3. Level of education analysis:",
    "(PhD): 1 [50.00%]",
    "(Unidentified): 1 [50.00%]",
    "",
    "4. Industry analysis:",
    "Working in (Aerospace): 2 [100.00%]",
    "",
    "5. Company size analysis:",
    "Working for (Small) size companies: 1 [50.00%]",
    "Working for (Unidentified) size companies: 1 [50.00%]",
    "",
    "6. Income analysis:",
    "(< 15,000): 1 [50.00%]",
    "(Unidentified): 1 [50.00%]",
    "",
    "7. Used prospecting methods' analysis:",
    "(Cold canvass): 1 [50.00%]",
    "(Unidentified): 1 [50.00%]",
    "",
    "8. First time approach methods' analysis:",
    "(Product): 1 [50.00%]",
    "(Unidentified): 1 [50.00%]",
};

QStringList sliceTexts(const std::vector<ChartSlice>& slices)
{
    QStringList out;
    for (const ChartSlice& s : slices) out << QStringLiteral("%1 %2 %3").arg(s.label).arg(s.value).arg(s.colour.name());
    return out;
}

} // namespace

class TestLookupAnalysis : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { useUnitedStatesLocale(); }
    void cleanup()
    {
        clock::setFixed({});
        useUnitedStatesLocale();
    }

    void tenContactsLineForLine();
    void percentages_data();
    void percentages();
    void percentagesUseTheUsersDecimalSeparator();
    void outcomes_data();
    void outcomes();
    void reportShowsBodyAndChart();
    void twoRunsGiveTheSameReport();
};

void TestLookupAnalysis::tenContactsLineForLine()
{
    TestDatabase db(tenContacts());
    TMainDataModule& dm = db.open();
    dm.PeopleCompanyDet->last();
    const LookupAnalysis a = analyseLookupData(dm);
    QCOMPARE(a.outcome, LookupAnalysis::Outcome::Analysed);
    QCOMPARE(a.summary, TenSummary);
    QCOMPARE(a.analysis, TenAnalysis);
    QCOMPARE(sliceTexts(a.slices()),
             (QStringList{"Customers 40 #00ff00", "Prospects 30 #0000ff", "Unidentified 30 #ff0000"}));
    QCOMPARE(dm.PeopleCompanyDet->text("Name"), QString("High One")); // back on the first contact
}

void TestLookupAnalysis::percentages_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("base");
    QTest::addColumn<QString>("text");
    QTest::newRow("1 of 3") << 1 << 3 << "33.33";
    QTest::newRow("2 of 3") << 2 << 3 << "66.67";
    QTest::newRow("1 of 8") << 1 << 8 << "12.50";
    QTest::newRow("1 of 32, half away from zero") << 1 << 32 << "3.13";
    QTest::newRow("29 of 20000, a half not exact in binary") << 29 << 20000 << "0.15";
    QTest::newRow("none") << 0 << 7 << "0.00";
    QTest::newRow("all of many") << 100000 << 100000 << "100.00";
}

void TestLookupAnalysis::percentages()
{
    QFETCH(int, count);
    QFETCH(int, base);
    QFETCH(QString, text);
    QCOMPARE(countPercentText(count, base), text);
}

void TestLookupAnalysis::percentagesUseTheUsersDecimalSeparator()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(countPercentText(2, 3), QString("66,67"));
    QCOMPARE(countPercentText(3000, 3000), QString("100,00")); // no thousands separator
}

void TestLookupAnalysis::outcomes_data()
{
    QTest::addColumn<QStringList>("contacts");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("slices");
    QTest::addColumn<QString>("currentAfter");
    QTest::newRow("no contacts") << QStringList{} << QStringList{"The database is empty."} << QStringList{} << "";
    QTest::newRow("all prospects") << QStringList{personInsert("P1", {"PersonType", "Prospect"}),
                                                  personInsert("P2", {"PersonType", "Prospect"})}
                                   << QStringList{"No analysis available. Your data does not contain customers."}
                                   << QStringList{"Prospects 100 #0000ff"} << "P2";
    QTest::newRow("customers of medium importance only")
        << QStringList{personInsert("N1"), customer("C1", "Medium"), personInsert("N2")}
        << QStringList{"No analysis available. Your data does not contain high-importance customers."}
        << QStringList{"Customers 33.3333 #00ff00", "Unidentified 66.6667 #ff0000"} << "N1";
}

void TestLookupAnalysis::outcomes()
{
    QFETCH(QStringList, contacts);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, slices);
    QFETCH(QString, currentAfter);
    TestDatabase db(contacts);
    TMainDataModule& dm = db.open();
    ScriptedMessages shown;
    RecordingPreviewer previewer;
    runLookupDataAnalysis(dm);
    QCOMPARE(shown.texts(), messages);
    QCOMPARE(shown.shown.front().kind, MessageKind::Information);
    if (contacts.isEmpty()) {
        QVERIFY(previewer.reports.empty());
        return;
    }
    // The report is still produced: title, stamp and chart, with an empty body.
    QCOMPARE(previewer.reports.size(), size_t(1));
    const auto& data = previewer.reports.front().data();
    QVERIFY(data.memo.lines.isEmpty());
    QCOMPARE(data.charts.size(), size_t(1));
    QStringList got;
    for (const auto& s : data.charts.front().slices)
        got << QStringLiteral("%1 %2 %3").arg(s.label).arg(s.value).arg(s.color.name());
    QCOMPARE(got, slices);
    QCOMPARE(dm.PeopleCompanyDet->text("Name"), currentAfter);
}

void TestLookupAnalysis::reportShowsBodyAndChart()
{
    TestDatabase db(tenContacts());
    TMainDataModule& dm = db.open();
    ScriptedMessages shown;
    RecordingPreviewer previewer;
    clock::setFixed(QDateTime(QDate(2026, 3, 4), QTime(14, 5, 6)));
    runLookupDataAnalysis(dm);
    QVERIFY(shown.shown.empty());
    QCOMPARE(previewer.reports.size(), size_t(1));
    // With QV_SCREENSHOTS set to a folder the report is also saved there as a PDF, to be looked at.
    if (const QString folder = qEnvironmentVariable("QV_SCREENSHOTS"); !folder.isEmpty())
        previewer.reports.front().savePdf(folder + "/analysis-report.pdf");
    const auto& data = previewer.reports.front().data();
    QCOMPARE(data.memo.lines, TenSummary + TenAnalysis);
    QVERIFY(data.memo.wrap);
    const QStringList firstPage = previewer.reports.front().pageText(0);
    for (const char* text :
         {"Lookup Data Analysis Report", "3/4/2026, 2:05:06 PM", "Customers/Prospects/Unidentified Ratio",
          "40% Customers", "30% Prospects", "30% Unidentified"})
        QVERIFY2(firstPage.contains(QString::fromUtf8(text)), text);
    // The pie stands to the right of the body, never over it, and the body is as wide as its lines need: each is
    // painted on one line, whole.
    const auto& chart = data.charts.front();
    QVERIFY(chart.rectMm.left() >= data.memo.leftMm + data.memo.widthMm);
    QVERIFY(chart.rectMm.top() <= data.memo.topMm + 1);
    for (const QString& line : data.memo.lines)
        QCOMPARE(report::ComposedReport::wrapLine(line, data.memo.font, data.memo.widthMm), QStringList{line});
    QVERIFY(previewer.reports.front().clippedTexts().empty());
    for (const QRectF& mark : report::pieMarkRects(chart)) QVERIFY(mark.left() >= chart.rectMm.left());
}

void TestLookupAnalysis::twoRunsGiveTheSameReport()
{
    TestDatabase db(tenContacts());
    TMainDataModule& dm = db.open();
    RecordingPreviewer previewer;
    clock::setFixed(QDateTime(QDate(2026, 3, 4), QTime(14, 5, 6)));
    runLookupDataAnalysis(dm);
    runLookupDataAnalysis(dm);
    QCOMPARE(previewer.reports.size(), size_t(2));
    QCOMPARE(previewer.reports[1].pageText(0), previewer.reports[0].pageText(0));
    QCOMPARE(previewer.reports[1].data().memo.lines, TenSummary + TenAnalysis);
}

QTEST_MAIN(TestLookupAnalysis)
#include "test_lookup_analysis.moc"

// The report engine (composition, saving, preview window) and the report mechanism every command uses.

#include "data/Dataset.h"
#include "platform/Clock.h"
#include "platform/FileDialogs.h"
#include "platform/PreviewWindow.h"
#include "platform/ReportLayout.h"
#include "reports/TextReport.h"
#include "tests/support/RecordingPreviewer.h"
#include "tests/support/TestSupport.h"

#include <QAccessible>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPrintDialog>
#include <QPainter>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using namespace qv;
using namespace qv::report;

namespace {

std::unique_ptr<TextReport> plainReport(bool wrap = false)
{
    return std::make_unique<TextReport>(QStringLiteral("TFReport"), QStringLiteral("Filtering Report"), wrap);
}

QStringList numberedLines(int n, const QString& prefix = QStringLiteral("Line "))
{
    QStringList lines;
    lines.reserve(n);
    for (int i = 0; i < n; ++i) lines << prefix + QString::number(i);
    return lines;
}

QStringList allText(const ComposedReport& r)
{
    QStringList all;
    for (int p = 0; p < r.pageCount(); ++p) all << r.pageText(p);
    return all;
}

} // namespace

class ReportsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::useUnitedStatesLocale(); }
    void cleanup() { clock::setFixed({}); }

    void stampIsShortDateCommaLongTime();
    void emptyBodyShowsTitleAndStampOnly();
    void instanceIsDestroyedWhenAStepFails_data();
    void instanceIsDestroyedWhenAStepFails();
    void twoPreviewsCarryTheirOwnStamps();
    void bodyIsACopyAndClearedBeforeFilling();
    void drivingDatasetIsWalkedToItsEnd();
    void secondPreviewOfAnOpenInstanceIsIgnored();

    void longBodyIsSplitIntoWholeLinePages();
    void wrappedLinesBreakAcrossPagesWithoutLoss();
    void unwrappedLongLineStaysOneLine();
    void percentFormat_data();
    void percentFormat();
    void pieChartPrintsTitleLegendAndMarks();
    void savedReportLoadsAgain();
    void notAReportFileIsRefused();
    void pdfHasOnePagePerComposedPage();
    void wrappingFieldGrowsAndMovesWhatLiesBelow();
    void bandRunsOnOverPagesWithoutLoss();
    void clippedTextsAreReported_data();
    void clippedTextsAreReported();
    void fieldRowGivesPickListsTheirRoom_data();
    void fieldRowGivesPickListsTheirRoom();
    void pieMarksNeverOverlap_data();
    void pieMarksNeverOverlap();
    void reportSavedByTheFirstVersionLoads();

    void previewWindowOffersItsButtonsInOrder();
    void previewWindowPagesAndZoom();
    void previewReturnsWhenClosedAndAllowsASecondOne();
    void printingSendsTheChosenPageRange();
    void printDialogOffersPrintingToAFile();
    void previewSavesAndLoadsThroughTheFileDialogs();
    void previewClosesWithEscape();
};

void ReportsTest::stampIsShortDateCommaLongTime()
{
    test::RecordingPreviewer previewer;
    clock::setFixed(QDateTime(QDate(2026, 12, 8), QTime(9, 5, 7)));
    produceReport([] { return plainReport(); }, nullptr);
    QCOMPARE(previewer.reports.size(), size_t(1));
    QCOMPARE(previewer.reports[0].pageText(0).at(1), QStringLiteral("12/8/2026, 9:05:07 AM"));

    TextReport report(QStringLiteral("TFReport"), QStringLiteral("Filtering Report"), false);
    report.setStamp(QDateTime(QDate(2026, 1, 31), QTime(23, 59, 0)));
    QCOMPARE(report.stampLabel().caption(), QStringLiteral("1/31/2026, 11:59:00 PM"));
}

void ReportsTest::emptyBodyShowsTitleAndStampOnly()
{
    test::RecordingPreviewer previewer;
    clock::setFixed(QDateTime(QDate(2026, 3, 1), QTime(14, 0, 0)));
    produceReport([] { return plainReport(); }, [](TextReport&) {});
    const ComposedReport& r = previewer.reports.at(0);
    QCOMPARE(r.pageCount(), 1);
    QCOMPARE(r.pageText(0), (QStringList{"Filtering Report", "3/1/2026, 2:00:00 PM"}));
    QCOMPARE(r.title(), QStringLiteral("Report"));
    QCOMPARE(r.pageSizeMm(), QSizeF(210, 297));
}

void ReportsTest::instanceIsDestroyedWhenAStepFails_data()
{
    QTest::addColumn<bool>("failInFill");
    QTest::newRow("while filling") << true;
    QTest::newRow("while previewing") << false;
}

void ReportsTest::instanceIsDestroyedWhenAStepFails()
{
    QFETCH(bool, failInFill);
    test::RecordingPreviewer previewer;
    if (!failInFill)
        previewer.whilePreviewing = [](const ComposedReport&) { throw std::runtime_error("printer gone"); };
    QPointer<TextReport> made;
    bool threw = false;
    try {
        produceReport(
            [&] {
                auto r = plainReport();
                made = r.get();
                return r;
            },
            [&](TextReport&) {
                if (failInFill) throw std::runtime_error("no lines");
            });
    } catch (const std::runtime_error&) {
        threw = true;
    }
    QVERIFY(threw);
    QVERIFY(made.isNull());
    QCOMPARE(previewer.reports.size(), size_t(failInFill ? 0 : 1));
}

void ReportsTest::twoPreviewsCarryTheirOwnStamps()
{
    test::RecordingPreviewer previewer;
    clock::setFixed(QDateTime(QDate(2026, 5, 4), QTime(10, 0, 0)));
    produceReport([] { return plainReport(); }, nullptr);
    clock::setFixed(QDateTime(QDate(2026, 5, 4), QTime(10, 0, 42)));
    produceReport([] { return plainReport(); }, nullptr);
    QCOMPARE(previewer.reports.size(), size_t(2));
    QCOMPARE(previewer.reports[0].pageText(0).at(1), QStringLiteral("5/4/2026, 10:00:00 AM"));
    QCOMPARE(previewer.reports[1].pageText(0).at(1), QStringLiteral("5/4/2026, 10:00:42 AM"));
}

void ReportsTest::bodyIsACopyAndClearedBeforeFilling()
{
    test::RecordingPreviewer previewer;
    QStringList source{"first", "", "third"};
    produceReport(
        [] {
            auto r = plainReport();
            r->bodyMemo().lines() << "left over from design";
            return r;
        },
        [&](TextReport& r) { r.bodyMemo().lines() << source; });
    source[0] = "changed afterwards";
    QCOMPARE(previewer.lastText().mid(2), (QStringList{"first", "", "third"}));
}

void ReportsTest::drivingDatasetIsWalkedToItsEnd()
{
    test::TestDatabase db({test::personInsert("Ann"),
                           "INSERT INTO Business (PersonID, SPWeight) SELECT max(PersonID), 1 FROM People",
                           "INSERT INTO Business (PersonID, SPWeight) SELECT max(PersonID), 2 FROM People",
                           "INSERT INTO Business (PersonID, SPWeight) SELECT max(PersonID), 3 FROM People"});
    TMainDataModule& dm = db.open();
    dm.PeopleCompanyDet->last();
    dm.PeopleProjectDetail->first();
    QCOMPARE(dm.PeopleProjectDetail->recordCount(), 3);
    test::RecordingPreviewer previewer;
    produceReport(
        [&] {
            auto r = plainReport();
            r->setDrivingDataset(dm.PeopleProjectDetail);
            return r;
        },
        nullptr);
    QCOMPARE(dm.PeopleProjectDetail->recNo(), 2);
}

void ReportsTest::longBodyIsSplitIntoWholeLinePages()
{
    // A filter run over a large database: composing must stay arithmetic on line ranges.
    const int n = 600000;
    TextReport report(QStringLiteral("TFReport"), QStringLiteral("Filtering Report"), false);
    report.bodyMemo().setLines(numberedLines(n));
    QElapsedTimer timer;
    timer.start();
    const ComposedReport r = report.compose();
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));

    const double lh = lineHeightMm(report.bodyMemo().font());
    const int first = int((297 - 5 - (5 + TextReport::ContentTopMm)) / lh);
    const int others = int((297 - 10) / lh);
    QCOMPARE(r.pageCount(), 1 + (n - first + others - 1) / others);
    QCOMPARE(r.pageText(0).size(), 2 + first);
    QCOMPARE(r.pageText(0).at(2), QStringLiteral("Line 0"));
    QCOMPARE(r.pageText(1).first(), QStringLiteral("Line %1").arg(first));
    QCOMPARE(r.pageText(1).size(), others);
    QCOMPARE(r.pageText(r.pageCount() - 1).last(), QStringLiteral("Line %1").arg(n - 1));
    QCOMPARE(allText(r).mid(2), report.bodyMemo().lines());
}

void ReportsTest::wrappedLinesBreakAcrossPagesWithoutLoss()
{
    TextReport report(QStringLiteral("TLDAReport"), QStringLiteral("Lookup Data Analysis Report"), true);
    const QString word = QStringLiteral("alpha beta gamma delta epsilon zeta eta theta iota kappa lambda ");
    const QString longLine = word.repeated(12).trimmed();
    QStringList lines = numberedLines(60);
    for (int i = 0; i < 20; ++i) lines << longLine;
    report.bodyMemo().setLines(lines);
    const ComposedReport r = report.compose();
    QVERIFY(r.pageCount() >= 2);

    const QStringList pieces =
        ComposedReport::wrapLine(longLine, report.bodyMemo().font(), report.layout().bandWidthMm());
    QVERIFY(pieces.size() > 1);
    for (const QString& piece : pieces)
        QVERIFY(textWidthMm(piece, report.bodyMemo().font()) <= report.layout().bandWidthMm());
    QCOMPARE(pieces.join(' '), longLine);
    QStringList expected = lines.mid(0, 60);
    for (int i = 0; i < 20; ++i) expected << pieces;
    QCOMPARE(allText(r).mid(2), expected);
    // Every page but the last is full, so a page does end inside a wrapped line somewhere.
    const double lh = lineHeightMm(report.bodyMemo().font());
    QCOMPARE(r.pageText(1).size(), int((297 - 10) / lh));
}

void ReportsTest::unwrappedLongLineStaysOneLine()
{
    TextReport report(QStringLiteral("TFReport"), QStringLiteral("Filtering Report"), false);
    const QString longLine = QStringLiteral("x").repeated(1000);
    report.bodyMemo().setLines({longLine, "next"});
    const ComposedReport r = report.compose();
    QCOMPARE(r.pageText(0).mid(2), (QStringList{longLine, "next"}));
}

void ReportsTest::percentFormat_data()
{
    QTest::addColumn<double>("percent");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << 40.0 << "40%";
    QTest::newRow("hundred") << 100.0 << "100%";
    QTest::newRow("two decimals") << 100.0 / 3 << "33.33%";
    QTest::newRow("one decimal") << 12.5 << "12.5%";
    QTest::newRow("rounded") << 66.666666 << "66.67%";
    QTest::newRow("below one") << 0.5 << "0.5%";
    QTest::newRow("zero") << 0.0 << "0%";
}

void ReportsTest::percentFormat()
{
    QFETCH(double, percent);
    QFETCH(QString, text);
    QCOMPARE(percentText(percent), text);
}

void ReportsTest::pieChartPrintsTitleLegendAndMarks()
{
    TextReport report(QStringLiteral("TLDAReport"), QStringLiteral("Lookup Data Analysis Report"), true);
    ReportPieChart* chart = report.layout().addPieChart(QStringLiteral("Chart"), QRectF(110, 16, 90, 110));
    chart->setTitle(QStringLiteral("Customers/Prospects/Unidentified Ratio"));
    chart->addSlice(40, Qt::green, QStringLiteral("Customers"));
    chart->addSlice(30, Qt::blue, QStringLiteral("Prospects"));
    chart->addSlice(30, Qt::red, QStringLiteral("Unidentified"));
    const QStringList text = report.compose().pageText(0);
    QCOMPARE(text.mid(2), (QStringList{"Customers/Prospects/Unidentified Ratio", "40% Customers", "30% Prospects",
                                       "30% Unidentified", "Customers", "Prospects", "Unidentified"}));
}

void ReportsTest::savedReportLoadsAgain()
{
    TextReport report(QStringLiteral("TLDAReport"), QStringLiteral("Lookup Data Analysis Report"), true);
    report.layout().addRule(QStringLiteral("Rule"), 15);
    ReportPieChart* chart = report.layout().addPieChart(QStringLiteral("Chart"), QRectF(110, 16, 90, 110));
    chart->setTitle(QStringLiteral("Ratio"));
    chart->addSlice(1, Qt::green, QStringLiteral("Customers"));
    QStringList lines =
        numberedLines(300, QStringLiteral("Entry with a rather long text that will need wrapping in the memo "));
    report.bodyMemo().setLines(lines);
    report.setStamp(QDateTime(QDate(2026, 2, 3), QTime(4, 5, 6)));
    const ComposedReport r = report.compose();

    QTemporaryDir dir;
    const QString path = dir.filePath("saved.qvr");
    r.save(path);
    const ComposedReport loaded = ComposedReport::load(path);
    QCOMPARE(loaded.pageCount(), r.pageCount());
    QCOMPARE(loaded.title(), r.title());
    for (int p = 0; p < r.pageCount(); ++p) QCOMPARE(loaded.pageText(p), r.pageText(p));

    // Both paint the same picture.
    QImage a(210, 297, QImage::Format_RGB32), b(210, 297, QImage::Format_RGB32);
    {
        QPainter pa(&a);
        r.renderPage(pa, 0, 1.0);
        QPainter pb(&b);
        loaded.renderPage(pb, 0, 1.0);
    }
    QCOMPARE(a, b);
}

void ReportsTest::notAReportFileIsRefused()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("other.qvr");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("%PDF-1.4 something else entirely");
    f.close();
    try {
        ComposedReport::load(path);
        QFAIL("a foreign file was loaded");
    } catch (const std::runtime_error& e) {
        QCOMPARE(QString::fromLocal8Bit(e.what()), QStringLiteral("The file %1 is not a saved report.").arg(path));
    }
}

void ReportsTest::pdfHasOnePagePerComposedPage()
{
    TextReport report(QStringLiteral("TFReport"), QStringLiteral("Filtering Report"), false);
    report.bodyMemo().setLines(numberedLines(200));
    const ComposedReport r = report.compose();
    QCOMPARE(r.pageCount(), 3);
    QTemporaryDir dir;
    const QString path = dir.filePath("r.pdf");
    r.savePdf(path);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray pdf = f.readAll();
    QVERIFY(pdf.startsWith("%PDF"));
    QCOMPARE(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page "), qsizetype(3));
}

// A wrapping field grows downward as far as its lines need; the row below it, a rule and the memo move down by as
// much, and nothing is cut.
void ReportsTest::wrappingFieldGrowsAndMovesWhatLiesBelow()
{
    TextReport report(QStringLiteral("TAccountReportForm"), QStringLiteral("Account Report"), false);
    ReportLayout& layout = report.layout();
    const QFont font = reportFont(10);
    const double lh = lineHeightMm(font);
    const QString comments = QStringLiteral("A long comment about the account that goes on and on. ").repeated(12);
    ReportDataField* grows = layout.addDataField(
        "Comments", QRectF(20, 20, 80, 5), [&] { return comments; }, font);
    grows->setWordWrap(true);
    layout.addLabel("Beside", QRectF(110, 20, 40, 5), "Beside it", font);
    layout.addLabel("Below", QRectF(0, 26, 40, 5), "Below it", font);
    layout.addRule("Rule", 32);
    report.setBodyTop(34);
    report.bodyMemo().setLines({"memo line"});
    const ComposedReport r = report.compose();

    const QStringList lines = ComposedReport::wrapText(comments, font, 80);
    QVERIFY(lines.size() > 5);
    const double growth = lines.size() * lh - 5;
    auto item = [&](const QString& name) {
        for (const BandItem& b : r.data().band)
            if (b.name == name) return b;
        return BandItem();
    };
    QCOMPARE(item("Comments").lines, lines);
    QCOMPARE(item("Comments").rectMm.height(), lines.size() * lh);
    QCOMPARE(item("Beside").rectMm.top(), 25.0); // same row: stays
    QCOMPARE(item("Below").rectMm.top(), 31 + growth);
    QCOMPARE(item("Rule").rectMm.top(), 37 + growth);
    QCOMPARE(r.data().memo.topMm, 39 + growth);
    QVERIFY(r.clippedTexts().empty());
    QCOMPARE(r.pageText(0).mid(2), QStringList() << lines << "Beside it"
                                                 << "Below it"
                                                 << "memo line");
}

// A band longer than a page runs on over the next pages: a wrapping text breaks between lines at the page's end,
// a box that would cross the end starts on the next page, and the memo follows the band. It is saved and loaded
// again page by page.
void ReportsTest::bandRunsOnOverPagesWithoutLoss()
{
    TextReport report(QStringLiteral("TAccountReportForm"), QStringLiteral("Account Report"), false);
    ReportLayout& layout = report.layout();
    const QFont font = reportFont(10);
    const QString comments = numberedLines(2000, QStringLiteral("word")).join(' ');
    layout.addLabel("Caption", QRectF(0, 20, 30, 5), "Comments", font);
    layout
        .addDataField(
            "Comments", QRectF(30, 20, 170, 5), [&] { return comments; }, font)
        ->setWordWrap(true);
    layout.addLabel("After", QRectF(0, 26, 40, 5), "After the comments", font);
    report.setBodyTop(32);
    report.bodyMemo().setLines(numberedLines(80));
    const ComposedReport r = report.compose();

    QStringList painted;
    int lastPage = 0;
    for (const BandItem& b : r.data().band) {
        if (b.name != QLatin1String("Comments")) continue;
        QVERIFY(b.page >= lastPage);
        lastPage = b.page;
        QVERIFY(b.rectMm.top() >= 5 - 1e-9);
        QVERIFY(b.rectMm.bottom() <= 292 + 1e-6);
        painted << b.lines;
    }
    QVERIFY(lastPage >= 1);
    QCOMPARE(painted.join(' '), comments);
    QVERIFY(r.clippedTexts().empty());
    const QStringList all = allText(r);
    QCOMPARE(all.indexOf("After the comments") + 1, all.indexOf("Line 0"));
    QCOMPARE(all.mid(all.indexOf("Line 0")), numberedLines(80));

    QTemporaryDir dir;
    r.save(dir.filePath("long.qvr"));
    const ComposedReport loaded = ComposedReport::load(dir.filePath("long.qvr"));
    QCOMPARE(loaded.pageCount(), r.pageCount());
    for (int p = 0; p < r.pageCount(); ++p) {
        QCOMPARE(loaded.pageText(p), r.pageText(p));
        QImage a(210, 297, QImage::Format_RGB32), b(210, 297, QImage::Format_RGB32);
        QPainter pa(&a), pb(&b);
        r.renderPage(pa, p, 1.0);
        loaded.renderPage(pb, p, 1.0);
        QCOMPARE(a, b);
    }
}

// The layout reports what the painter cuts: a text wider or taller than its box, an unwrapped memo line wider than
// the memo; never a text that wraps in its width or fits its box.
void ReportsTest::clippedTextsAreReported_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("clipped");
    QTest::newRow("label that fits") << "fits" << false;
    QTest::newRow("label wider than its box") << "wide" << true;
    QTest::newRow("label lower than its box needs") << "low" << true;
    QTest::newRow("wide label that wraps") << "wraps" << false;
    QTest::newRow("memo line wider than the memo") << "memo" << true;
    QTest::newRow("wide memo line in a wrapping memo") << "wrapping memo" << false;
}

void ReportsTest::clippedTextsAreReported()
{
    QFETCH(QString, kind);
    QFETCH(bool, clipped);
    TextReport report(QStringLiteral("TFReport"), QStringLiteral("Filtering Report"), kind == "wrapping memo");
    const QString wide = QStringLiteral("Medium-large company in Advertising and Marketing");
    const QFont font = reportFont(10);
    if (kind == "memo" || kind == "wrapping memo") {
        report.bodyMemo().setLines({"short", wide.repeated(5)});
    } else {
        const double width = kind == "fits" ? textWidthMm(wide, font) + 1 : 30;
        ReportLabel* label = report.layout().addLabel("Value", QRectF(0, 20, width, kind == "low" ? 2 : 5), wide, font);
        label->setWordWrap(kind == "wraps");
    }
    const std::vector<ClippedText> cut = report.compose().clippedTexts();
    QCOMPARE(!cut.empty(), clipped);
    if (clipped) {
        QCOMPARE(cut.size(), size_t(1));
        QCOMPARE(cut[0].name, kind == "memo" ? QStringLiteral("TacticksQRMemo") : QStringLiteral("Value"));
        QCOMPARE(cut[0].page, 0);
        QCOMPARE(cut[0].text, kind == "memo" ? wide.repeated(5) : wide);
    }
}

// A row gives each pick-list field the room of its widest entry and the rest to free text; when the band is too
// narrow for all of them, values wrap instead of being cut, and captions stay whole.
void ReportsTest::fieldRowGivesPickListsTheirRoom_data()
{
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QList<int>>("pickLists"); // which fields take the expected entries
    QTest::addColumn<bool>("allOnOneLine");
    const QList<int> none;
    QTest::newRow("two pick lists and free text")
        << QStringList{"Size", "Industry", "Comments"} << QList<int>{0, 1} << true;
    QTest::newRow("free text alone") << QStringList{"Comments"} << none << true;
    QTest::newRow("more pick lists than the band holds")
        << QStringList{"Size", "Industry", "Education", "Income", "Gender"} << QList<int>{0, 1, 2, 3, 4} << false;
}

void ReportsTest::fieldRowGivesPickListsTheirRoom()
{
    QFETCH(QStringList, captions);
    QFETCH(QList<int>, pickLists);
    QFETCH(bool, allOnOneLine);
    const QStringList entries{"Small", "Advertising and Marketing", "Medium-large"};
    const QString freeText = QStringLiteral("free text ").repeated(30).trimmed();
    TextReport report(QStringLiteral("TAccountReportForm"), QStringLiteral("Account Report"), false);
    std::vector<RowField> row;
    for (int i = 0; i < captions.size(); ++i) {
        const bool pick = pickLists.contains(i);
        const QString value = pick ? entries[1] : freeText;
        row.push_back(
            {QStringLiteral("F%1").arg(i), captions[i], [value] { return value; }, pick ? entries : QStringList()});
    }
    const double height = report.layout().addFieldRow(20, row, reportFont(10, true, true), reportFont(10));
    QCOMPARE(height, lineHeightMm(reportFont(10, true, true)));
    const ComposedReport r = report.compose();
    QVERIFY(r.clippedTexts().empty());
    double right = 0;
    for (const BandItem& b : r.data().band) {
        if (!b.name.startsWith('F')) continue;
        QVERIFY2(b.rectMm.left() >= right - 1e-6, qPrintable(b.name)); // side by side, in order
        right = b.rectMm.right();
        QVERIFY(right <= 205 + 1e-6);
        if (b.name.endsWith("Caption")) QCOMPARE(b.lines.size(), 1);
        const bool pick = pickLists.contains(b.name.mid(1).toInt()) && !b.name.endsWith("Caption");
        if (pick) QCOMPARE(b.lines.size() == 1, allOnOneLine);
        if (!pick && !b.name.endsWith("Caption")) QCOMPARE(b.lines.join(' '), freeText);
    }
}

// Slice marks stay apart, off the pie and inside the chart however small the slices; each mark is painted.
void ReportsTest::pieMarksNeverOverlap_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<double>("width");
    QTest::newRow("198/1/1") << QList<double>{198, 1, 1} << 90.0;
    QTest::newRow("1/1/198") << QList<double>{1, 1, 198} << 90.0;
    QTest::newRow("1/198/1") << QList<double>{1, 198, 1} << 90.0;
    QTest::newRow("two small at the top") << QList<double>{1, 98, 1} << 90.0;
    QTest::newRow("thirds") << QList<double>{1, 1, 1} << 90.0;
    QTest::newRow("one slice") << QList<double>{0, 5, 0} << 90.0;
    QTest::newRow("narrow chart, 198/1/1") << QList<double>{198, 1, 1} << 70.0;
    QTest::newRow("many thin slices") << QList<double>{100, 1, 1, 1, 1, 1, 1} << 90.0;
}

void ReportsTest::pieMarksNeverOverlap()
{
    QFETCH(QList<double>, values);
    QFETCH(double, width);
    TextReport report(QStringLiteral("TLDAReport"), QStringLiteral("Lookup Data Analysis Report"), true);
    ReportPieChart* chart = report.layout().addPieChart(QStringLiteral("Chart"), QRectF(200 - width, 16, width, 110));
    chart->setTitle(QStringLiteral("Customers/Prospects/Unidentified Ratio"));
    chart->setFont(reportFont(10));
    const QStringList labels{"Customers", "Prospects", "Unidentified", "Fourth", "Fifth", "Sixth", "Seventh"};
    QStringList shown;
    for (int i = 0; i < values.size(); ++i) {
        chart->addSlice(values[i], Qt::green, labels[i]);
        if (values[i] > 0) shown << labels[i];
    }
    const ComposedReport r = report.compose();
    // With QV_SCREENSHOTS set to a folder the page is also saved there as a PDF, to be looked at.
    if (const QString folder = qEnvironmentVariable("QV_SCREENSHOTS"); !folder.isEmpty())
        r.savePdf(folder + "/pie-" + QString(QTest::currentDataTag()).replace('/', '-').replace(' ', '_') + ".pdf");
    const PieChartSnapshot& snapshot = r.data().charts.front();
    const std::vector<QRectF> marks = pieMarkRects(snapshot);
    QCOMPARE(int(marks.size()), int(shown.size()));
    QCOMPARE(r.pageText(0).mid(r.pageText(0).size() - shown.size()), shown);

    const QRectF area = snapshot.rectMm;
    const QRectF pie = pieRect(snapshot);
    QVERIFY(pie.width() > 20);
    for (size_t i = 0; i < marks.size(); ++i) {
        const QRectF& m = marks[i];
        QVERIFY2(area.contains(m), qPrintable(shown[int(i)]));
        for (size_t k = i + 1; k < marks.size(); ++k)
            QVERIFY2(!m.intersects(marks[k]), qPrintable(shown[int(i)] + " / " + shown[int(k)]));
        // Off the pie: the point of the box nearest the pie's centre lies outside its circle.
        const QPointF c = pie.center();
        const QPointF nearest(std::clamp(c.x(), m.left(), m.right()), std::clamp(c.y(), m.top(), m.bottom()));
        QVERIFY2(QLineF(c, nearest).length() >= pie.width() / 2, qPrintable(shown[int(i)]));
    }
}

// A report saved before pages held band items of their own still loads: everything on the first page.
void ReportsTest::reportSavedByTheFirstVersionLoads()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("old.qvr");
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QDataStream out(&f);
        out.setVersion(QDataStream::Qt_6_4);
        out << quint32(0x51565250) << quint32(1) << QStringLiteral("Report") << QSizeF(210, 297);
        out << quint32(2);
        out << qint32(0) << QRectF(5, 5, 200, 9) << QStringLiteral("Old Report") << reportFont(18) << qint32(0x84);
        out << qint32(1) << QRectF(5, 20, 200, 0) << QString() << reportFont(10) << qint32(0);
        out << quint32(0);
        out << true << QStringList{"one", "two"} << reportFont(10) << 5.0 << 200.0 << 25.0 << 4.0 << false
            << qint32(0x21);
        out << quint32(1) << qint32(0) << qint32(0) << qint32(2) << qint32(0) << 25.0;
    }
    const ComposedReport r = ComposedReport::load(path);
    QCOMPARE(r.pageCount(), 1);
    QCOMPARE(r.pageText(0), (QStringList{"Old Report", "one", "two"}));
}

void ReportsTest::previewWindowOffersItsButtonsInOrder()
{
    PreviewWindow window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Print Preview"));
    QStringList hints;
    for (QToolButton* b : window.findChildren<QToolButton*>()) hints << b->toolTip();
    QCOMPARE(hints, (QStringList{"Zoom to fit", "100 %", "Zoom to width", "First page", "Previous page", "Next page",
                                 "Last page", "Printer setup", "Print", "Save report", "Load report", "Close"}));
    for (QToolButton* b : window.findChildren<QToolButton*>()) {
        QCOMPARE(b->objectName(), b->toolTip());
        QCOMPARE(b->accessibleName(), b->toolTip());
    }
}

void ReportsTest::previewWindowPagesAndZoom()
{
    TextReport report(QStringLiteral("TFReport"), QStringLiteral("Filtering Report"), false);
    report.bodyMemo().setLines(numberedLines(200));
    PreviewWindow window;
    window.setReport(report.compose());
    window.resize(800, 900);
    auto click = [&](const char* hint) { window.findChild<QToolButton*>(hint)->click(); };
    click("Last page");
    QCOMPARE(window.currentPage(), 2);
    click("Next page");
    QCOMPARE(window.currentPage(), 2);
    click("Previous page");
    QCOMPARE(window.currentPage(), 1);
    click("First page");
    click("Previous page");
    QCOMPARE(window.currentPage(), 0);
    QCOMPARE(window.findChild<QLabel*>("PageStatus")->text(), QStringLiteral("Page 1 of 3"));
    click("100 %");
    QCOMPARE(window.zoom(), PreviewWindow::Zoom::Actual);
    QCOMPARE(window.scale(), window.logicalDpiX() / 25.4);
    click("Zoom to width");
    const double width = window.scale();
    click("Zoom to fit");
    QVERIFY(window.scale() <= width);

    // Saving our own format and loading it shows the same pages.
    QTemporaryDir dir;
    QVERIFY(window.saveTo(dir.filePath("r.qvr")));
    PreviewWindow other;
    QVERIFY(other.loadFrom(dir.filePath("r.qvr")));
    QCOMPARE(other.report().pageCount(), 3);
    QCOMPARE(other.report().pageText(2), window.report().pageText(2));
}

void ReportsTest::previewReturnsWhenClosedAndAllowsASecondOne()
{
    // The real preview window: each run waits for its window, and a second report can be opened meanwhile.
    QStringList seen;
    int open = 0;
    auto previewWindows = [] {
        QList<PreviewWindow*> out;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<PreviewWindow*>(w); p && p->isVisible()) out << p;
        return out;
    };
    QTimer::singleShot(0, [&] {
        open = int(previewWindows().size());
        QTimer::singleShot(0, [&] {
            seen << QString::number(previewWindows().size());
            for (PreviewWindow* w : previewWindows())
                if (w->report().pageText(0).first() == QLatin1String("Second")) w->close();
            QTimer::singleShot(0, [&] {
                for (PreviewWindow* w : previewWindows()) w->close();
            });
        });
        produceReport([] { return std::make_unique<TextReport>("TQVFReport", "Second", false); }, nullptr);
        seen << QStringLiteral("second closed");
    });
    produceReport([] { return std::make_unique<TextReport>("TFReport", "First", false); }, nullptr);
    seen << QStringLiteral("first closed");
    QCOMPARE(open, 1);
    QCOMPARE(seen, (QStringList{"2", "second closed", "first closed"}));
    QVERIFY(previewWindows().isEmpty());
}

void ReportsTest::secondPreviewOfAnOpenInstanceIsIgnored()
{
    // Only a lasting instance (the account report) can be asked twice; its open preview is not doubled.
    TextReport lasting(QStringLiteral("TAccountReportForm"), QStringLiteral("Account Report"), false);
    test::RecordingPreviewer previewer;
    previewer.whilePreviewing = [&](const ComposedReport&) {
        QVERIFY(lasting.isPreviewOpen());
        lasting.preview();
    };
    lasting.preview();
    QCOMPARE(previewer.reports.size(), size_t(1));
    QVERIFY(!lasting.isPreviewOpen());
    lasting.preview();
    QCOMPARE(previewer.reports.size(), size_t(2));
}

void ReportsTest::printingSendsTheChosenPageRange()
{
    TextReport report(QStringLiteral("TFReport"), QStringLiteral("Filtering Report"), false);
    report.bodyMemo().setLines(numberedLines(200));
    PreviewWindow window;
    window.setReport(report.compose());
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("printed.pdf"));
    printer.setPrintRange(QPrinter::PageRange);
    printer.setFromTo(2, 3);
    window.printPages(printer);
    QFile f(dir.filePath("printed.pdf"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray pdf = f.readAll();
    QCOMPARE(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page "), qsizetype(2));
}

// The printer dialog keeps Qt's own choices, printing to a PDF file among them, besides the page range.
void ReportsTest::printDialogOffersPrintingToAFile()
{
    TextReport report(QStringLiteral("TFReport"), QStringLiteral("Filtering Report"), false);
    report.bodyMemo().setLines(numberedLines(200));
    PreviewWindow window;
    window.setReport(report.compose());
    bool toFile = false, pageRange = false;
    QStringList destinations;
    auto modal = test::whenModal([&](QWidget* w) {
        auto* dialog = qobject_cast<QPrintDialog*>(w);
        if (dialog) {
            toFile = dialog->testOption(QAbstractPrintDialog::PrintToFile);
            pageRange = dialog->testOption(QAbstractPrintDialog::PrintPageRange);
            for (QComboBox* box : dialog->findChildren<QComboBox*>())
                for (int i = 0; i < box->count(); ++i) destinations << box->itemText(i);
        }
        w->close();
    });
    window.findChild<QToolButton*>("Print")->click();
    QVERIFY2(modal->ok(), modal->failure());
    QVERIFY(toFile);
    QVERIFY(pageRange);
    QVERIFY2(destinations.contains("Print to File (PDF)"), qPrintable(destinations.join('|')));
}

// "Save report" and "Load report" ask through the program's file dialogs: a PDF or our own file, a name without an
// extension saved as PDF, a cancelled dialog doing nothing.
void ReportsTest::previewSavesAndLoadsThroughTheFileDialogs()
{
    TextReport report(QStringLiteral("TFReport"), QStringLiteral("Filtering Report"), false);
    report.bodyMemo().setLines(numberedLines(200));
    PreviewWindow window;
    window.setReport(report.compose());
    QTemporaryDir dir;
    test::ScriptedFileDialogs dialogs;
    dialogs.answers = {dir.filePath("kept.qvr"), dir.filePath("plain"), QString()};
    auto click = [&](const char* hint) { window.findChild<QToolButton*>(hint)->click(); };
    click("Save report");
    click("Save report");
    click("Save report"); // cancelled
    QCOMPARE(dialogs.requests.size(), size_t(3));
    QCOMPARE(dialogs.requests[0].kind, FileDialogRequest::Kind::Save);
    QCOMPARE(dialogs.requests[0].caption, QStringLiteral("Save Report"));
    QCOMPARE(parseFileFilter(dialogs.requests[0].filter).patterns, (QStringList{"*.pdf", "*.qvr"}));
    QVERIFY(dialogs.requests[0].suffixFromFilter);
    QFile pdf(dir.filePath("plain.pdf"));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(4) == "%PDF");
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);

    PreviewWindow other;
    dialogs.answers = {dir.filePath("kept.qvr")};
    other.findChild<QToolButton*>("Load report")->click();
    QCOMPARE(dialogs.requests.back().kind, FileDialogRequest::Kind::Open);
    QCOMPARE(parseFileFilter(dialogs.requests.back().filter).patterns, QStringList{"*.qvr"});
    QCOMPARE(other.report().pageCount(), 3);
    QCOMPARE(other.report().pageText(2), window.report().pageText(2));
}

// The preview is a window of its own, opened maximized, that Escape closes.
void ReportsTest::previewClosesWithEscape()
{
    PreviewWindow window;
    window.setReport(plainReport()->compose());
    bool maximized = false;
    QTimer::singleShot(0, &window, [&] {
        maximized = window.windowState() & Qt::WindowMaximized;
        QTest::keyClick(window.findChild<QToolButton*>("Zoom to fit"), Qt::Key_Escape);
    });
    QTimer safety;
    safety.setSingleShot(true);
    connect(&safety, &QTimer::timeout, &window, &QWidget::close);
    safety.start(5000);
    window.exec();
    QVERIFY2(safety.isActive(), "Escape did not close the preview");
    QVERIFY(maximized);
    QVERIFY(!window.isVisible());
    QCOMPARE(QAccessible::queryAccessibleInterface(&window)->role(), QAccessible::Window);
}

QTEST_MAIN(ReportsTest)
#include "tst_reports.moc"

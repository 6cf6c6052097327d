// Paths of the filters and the lookup data analysis: both scan the shared contacts of the running program.
#include "analysis/FilterResultsModel.h"
#include "analysis/FiltersForm.h"
#include "analysis/LookupDataAnalysis.h"
#include "app/Program.h"
#include "bench/Bench.h"
#include "data/DataModule.h"
#include "platform/PreviewWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPainter>
#include <sqlcipher/sqlite3.h>

namespace qv::bench {

namespace {

void choose(TFilters& w, const char* field, const QString& value)
{
    const auto& list = filterCriteria();
    for (size_t i = 0; i < list.size(); ++i) {
        if (qstrcmp(list[i].field, field) != 0) continue;
        w.criteria()[i].check->setChecked(true);
        auto* box = qobject_cast<QComboBox*>(w.criteria()[i].value);
        box->setCurrentIndex(box->findText(value));
    }
}

// The filters window as the user has it: shown, and painted after each run.
TFilters& shownFilters(Context& c)
{
    TFilters& w = *c.program().filters();
    if (!w.isVisible()) w.show();
    QApplication::processEvents();
    return w;
}

// The four result columns of every contact of the first company, in one plain pass.
const char* ResultColumns = "SELECT Name, PersonType, Mobile, TelCallback FROM People NOT INDEXED "
                            "WHERE CompanyID = (SELECT min(CompanyID) FROM Companies)";

// The program's runs and one plain pass of sql over a warm raw connection, in turns.
Result againstPlainPass(Context& c, int runs, const Measure& program, const char* sql)
{
    sqlite3* db = c.openRawWarm();
    const std::vector<double> best = bestInTurns(runs, {program, [&] { return timed([&] { rawRead(db, sql); }); }});
    closeRaw(db);
    Result r;
    r.program = best[0];
    r.baseline = best[1];
    return r;
}

// "Filter" with three criteria: the run and the grid painted, against the same rows and columns read in one
// plain pass (a scan, which is faster here than the engine's walk of an index).
Result filterRun(Context& c)
{
    TFilters& w = shownFilters(c);
    choose(w, "Gender", "Male");
    choose(w, "PersonType", "Customer");
    choose(w, "Industry", "Computers and Software");
    Result r = againstPlainPass(
        c, 5,
        [&] {
            return timed([&] {
                w.FilterButtonClick();
                QApplication::processEvents();
            });
        },
        "SELECT Name, PersonType, Mobile, TelCallback FROM People NOT INDEXED "
        "WHERE CompanyID = (SELECT min(CompanyID) FROM Companies) "
        "AND Gender = 'Male' COLLATE NOCASE AND PersonType = 'Customer' COLLATE NOCASE "
        "AND Industry = 'Computers and Software' COLLATE NOCASE");
    r.note = QStringLiteral("(%1 results; floor: the same rows and columns in one plain scan)")
                 .arg(w.resultsModel()->resultCount());
    w.hide();
    return r;
}

// "Filter" without criteria (every contact a result) until the grid is painted, then "Report..." until the
// preview's first page is painted, against the four result columns read in one pass.
Result filterAll(Context& c)
{
    TFilters& w = shownFilters(c);
    Result r = againstPlainPass(
        c, 3,
        [&] {
            return timed([&] {
                w.FilterButtonClick();
                QApplication::processEvents();
                timeToFirstPaint("qv::PreviewWindow", [&] { w.ReportButtonClick(); });
            });
        },
        ResultColumns);
    r.note = QStringLiteral("(%1 results; floor: the four result columns of every contact in one plain scan)")
                 .arg(w.resultsModel()->resultCount());
    w.hide();
    return r;
}

// The filter report's first page as the preview showed it: its texts, the page's size on the screen, the memo's
// font, and where the window was.
struct FirstPage {
    QStringList texts;
    QSizeF pagePixels;
    QFont font;
    double lineHeightPixels = 0;
    QRect geometry;
    int results = 0;
};

// The floor's window: the page painted with a plain QPainter, its lines one below the other.
class PlainPage : public QWidget {
public:
    explicit PlainPage(const FirstPage& page) : m_page(page) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().window());
        p.fillRect(QRectF(QPointF(8, 8), m_page.pagePixels), Qt::white);
        p.setFont(m_page.font);
        p.setPen(Qt::black);
        double y = 8 + m_page.lineHeightPixels * 2;
        for (const QString& line : m_page.texts) {
            p.drawText(QPointF(8 + m_page.pagePixels.width() / 10, y), line);
            y += m_page.lineHeightPixels;
        }
    }

private:
    const FirstPage& m_page;
};

// "Report..." after a run that found every contact, until the preview's first page is painted, against a plain
// window of the preview's size painting the same first-page lines into the page's size, the results those lines
// show read by a prepared statement.
Result filterReport(Context& c)
{
    TFilters& w = shownFilters(c);
    w.FilterButtonClick();
    QApplication::processEvents();
    FirstPage page;
    timeToFirstPaint(
        "qv::PreviewWindow", [&] { w.ReportButtonClick(); },
        [&](QWidget* window) {
            const auto* preview = qobject_cast<PreviewWindow*>(window);
            const report::ComposedReport& report = preview->report();
            page.texts = report.pageText(0);
            page.pagePixels = report.pageSizeMm() * preview->scale();
            page.font = report.data().memo.font;
            page.font.setPixelSize(std::max(1, int(page.font.pointSizeF() * 25.4 / 72 * preview->scale())));
            page.lineHeightPixels = report.data().memo.lineHeightMm * preview->scale();
            page.geometry = preview->geometry();
        });
    for (const QString& t : page.texts) page.results += t.startsWith(QLatin1String("Filtering result number"));
    sqlite3* db = c.openRawWarm();
    const QByteArray firstResults =
        QByteArray(ResultColumns) + " ORDER BY rowid LIMIT " + QByteArray::number(page.results);
    const std::vector<double> best =
        bestInTurns(3, {[&] { return timeToFirstPaint("qv::PreviewWindow", [&] { w.ReportButtonClick(); }); },
                        [&] {
                            return timed([&] {
                                rawRead(db, firstResults.constData());
                                PlainPage plain(page);
                                plain.setGeometry(page.geometry);
                                showPainted(&plain);
                            });
                        }});
    closeRaw(db);
    w.hide();
    Result r;
    r.program = best[0];
    r.baseline = best[1];
    r.note = QStringLiteral("(%1 results, %2 on the first page; floor: those results read, a plain window of the "
                            "preview's size painting the same %3 lines into the page's size)")
                 .arg(w.resultsModel()->resultCount())
                 .arg(page.results)
                 .arg(page.texts.size());
    return r;
}

// The command from the menu until the report's preview, pie included, is painted, against one plain pass over
// the ten columns the analysis reads.
Result lookupAnalysis(Context& c)
{
    TMainDataModule& dm = c.dataModule();
    Result r = againstPlainPass(
        c, 5, [&] { return timeToFirstPaint("qv::PreviewWindow", [&] { runLookupDataAnalysis(dm); }); },
        "SELECT PersonType, CustoemrImportance, Gender, Household, EducationLevel, Industry, CompanySize, Income, "
        "ProspectingMethod, ApproachType FROM People NOT INDEXED WHERE CompanyID = (SELECT min(CompanyID) FROM "
        "Companies)");
    r.note = QStringLiteral("(%1 high-importance customers; floor: the ten columns the analysis reads in one plain "
                            "scan)")
                 .arg(analyseLookupData(dm).high);
    return r;
}

} // namespace

QV_BENCH_PATH("filter-run", filterRun);
QV_BENCH_PATH("lookup-analysis", lookupAnalysis);
QV_BENCH_PATH("filter-all", filterAll);
QV_BENCH_PATH("filter-report", filterReport);

} // namespace qv::bench

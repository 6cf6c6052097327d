// Paths of the filters and the lookup data analysis: both scan the shared contacts of the running program.
#include "analysis/FilterResultsModel.h"
#include "analysis/FiltersForm.h"
#include "analysis/LookupDataAnalysis.h"
#include "app/Program.h"
#include "bench/Bench.h"
#include "data/DataModule.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
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

double rawBest(Context& c, int repeats, const char* sql)
{
    sqlite3* db = c.openRawWarm();
    const double ms = bestOf(repeats, [&] { rawRead(db, sql); });
    closeRaw(db);
    return ms;
}

// "Filter" with three criteria: the run and the grid painted, against the same rows and columns read in one
// plain pass (a scan, which is faster here than the engine's walk of an index).
Result filterRun(Context& c)
{
    TFilters& w = shownFilters(c);
    choose(w, "Gender", "Male");
    choose(w, "PersonType", "Customer");
    choose(w, "Industry", "Computers and Software");
    Result r;
    r.program = bestOf(5, [&] {
        w.FilterButtonClick();
        QApplication::processEvents();
    });
    r.note = QStringLiteral("(%1 results)").arg(w.resultsModel()->resultCount());
    r.baseline = rawBest(c, 5,
                         "SELECT Name, PersonType, Mobile, TelCallback FROM People NOT INDEXED "
                         "WHERE CompanyID = (SELECT min(CompanyID) FROM Companies) "
                         "AND Gender = 'Male' COLLATE NOCASE AND PersonType = 'Customer' COLLATE NOCASE "
                         "AND Industry = 'Computers and Software' COLLATE NOCASE");
    w.hide();
    return r;
}

// "Filter" without criteria (every contact a result) until the grid is painted, then "Report..." until the
// preview's first page is painted, against the four result columns read in one pass.
Result filterAll(Context& c)
{
    TFilters& w = shownFilters(c);
    Result r;
    r.program = bestOf(3, [&] {
        w.FilterButtonClick();
        QApplication::processEvents();
        timeToFirstPaint("qv::PreviewWindow", [&] { w.ReportButtonClick(); });
    });
    r.note = QStringLiteral("(%1 results)").arg(w.resultsModel()->resultCount());
    r.baseline = rawBest(c, 3, ResultColumns);
    w.hide();
    return r;
}

// "Report..." after a run that found every contact, until the preview's first page is painted.
Result filterReport(Context& c)
{
    TFilters& w = shownFilters(c);
    w.FilterButtonClick();
    QApplication::processEvents();
    Result r;
    r.program = 1e18;
    for (int i = 0; i < 3; ++i)
        r.program = std::min(r.program, timeToFirstPaint("qv::PreviewWindow", [&] { w.ReportButtonClick(); }));
    r.note = QStringLiteral("(%1 results)").arg(w.resultsModel()->resultCount());
    r.baseline = rawBest(c, 3, ResultColumns);
    w.hide();
    return r;
}

// The command from the menu until the report's preview, pie included, is painted, against one plain pass over
// the ten columns the analysis reads.
Result lookupAnalysis(Context& c)
{
    TMainDataModule& dm = c.dataModule();
    Result r;
    r.program = 1e18;
    for (int i = 0; i < 5; ++i)
        r.program = std::min(r.program, timeToFirstPaint("qv::PreviewWindow", [&] { runLookupDataAnalysis(dm); }));
    r.note = QStringLiteral("(%1 high-importance customers)").arg(analyseLookupData(dm).high);
    r.baseline = rawBest(c, 5,
                         "SELECT PersonType, CustoemrImportance, Gender, Household, EducationLevel, Industry, "
                         "CompanySize, Income, ProspectingMethod, ApproachType FROM People NOT INDEXED "
                         "WHERE CompanyID = (SELECT min(CompanyID) FROM Companies)");
    return r;
}

} // namespace

QV_BENCH_PATH("filter-run", filterRun);
QV_BENCH_PATH("lookup-analysis", lookupAnalysis);
QV_BENCH_PATH("filter-all", filterAll);
QV_BENCH_PATH("filter-report", filterReport);

} // namespace qv::bench

// Paths of the filters and the lookup data analysis: both scan the shared contacts of the running program.
#include "analysis/FilterResultsModel.h"
#include "analysis/FiltersForm.h"
#include "analysis/LookupDataAnalysis.h"
#include "app/Program.h"
#include "bench/Bench.h"
#include "data/DataModule.h"
#include "reports/TFReport.h"

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
    sqlite3* db = c.openRaw();
    const char* sql = "SELECT Name, PersonType, Mobile, TelCallback FROM People WHERE CompanyID = 1 "
                      "AND Gender = 'Male' COLLATE NOCASE AND PersonType = 'Customer' COLLATE NOCASE "
                      "AND Industry = 'Computers and Software' COLLATE NOCASE";
    rawRead(db, sql);
    r.baseline = bestOf(5, [&] { rawRead(db, sql); });
    closeRaw(db);
    w.hide();
    return r;
}

Result filterAll(Context& c)
{
    TFilters& w = shownFilters(c);
    Dataset* roles = c.dataModule().PeopleProjectDetail;
    int pages = 0;
    Result r;
    r.program = bestOf(3, [&] {
        w.FilterButtonClick();
        QApplication::processEvents();
        auto report = createTFReport(roles);
        report->bodyMemo().setLines(w.resultText());
        pages = report->compose().pageCount();
    });
    r.note = QStringLiteral("(%1 results, %2 pages)").arg(w.resultsModel()->resultCount()).arg(pages);
    sqlite3* db = c.openRaw();
    const char* sql = "SELECT Name FROM People WHERE CompanyID = 1";
    rawRead(db, sql);
    r.baseline = bestOf(3, [&] { rawRead(db, sql); });
    closeRaw(db);
    w.hide();
    return r;
}

Result lookupAnalysis(Context& c)
{
    TMainDataModule& dm = c.dataModule();
    Result r;
    int high = 0;
    r.program = bestOf(5, [&] { high = analyseLookupData(dm).high; });
    r.note = QStringLiteral("(%1 high-importance customers)").arg(high);
    sqlite3* db = c.openRaw();
    const auto raw = [db] {
        rawRead(db, "SELECT PersonType, CustoemrImportance, count(*) FROM People WHERE CompanyID = 1 "
                    "GROUP BY PersonType, CustoemrImportance");
        for (const char* field : {"Gender", "Household", "EducationLevel", "Industry", "CompanySize", "Income",
                                  "ProspectingMethod", "ApproachType"}) {
            const QByteArray sql = QByteArray("SELECT ") + field +
                                   ", count(*) FROM People WHERE CompanyID = 1 "
                                   "AND PersonType = 'Customer' AND CustoemrImportance = 'High' GROUP BY " +
                                   field;
            rawRead(db, sql.constData());
        }
    };
    raw();
    r.baseline = bestOf(5, raw);
    closeRaw(db);
    return r;
}

} // namespace

QV_BENCH_PATH("filter-run", filterRun);
QV_BENCH_PATH("lookup-analysis", lookupAnalysis);
QV_BENCH_PATH("filter-all", filterAll);

} // namespace qv::bench

// Paths of the data store: a refresh that finds nothing changed, the memory of the rows, and deleting every contact.
#include "app/Program.h"
#include "bench/Bench.h"
#include "data/DataModule.h"
#include "data/Schema.h"
#include "platform/RecordToolbar.h"
#include "records/DataEntry.h"

#include <QFile>
#include <malloc.h>
#include <memory>
#include <stdexcept>
#include <sqlcipher/sqlite3.h>

namespace qv::bench {

namespace {

std::unique_ptr<TMainDataModule> connectedModule(const Context& c)
{
    auto dm = std::make_unique<TMainDataModule>();
    dm->MainADOConnection->setConnectionString(Program::connectionStringFor(c.folder()));
    dm->MainADOConnection->open();
    return dm;
}

// Not a ratio: a refresh with nothing written since the last read must not read again.
Result refreshUnchanged(Context& c)
{
    TMainDataModule& dm = c.dataModule();
    Dataset* people = dm.PeopleCompanyDet;
    people->refresh(); // take in whatever an earlier path wrote
    Result r;
    const int rounds = 200;
    r.program = bestOf(3,
                       [&] {
                           for (int i = 0; i < rounds; ++i) {
                               people->refresh();
                               if (!people->lastRefreshSkipped())
                                   throw CheckFailed("a refresh read the contacts again although nothing changed");
                           }
                       }) /
                rounds;
    // And the check can fail: after another writer's change the refresh must read.
    sqlite3* db = c.openRaw();
    rawExec(db, "UPDATE People SET Info = Info WHERE rowid = (SELECT min(rowid) FROM People)");
    closeRaw(db);
    people->refresh();
    if (people->lastRefreshSkipped()) throw CheckFailed("a refresh missed another writer's change");
    r.note = QStringLiteral("(check passed: %1 ms a skipped refresh)").arg(r.program, 0, 'f', 4);
    r.program = 0;
    return r;
}

size_t heapInUse()
{
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd; // small blocks and memory-mapped ones
}

// What the rows cost in memory once open-all is done (the page cache given back), against their text bytes.
Result rowsMemory(Context& c)
{
    Result r;
    r.memory = true;
    auto dm = connectedModule(c);
    malloc_trim(0);
    const size_t before = heapInUse();
    dm->openAll(true);
    malloc_trim(0);
    const size_t after = heapInUse();
    size_t text = 0, held = 0;
    for (Dataset* d : dm->datasets()) {
        text += d->textBytes();
        held += d->heapBytes();
    }
    // A sanitizer's allocator answers the counts with zeros: no measurement, rather than a ratio of nothing.
    if (after <= before && text > 0)
        throw std::runtime_error("the allocator does not count its use (a sanitizer build?): nothing to measure");
    r.program = (double(after) - double(before)) / (1024.0 * 1024.0);
    r.baseline = double(text) / (1024.0 * 1024.0);
    r.note = QStringLiteral("(datasets' own count %1 MB, engine %2 MB)")
                 .arg(double(held) / (1024.0 * 1024.0), 0, 'f', 2)
                 .arg(double(sqlite3_memory_used()) / (1024.0 * 1024.0), 0, 'f', 2);
    return r;
}

// "Delete all records" answered with Yes to All, against one raw DELETE of the same rows on a fresh connection, in
// turns; each side works on a copy of the file as it was, the program's put back under it after each run.
Result deleteAll(Context& c)
{
    TMainDataModule& dm = c.dataModule();
    TDataEntryForm& form = *c.program().dataEntryForm();
    const QString kept = c.folder() + "kept.qv", rawCopy = c.folder() + "delete-all-raw.qv";
    const int count = dm.PeopleCompanyDet->recordCount();
    c.copyDatabase(c.databasePath(), kept);
    const std::vector<double> best = bestInTurns(
        5, {[&] {
                const double ms = timed([&] { form.ContactToolbar->deleteAllRecords(); });
                if (dm.PeopleCompanyDet->recordCount() != 0) throw std::runtime_error("contacts left after delete all");
                c.withProgramClosed([&] { c.copyDatabase(kept, c.databasePath()); });
                return ms;
            },
            [&] {
                c.copyDatabase(kept, rawCopy);
                sqlite3* db = c.openRaw(rawCopy);
                const double ms = timed([&] {
                    rawExec(db, "BEGIN IMMEDIATE");
                    rawExec(db, "DELETE FROM People WHERE CompanyID = (SELECT min(CompanyID) FROM Companies)");
                    rawExec(db, "COMMIT");
                });
                closeRaw(db);
                return ms;
            }});
    if (dm.PeopleCompanyDet->recordCount() != count) throw std::runtime_error("the contacts did not come back");
    QFile::remove(kept);
    QFile::remove(rawCopy);
    Result r;
    r.program = best[0];
    r.baseline = best[1];
    r.note = QStringLiteral("(%1 contacts; floor: one DELETE of the same rows in one transaction)").arg(count);
    return r;
}

} // namespace

QV_BENCH_PATH("refresh-unchanged", refreshUnchanged);
QV_BENCH_PATH("rows-memory", rowsMemory);
QV_BENCH_PATH("delete-all", deleteAll);

} // namespace qv::bench

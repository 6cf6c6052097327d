// Paths of the data store: start-up's open-all, a refresh that finds nothing changed, the memory of the rows.
#include "app/Program.h"
#include "bench/Bench.h"
#include "data/DataModule.h"
#include "data/Schema.h"

#include <malloc.h>
#include <memory>
#include <sqlcipher/sqlite3.h>

namespace qv::bench {

namespace {

QString connectionString(const Context& c) { return Program::connectionStringFor(c.folder()); }

std::unique_ptr<TMainDataModule> connectedModule(const Context& c)
{
    auto dm = std::make_unique<TMainDataModule>();
    dm->MainADOConnection->setConnectionString(connectionString(c));
    dm->MainADOConnection->open();
    return dm;
}

void rawReadEverything(sqlite3* db)
{
    for (const TableDef& t : schemaTables())
        rawRead(db, QStringLiteral("SELECT * FROM %1").arg(t.name).toUtf8().constData());
    rawRead(db, TMainDataModule::professionSql());
}

Result openAll(Context& c)
{
    Result r;
    // Each side starts from a fresh connection, so both decrypt the file from disk once.
    r.program = bestOf(3, [&] {
        auto dm = connectedModule(c);
        dm->openAll(true);
    });
    // The connection itself (key derivation) is not part of open-all: subtract it by timing it alone.
    const double connectOnly = bestOf(3, [&] { connectedModule(c); });
    r.program -= connectOnly;
    r.baseline = bestOf(3, [&] {
        sqlite3* db = c.openRaw();
        rawReadEverything(db);
        closeRaw(db);
    });
    const double rawConnectOnly = bestOf(3, [&] { closeRaw(c.openRaw()); });
    r.baseline -= rawConnectOnly;
    return r;
}

Result refreshUnchanged(Context& c)
{
    TMainDataModule& dm = c.dataModule();
    Result r;
    const int rounds = 200;
    r.program = bestOf(3,
                       [&] {
                           for (int i = 0; i < rounds; ++i) dm.PeopleCompanyDet->refresh();
                       }) /
                rounds;
    if (!dm.PeopleCompanyDet->lastRefreshSkipped()) r.note = "(re-read although nothing changed)";
    sqlite3* db = c.openRaw();
    rawRead(db, "SELECT * FROM People");
    r.baseline = bestOf(3, [&] { rawRead(db, "SELECT * FROM People"); });
    closeRaw(db);
    return r;
}

Result rowsMemory(Context& c)
{
    Result r;
    r.memory = true;
    auto dm = connectedModule(c);
    malloc_trim(0);
    // The engine's page cache is not the datasets' memory: take its growth out of the heap's.
    const size_t before = mallinfo2().uordblks;
    const sqlite3_int64 engineBefore = sqlite3_memory_used();
    dm->openAll(true);
    const size_t after = mallinfo2().uordblks;
    const sqlite3_int64 engineAfter = sqlite3_memory_used();
    size_t text = 0;
    for (Dataset* d : dm->datasets()) text += d->textBytes();
    r.program = double(after - before - size_t(engineAfter - engineBefore)) / (1024.0 * 1024.0);
    r.baseline = double(text) / (1024.0 * 1024.0);
    return r;
}

} // namespace

QV_BENCH_PATH("open-all", openAll);
QV_BENCH_PATH("refresh-unchanged", refreshUnchanged);
QV_BENCH_PATH("rows-memory", rowsMemory);

} // namespace qv::bench

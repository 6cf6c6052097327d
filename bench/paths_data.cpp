// Paths of the data store: launching the program, start-up's open-all, a refresh that finds nothing changed, the
// memory of the rows, and deleting every contact.
#include "app/Program.h"
#include "bench/Bench.h"
#include "data/DataModule.h"
#include "data/Schema.h"
#include "platform/RecordToolbar.h"
#include "records/DataEntry.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <malloc.h>
#include <memory>
#include <stdexcept>
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
    rawReadAllTables(db);
    rawRead(db, TMainDataModule::professionSql());
}

Result openAll(Context& c)
{
    // Each side starts from a fresh connection, so both decrypt the file from disk once. The connection itself (key
    // derivation) is not part of open-all: it is timed alone and subtracted. The four run in turns, best of five
    // each, so that another process's load falls on both sides alike.
    double program = 1e18, connectOnly = 1e18, baseline = 1e18, rawConnectOnly = 1e18;
    const auto timed = [](const std::function<void()>& f) {
        QElapsedTimer t;
        t.start();
        f();
        return double(t.nsecsElapsed()) / 1e6;
    };
    for (int i = 0; i < 5; ++i) {
        program = std::min(program, timed([&] {
                               auto dm = connectedModule(c);
                               dm->openAll(true);
                           }));
        connectOnly = std::min(connectOnly, timed([&] { connectedModule(c); }));
        baseline = std::min(baseline, timed([&] {
                                sqlite3* db = c.openRaw();
                                rawReadEverything(db);
                                closeRaw(db);
                            }));
        rawConnectOnly = std::min(rawConnectOnly, timed([&] { closeRaw(c.openRaw()); }));
    }
    Result r;
    r.program = program - connectOnly;
    r.baseline = baseline - rawConnectOnly;
    return r;
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

// One process of the launch path: wall time from its start to its report line, and the peak memory it reports.
struct Launch {
    double ms = 0;
    double peakMb = 0;
};

Launch launchOnce(const Context& c, const QString& mode)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    child.start(QCoreApplication::applicationFilePath(), {"--launch-child", mode, c.folder()});
    if (!child.waitForReadyRead(600000)) throw std::runtime_error("the launched process reported nothing");
    Launch l;
    l.ms = double(timer.nsecsElapsed()) / 1e6;
    l.peakMb = child.readAllStandardOutput().trimmed().toDouble();
    child.waitForFinished(60000);
    return l;
}

// The real program from process start to the end of its main window's first paint (splash, every window,
// connection, open-all, the main window shown), against a process that opens the file and reads the same tables
// into memory. Both are this executable started afresh; their peak memory is the launch-memory path.
Launch programLaunch, rawLaunch;

Result launch(Context& c)
{
    programLaunch = rawLaunch = {1e18, 1e18};
    for (int i = 0; i < 3; ++i)
        for (const QString& mode : {QStringLiteral("program"), QStringLiteral("raw")}) {
            const Launch l = launchOnce(c, mode);
            Launch& best = mode == QLatin1String("raw") ? rawLaunch : programLaunch;
            best.ms = std::min(best.ms, l.ms);
            best.peakMb = std::min(best.peakMb, l.peakMb);
        }
    Result r;
    r.program = programLaunch.ms;
    r.baseline = rawLaunch.ms;
    return r;
}

Result launchMemory(Context& c)
{
    if (programLaunch.ms >= 1e18) launch(c);
    Result r;
    r.memory = true;
    r.program = programLaunch.peakMb;
    r.baseline = rawLaunch.peakMb;
    r.note = QStringLiteral("(peak resident memory)");
    return r;
}

// "Delete all records" answered with Yes to All, on a copy of the file put back after each run, against one raw
// DELETE of the same rows on a fresh connection to the same copy.
Result deleteAll(Context& c)
{
    TMainDataModule& dm = c.dataModule();
    TDataEntryForm& form = *c.program().dataEntryForm();
    Connection& connection = *dm.MainADOConnection;
    const QString kept = c.folder() + "kept.qv";
    const int count = dm.PeopleCompanyDet->recordCount();
    c.copyDatabase(c.databasePath(), kept);
    const auto putBack = [&] {
        dm.openAll(false);
        connection.close();
        c.copyDatabase(kept, c.databasePath());
        connection.open();
        dm.openAll(true);
    };
    Result r;
    // The raw side first: the program's connection is then opened on the file as finally put back.
    r.baseline = 1e18;
    for (int i = 0; i < 5; ++i) {
        sqlite3* db = c.openRaw();
        QElapsedTimer t;
        t.start();
        rawExec(db, "BEGIN IMMEDIATE");
        rawExec(db, "DELETE FROM People WHERE CompanyID = (SELECT min(CompanyID) FROM Companies)");
        rawExec(db, "COMMIT");
        r.baseline = std::min(r.baseline, double(t.nsecsElapsed()) / 1e6);
        closeRaw(db);
        c.copyDatabase(kept, c.databasePath());
    }
    putBack();
    r.program = 1e18;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer t;
        t.start();
        form.ContactToolbar->deleteAllRecords();
        r.program = std::min(r.program, double(t.nsecsElapsed()) / 1e6);
        if (dm.PeopleCompanyDet->recordCount() != 0) throw std::runtime_error("contacts left after delete all");
        putBack();
    }
    if (dm.PeopleCompanyDet->recordCount() != count) throw std::runtime_error("the contacts did not come back");
    QFile::remove(kept);
    r.note = QStringLiteral("(%1 contacts)").arg(count);
    return r;
}

} // namespace

QV_BENCH_PATH("launch", launch);
QV_BENCH_PATH("launch-memory", launchMemory);
QV_BENCH_PATH("open-all", openAll);
QV_BENCH_PATH("refresh-unchanged", refreshUnchanged);
QV_BENCH_PATH("rows-memory", rowsMemory);
QV_BENCH_PATH("delete-all", deleteAll);

} // namespace qv::bench

// Paths of backup and restore: the consistent copy of the open database, and the check a restore makes of the file
// it is given. Baselines: a plain copy of the file synced to disk, and the engine's own page check on a raw handle.
#include "bench/Bench.h"
#include "data/DataModule.h"
#include "data/DatabaseFiles.h"
#include "data/Installer.h"

#include <QFile>
#include <fcntl.h>
#include <sqlcipher/sqlite3.h>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace qv::bench {

namespace {

void plainCopy(const QString& from, const QString& to)
{
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY);
    const int out = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (in < 0 || out < 0) throw std::runtime_error("plain copy: cannot open");
    std::vector<char> buffer(1 << 20);
    for (ssize_t n; (n = ::read(in, buffer.data(), buffer.size())) > 0;)
        if (::write(out, buffer.data(), size_t(n)) != n) throw std::runtime_error("plain copy: write failed");
    ::fsync(out);
    ::close(out);
    ::close(in);
}

Result backupCopy(Context& c)
{
    Connection& connection = *c.dataModule().MainADOConnection;
    const QString target = c.folder() + "bench-backup.QVB";
    Result r;
    r.program = bestOf(3, [&] {
        if (!dbfiles::copyOpenDatabase(connection, target)) throw std::runtime_error("backup copy failed");
        QFile::remove(target);
    });
    r.baseline = bestOf(3, [&] {
        plainCopy(c.databasePath(), target);
        QFile::remove(target);
    });
    return r;
}

Result restoreCheck(Context& c)
{
    Result r;
    r.program = bestOf(3, [&] {
        if (!dbfiles::databaseFileProblem(c.databasePath(), DatabasePassword).isEmpty())
            throw std::runtime_error("restore check refused the file");
    });
    r.baseline = bestOf(3, [&] {
        sqlite3* db = c.openRaw();
        rawRead(db, "PRAGMA quick_check");
        closeRaw(db);
    });
    return r;
}

} // namespace

QV_BENCH_PATH("backup-copy", backupCopy);
QV_BENCH_PATH("restore-check", restoreCheck);

} // namespace qv::bench

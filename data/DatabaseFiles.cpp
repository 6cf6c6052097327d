#include "data/DatabaseFiles.h"
#include "data/Connection.h"
#include "data/DatabaseError.h"
#include "data/EncryptedFile.h"
#include "data/Schema.h"
#include "data/UnfinishedWork.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sqlcipher/sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace qv::dbfiles {

namespace {

constexpr qint64 ChunkBytes = 1 << 20;

QString systemError(const QString& what, int error)
{
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(error)));
}

void setWhy(QString* why, const QString& text)
{
    if (why) *why = text;
}

void syncFolder(const QString& folder)
{
    // The new name must survive a power cut as well as the bytes behind it.
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

std::function<void(const QString&)>& stepWatcher()
{
    static std::function<void(const QString&)> watcher;
    return watcher;
}

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

bool renameNoReplace(const QByteArray& a, const QByteArray& b)
{
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
    // File systems without the no-replace rename: a hard link fails on an existing name just as well.
    if (::link(a.constData(), b.constData()) == 0) {
        ::unlink(a.constData());
        return true;
    }
    if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP) return false;
    struct stat st;
    if (::lstat(b.constData(), &st) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(a.constData(), b.constData()) == 0;
}

// A file being written beside its final name. It takes that name only when every byte is written and synced;
// otherwise it is removed, so a failed copy never leaves a part of a file behind. While it is written it is locked,
// so that the tidying of another starting copy of the program leaves it alone; one that a killed process left is
// removed by the next start.
class PendingFile {
public:
    explicit PendingFile(const QString& target) : m_target(target) {}
    ~PendingFile()
    {
        if (!m_path.isEmpty()) ::unlink(m_path.constData());
        if (m_fd >= 0) ::close(m_fd);
    }

    bool create(QString* why)
    {
        passStep(QStringLiteral("create ") + shown(temporaryNamePattern(m_target)));
        QByteArray pattern = QFile::encodeName(m_target) + ".tmp-XXXXXX";
        // Made 0600 and left so: the copy holds every record and the key is the program's own.
        m_fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (m_fd < 0) {
            setWhy(why, systemError(shown(QFileInfo(m_target).absolutePath()), errno));
            return false;
        }
        m_path = pattern;
        holdAgainstTidying(m_fd);
        passStep(QStringLiteral("write ") + shown(temporaryNamePattern(m_target)));
        return true;
    }

    bool write(const char* data, qint64 bytes, QString* why)
    {
        while (bytes > 0) {
            const ssize_t n = ::write(m_fd, data, size_t(bytes));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                setWhy(why, systemError(shown(m_target), n < 0 ? errno : ENOSPC));
                return false;
            }
            data += n;
            bytes -= n;
        }
        return true;
    }

    // Replace puts the copy over an existing target in one step, so that there is always one whole file of that
    // name; replaceFailed then tells that the existing target refused.
    bool finish(QString* why, Existing existing = Existing::Keep, bool* replaceFailed = nullptr)
    {
        if (::fsync(m_fd) != 0) {
            setWhy(why, systemError(shown(m_target), errno));
            return false;
        }
        passStep(QStringLiteral("rename %1 to %2").arg(shown(temporaryNamePattern(m_target)), shown(m_target)));
        const QByteArray target = QFile::encodeName(m_target);
        const bool placed = existing == Existing::Replace ? ::rename(m_path.constData(), target.constData()) == 0
                                                          : renameNoReplace(m_path, target);
        if (!placed) {
            if (replaceFailed) *replaceFailed = existing == Existing::Replace && errno != ENOENT;
            setWhy(why, systemError(shown(m_target), errno));
            return false;
        }
        m_path.clear();
        // Open until here, so that the lock keeps another start's tidying away until the copy has its name. The
        // bytes are synced already: closing has nothing left to report.
        ::close(m_fd);
        m_fd = -1;
        syncFolder(QFileInfo(m_target).absolutePath());
        return true;
    }

private:
    QString m_target;
    QByteArray m_path;
    int m_fd = -1;
};

} // namespace

bool copyOpenDatabase(Connection& connection, const QString& target, QString* why, Existing existing,
                      bool* replaceFailed)
{
    try {
        sqlite3* db = connection.handle();
        // Inside a write transaction the file may hold pages that are not committed yet.
        if (connection.inTransaction()) throw DatabaseError(QStringLiteral("a transaction is in progress"));
        sqlite3_file* file = nullptr;
        if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file || !file->pMethods)
            throw DatabaseError(QStringLiteral("the database file cannot be read"));
        PendingFile out(target);
        if (!out.create(why)) return false;
        {
            // The first read takes SQLite's shared lock, held until the end of the transaction: a writer in another
            // process waits (its busy timeout) until the bytes are read; syncing comes after, outside the lock.
            Transaction read(connection, Connection::TransactionKind::Read);
            connection.exec(QStringLiteral("SELECT count(*) FROM sqlite_master;"));
            sqlite3_int64 size = 0;
            if (file->pMethods->xFileSize(file, &size) != SQLITE_OK)
                throw DatabaseError(QStringLiteral("the size of the database file cannot be read"));
            std::vector<char> buffer(ChunkBytes);
            for (sqlite3_int64 offset = 0; offset < size; offset += ChunkBytes) {
                const int bytes = int(std::min<sqlite3_int64>(ChunkBytes, size - offset));
                if (file->pMethods->xRead(file, buffer.data(), bytes, offset) != SQLITE_OK)
                    throw DatabaseError(QStringLiteral("the database file cannot be read"));
                if (!out.write(buffer.data(), bytes, why)) return false;
            }
            read.commit();
        }
        return out.finish(why, existing, replaceFailed);
    } catch (const DatabaseError& e) {
        setWhy(why, e.message());
        return false;
    }
}

bool copyFile(const QString& source, const QString& target, QString* why)
{
    // Not blocking on the open, and nothing but a regular file read: a named pipe would wait for a writer forever.
    const int in = ::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (in < 0) {
        setWhy(why, systemError(shown(source), errno));
        return false;
    }
    struct stat st;
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        setWhy(why, shown(source) + QStringLiteral(": not a regular file"));
        ::close(in);
        return false;
    }
    bool ok = false;
    {
        PendingFile out(target);
        if (out.create(why)) {
            std::vector<char> buffer(ChunkBytes);
            for (;;) {
                const ssize_t n = ::read(in, buffer.data(), buffer.size());
                if (n < 0 && errno == EINTR) continue;
                if (n < 0) {
                    setWhy(why, systemError(QDir::toNativeSeparators(source), errno));
                    break;
                }
                if (n == 0) {
                    ok = out.finish(why);
                    break;
                }
                if (!out.write(buffer.data(), n, why)) break;
            }
        }
    }
    ::close(in);
    return ok;
}

bool renameFile(const QString& from, const QString& to)
{
    passStep(QStringLiteral("rename %1 to %2").arg(shown(from), shown(to)));
    return renameNoReplace(QFile::encodeName(from), QFile::encodeName(to));
}

bool removeFile(const QString& path)
{
    passStep(QStringLiteral("remove ") + shown(path));
    return ::unlink(QFile::encodeName(path).constData()) == 0;
}

QString temporaryNamePattern(const QString& target) { return target + QStringLiteral(".tmp-XXXXXX"); }

void setStepWatcher(std::function<void(const QString& step)> watcher) { stepWatcher() = std::move(watcher); }

void passStep(const QString& step)
{
    if (stepWatcher()) stepWatcher()(step);
}

QString databaseFileProblem(const QString& path, const QString& password, Check check)
{
    // Opening a named pipe or a device would wait or read what is not a file.
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode))
        return QStringLiteral("it is not a regular file");
    EngineHandle handle;
    try {
        // Another copy of the program committing meanwhile is waited for, not taken for damage.
        handle = openEncryptedFile(path, password, FileOpening::ReadOnly, 5000);
    } catch (const DatabaseError& e) {
        // Reading the schema is where a wrong password or a file of another kind shows.
        return e.code() == SQLITE_NOTADB ? QStringLiteral("the password does not open it") : e.message();
    }
    sqlite3* db = handle.get();
    const auto engineText = [db] { return engineErrorText(db, SQLITE_ERROR); };
    for (const TableDef& table : schemaTables()) {
        sqlite3_stmt* st = nullptr;
        const QByteArray sql = QStringLiteral("PRAGMA table_info([%1]);").arg(table.name).toUtf8();
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) != SQLITE_OK) return engineText();
        QSet<QString> columns;
        while (sqlite3_step(st) == SQLITE_ROW)
            columns.insert(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1))).toLower());
        sqlite3_finalize(st);
        if (columns.isEmpty()) return QStringLiteral("the table %1 is missing").arg(table.name);
        for (const ColumnDef& column : table.columns)
            if (!columns.contains(column.name.toLower()))
                return QStringLiteral("the column %1.%2 is missing").arg(table.name, column.name);
    }
    if (check == Check::Opens) return {};
    // A file cut short or damaged in places still opens; the check reads every page.
    sqlite3_stmt* pages = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA quick_check;", -1, &pages, nullptr) != SQLITE_OK) return engineText();
    QString verdict;
    if (sqlite3_step(pages) == SQLITE_ROW)
        verdict = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(pages, 0)));
    else
        verdict = engineText();
    sqlite3_finalize(pages);
    if (verdict != QLatin1String("ok")) return QStringLiteral("damaged: %1").arg(verdict);
    return {};
}

} // namespace qv::dbfiles

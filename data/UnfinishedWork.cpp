#include "data/UnfinishedWork.h"
#include "data/DatabaseFiles.h"
#include "data/FileLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

constexpr const char* PendingSuffix = ".pending-";
constexpr const char* SixLettersOrDigits = "[A-Za-z0-9]{6}"; // what mkostemp and Qt put for XXXXXX

QByteArray encodedPath(const QString& path) { return QFile::encodeName(path).toPercentEncoding(); }
QString decodedPath(const QByteArray& field) { return QFile::decodeName(QByteArray::fromPercentEncoding(field)); }

bool taken(const QString& path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

QString temporariesPattern(const QString& target)
{
    return QRegularExpression::escape(QFileInfo(target).fileName()) + QStringLiteral("\\.tmp-") + SixLettersOrDigits;
}

// Whether the name still leads to the file that was opened, so that what is removed is what was checked.
bool sameFile(const QByteArray& path, const struct stat& opened)
{
    struct stat now;
    return ::lstat(path.constData(), &now) == 0 && now.st_dev == opened.st_dev && now.st_ino == opened.st_ino;
}

// Opens a leftover of this user without following a link and takes its lock; -1 when it is not ours or still held.
int openUnheld(const QByteArray& path, bool folder, struct stat& st)
{
    if (::lstat(path.constData(), &st) != 0 || st.st_uid != ::geteuid()) return -1;
    if (folder ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode)) return -1;
    const int fd =
        ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | (folder ? O_DIRECTORY : 0));
    if (fd < 0) return -1;
    struct stat opened;
    if (::fstat(fd, &opened) != 0 || opened.st_ino != st.st_ino || opened.st_dev != st.st_dev ||
        ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// A note whose process died: its renames are undone where the renamed file is still there and its old name free,
// and the temporary copies it named are removed.
void followNote(const QByteArray& note, int fd)
{
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) return;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 3 && fields[0] == "renamed") {
            const QString original = decodedPath(fields[1]), current = decodedPath(fields[2]);
            if (taken(current) && !taken(original)) dbfiles::renameFile(current, original);
        } else if (fields.size() == 2 && fields[0] == "temporaries") {
            const QString target = decodedPath(fields[1]);
            removeLeftovers(QFileInfo(target).absolutePath(), temporariesPattern(target));
        }
    }
    ::unlink(note.constData());
}

void followAbandonedNotes(const QString& folder, const QString& databaseName)
{
    const QRegularExpression name(QRegularExpression::anchoredPattern(QRegularExpression::escape(databaseName) +
                                                                      PendingSuffix + SixLettersOrDigits));
    for (const QString& entry : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!name.match(entry).hasMatch()) continue;
        const QByteArray path = QFile::encodeName(folder + '/' + entry);
        struct stat st;
        const int fd = openUnheld(path, false, st);
        if (fd < 0) continue;
        if (sameFile(path, st)) followNote(path, fd);
        ::close(fd);
    }
}

QString freeNameBeside(const QString& path, const QString& suffix)
{
    QString candidate = path + suffix;
    for (int n = 2; taken(candidate) && n < 1000; ++n) candidate = path + suffix + QString::number(n);
    return taken(candidate) ? QString() : candidate;
}

// A restore sets the live file aside under ".BAK" while it copies the backup in. Killed in between, it leaves no
// live file, or (copied by hand, or half-copied by an older version) one that does not open: the set-aside file,
// if it is whole, is the user's data.
QString putBackSetAsideFile(const QString& databasePath, const QString& password)
{
    const QString setAside = databasePath + QStringLiteral(".BAK");
    if (!taken(setAside)) return {};
    // A restore running in another copy holds it while it copies: once that one is done, there is nothing to do.
    FileLock restoring;
    if (!restoring.acquire(setAside, FileLock::Kind::Exclusive, 5000)) return {};
    const bool missing = !taken(databasePath);
    if (!missing && dbfiles::databaseFileProblem(databasePath, password, dbfiles::Check::Opens).isEmpty()) return {};
    if (!dbfiles::databaseFileProblem(setAside, password).isEmpty()) return {};
    QString keptAs;
    if (!missing) {
        keptAs = freeNameBeside(databasePath, QStringLiteral(".damaged"));
        if (keptAs.isEmpty() || !dbfiles::renameFile(databasePath, keptAs)) return {};
    }
    if (!dbfiles::renameFile(setAside, databasePath)) {
        if (!keptAs.isEmpty()) dbfiles::renameFile(keptAs, databasePath);
        return {};
    }
    QString told = QStringLiteral("Quorvane PRO 2005 was stopped while it was restoring the database. The database "
                                  "as it was before the restore has been put back.");
    if (!keptAs.isEmpty())
        told += QStringLiteral(" The file that was in its place could not be opened; it has been kept as %1.")
                    .arg(QDir::toNativeSeparators(keptAs));
    return told;
}

// The database holds every record under the program's own key: other users of the machine get no access to it,
// whatever an older version or a copy by hand left.
void keepPrivate(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st;
    if (::lstat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) return;
    if (st.st_mode & (S_IRWXG | S_IRWXO)) ::chmod(native.constData(), st.st_mode & S_IRWXU);
}

} // namespace

WorkNote::WorkNote(const QString& databasePath)
{
    QByteArray pattern = QFile::encodeName(databasePath) + PendingSuffix + "XXXXXX";
    m_fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (m_fd < 0) return;
    m_path = pattern;
    holdAgainstTidying(m_fd);
}

WorkNote::~WorkNote()
{
    if (m_fd < 0) return;
    dbfiles::removeFile(QFile::decodeName(m_path));
    ::close(m_fd);
}

void WorkNote::noteTemporariesOf(const QString& target) { append("temporaries " + encodedPath(target) + '\n'); }

void WorkNote::noteRenamed(const QString& original, const QString& current)
{
    append("renamed " + encodedPath(original) + ' ' + encodedPath(current) + '\n');
}

void WorkNote::append(const QByteArray& line)
{
    // One write per line: a kill leaves whole lines, and a line reaches the file before the step it announces.
    if (m_fd >= 0 && ::write(m_fd, line.constData(), size_t(line.size())) != line.size()) {
        ::close(m_fd);
        ::unlink(m_path.constData());
        m_fd = -1;
    }
}

QString tidyAfterInterruptedWork(const QString& databasePath, const QString& password)
{
    const QFileInfo database(databasePath);
    const QString folder = database.absolutePath();
    followAbandonedNotes(folder, database.fileName());
    removeLeftovers(folder, temporariesPattern(databasePath));
    const QString told = putBackSetAsideFile(databasePath, password);
    keepPrivate(databasePath);
    return told;
}

int removeLeftovers(const QString& folder, const QString& pattern, const QString& inside)
{
    const QRegularExpression name(QRegularExpression::anchoredPattern(pattern));
    const QRegularExpression content(QRegularExpression::anchoredPattern(inside));
    const bool folders = !inside.isEmpty();
    int removed = 0;
    const auto entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        if (!name.match(entry).hasMatch()) continue;
        const QString path = folder + '/' + entry;
        const QByteArray native = QFile::encodeName(path);
        struct stat st;
        const int fd = openUnheld(native, folders, st);
        if (fd < 0) continue;
        if (sameFile(native, st)) {
            if (folders) {
                const QStringList files =
                    QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
                bool onlyOurs = true;
                for (const QString& file : files) {
                    struct stat f;
                    const QByteArray fileName = QFile::encodeName(file);
                    onlyOurs = onlyOurs && content.match(file).hasMatch() &&
                               ::fstatat(fd, fileName.constData(), &f, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(f.st_mode);
                }
                if (onlyOurs) {
                    for (const QString& file : files) ::unlinkat(fd, QFile::encodeName(file).constData(), 0);
                    if (::rmdir(native.constData()) == 0) ++removed;
                }
            } else if (::unlink(native.constData()) == 0) {
                ++removed;
            }
        }
        ::close(fd);
    }
    return removed;
}

void holdAgainstTidying(int fd) { ::flock(fd, LOCK_EX | LOCK_NB); }

} // namespace qv

#include "app/DatabaseLocation.h"
#include "data/DatabaseError.h"
#include "data/DatabaseFiles.h"
#include "data/Installer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <unistd.h>

namespace qv {

namespace {
QString withSeparator(QString folder)
{
    folder = QDir::toNativeSeparators(folder);
    if (!folder.endsWith(QDir::separator())) folder += QDir::separator();
    return folder;
}
} // namespace

QString userDatabaseFolder()
{
    return withSeparator(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                         QStringLiteral("/Quorvane"));
}

QString databaseFolderFor(const QString& programFolder)
{
    // access() rather than the permission bits: it also knows read-only mounts and immutable folders.
    if (::access(QFile::encodeName(programFolder).constData(), W_OK) == 0) return withSeparator(programFolder);
    return userDatabaseFolder();
}

void prepareUserDatabase(const QString& folder)
{
    if (folder != userDatabaseFolder()) return;
    if (!QFileInfo::exists(folder)) {
        // The database is encrypted with a key every copy of the program knows: the folder is the user's alone.
        if (!QDir().mkpath(folder) ||
            !QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner))
            throw DatabaseError(QStringLiteral("The folder %1 for your database could not be made.").arg(folder));
    }
    const QString path = folder + QString::fromLatin1(DatabaseFileName);
    // A file that is there, even a damaged one, is the user's to restore: never replaced.
    if (QFileInfo::exists(path)) return;
    // The temporary name is one the next start tidies away should this one be killed.
    QString temporary = dbfiles::temporaryNamePattern(path);
    static const char Alphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int i = temporary.size() - 6; i < temporary.size(); ++i)
        temporary[i] = QLatin1Char(Alphabet[QRandomGenerator::global()->bounded(int(sizeof Alphabet - 1))]);
    createDatabaseFile(temporary);
    // Another copy started at the same moment may have put its own in place first: then that one is used.
    if (!dbfiles::renameFile(temporary, path)) {
        dbfiles::removeFile(temporary);
        if (!QFileInfo::exists(path))
            throw DatabaseError(QStringLiteral("Your database file %1 could not be made.").arg(path));
    }
}

} // namespace qv

#include "app/BackupRestore.h"
#include "data/Connection.h"
#include "data/DatabaseError.h"
#include "data/DatabaseFiles.h"
#include "data/FileLock.h"
#include "platform/FileDialogs.h"
#include "platform/Messages.h"
#include "platform/ProgramEnd.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qv {

namespace {

bool pathTaken(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// Connecting again after a restore step; a failure is shown and the restore goes on to its end.
void reconnect(Connection& connection)
{
    try {
        connection.open();
    } catch (const DatabaseError& e) {
        showError(e.message());
    }
}

} // namespace

void backupDatabase(Connection& connection, const QString& databasePath)
{
    const QString chosen = chooseFileToSave(BackupFileFilter, QStringLiteral("Quorvane"));
    if (chosen.isEmpty()) return;
    if (!QFileInfo::exists(databasePath)) return;
    // Appended whatever the name ends with: an existing "x.QVB" chosen gives "x.QVB.QVB".
    const QString target = chosen + QStringLiteral(".QVB");
    if (!pathTaken(target)) {
        if (!dbfiles::copyOpenDatabase(connection, target)) showError("Unable to create backup file.");
        return;
    }
    if (!askYesNo("The file " + QDir::toNativeSeparators(chosen) +
                  ".QVB already exists. Do you want to replace the existing file?"))
        return;
    // The old backup goes only once the new copy is complete and synced, so a full disk leaves the old one.
    bool removeFailed = false;
    const auto makeRoom = [&] {
        removeFailed = !QFile::remove(target);
        return !removeFailed;
    };
    if (!dbfiles::copyOpenDatabase(connection, target, nullptr, makeRoom))
        showError(removeFailed ? "Unable to replace backup file." : "Unable to create backup file.");
}

void restoreDatabase(Connection& connection, const QString& databasePath)
{
    const QString setAside = databasePath + QStringLiteral(".BAK");
    QFile::remove(setAside); // left by an interrupted restore; a failure is of no consequence here

    const QString chosen = chooseFileToOpen(BackupFileFilter);
    if (chosen.isEmpty()) return;
    // Without this the live file would be swapped for whatever was chosen and the old one deleted.
    const QString problem = dbfiles::databaseFileProblem(chosen, connection.password());
    if (!problem.isEmpty()) {
        showError("The file " + QDir::toNativeSeparators(chosen) +
                  " cannot be restored: it is not a Quorvane PRO 2005 database, or it is damaged (" + problem +
                  "). The existing database has not been changed.");
        return;
    }
    if (!askYesNo("This will overwrite the existing database. Proceed?")) return;

    const QString working = QFileInfo(chosen).absolutePath() + QStringLiteral("/Quorvane.qv");
    if (!dbfiles::renameFile(chosen, working)) {
        showError("Unable to initialize database restore process. Please move the backup file to be restored to "
                  "another folder.");
        return;
    }
    connection.close();
    // Another running copy holds a shared lock while it is connected; renaming the file under it would leave it
    // writing into a file that is then deleted.
    FileLock sole;
    if (!sole.acquire(databasePath, FileLock::Kind::Exclusive, 0) || !dbfiles::renameFile(databasePath, setAside)) {
        sole.release();
        showError("Unable to overwrite existing database.");
        dbfiles::renameFile(working, chosen);
        reconnect(connection);
        return;
    }
    if (dbfiles::copyFile(working, databasePath)) {
        dbfiles::renameFile(working, chosen);
        QFile::remove(setAside);
        sole.release();
        reconnect(connection);
        showInformation("Quorvane PRO 2005 will close now. Restored database will be loaded the next time you run "
                        "Quorvane PRO 2005.");
    } else {
        showError("Unable to restore database.");
        dbfiles::renameFile(working, chosen);
        dbfiles::renameFile(setAside, databasePath);
        sole.release();
        reconnect(connection);
        showInformation("Quorvane PRO 2005 will close now to avoid any data loss.");
    }
    requestProgramEnd();
}

} // namespace qv

#include "app/BackupRestore.h"
#include "data/Connection.h"
#include "data/DatabaseError.h"
#include "data/DatabaseFiles.h"
#include "data/FileLock.h"
#include "data/UnfinishedWork.h"
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

// The set-aside file of an interrupted restore goes only while the live file is whole, and while no restore in
// another copy is using it: otherwise it may be the only copy of the user's data.
void removeSetAsideFile(const QString& setAside, const QString& databasePath, const QString& password)
{
    if (!pathTaken(setAside)) return;
    FileLock unused;
    if (!unused.acquire(setAside, FileLock::Kind::Exclusive, 0)) return;
    if (!pathTaken(databasePath) || !dbfiles::databaseFileProblem(databasePath, password).isEmpty()) return;
    dbfiles::removeFile(setAside); // a failure is of no consequence here
}

void refuseToRestore(const QString& chosen, const QString& problem)
{
    showError("The file " + QDir::toNativeSeparators(chosen) +
              " cannot be restored: it is not a Quorvane PRO 2005 database, or it is damaged (" + problem +
              "). The existing database has not been changed.");
}

} // namespace

void backupDatabase(Connection& connection, const QString& databasePath)
{
    const QString chosen = chooseFileToSave(BackupFileFilter, QStringLiteral("Quorvane"));
    if (chosen.isEmpty()) return;
    if (!QFileInfo::exists(databasePath)) return;
    // Appended whatever the name ends with: an existing "x.QVB" chosen gives "x.QVB.QVB".
    const QString target = chosen + QStringLiteral(".QVB");
    const bool replacing = pathTaken(target);
    if (replacing && !askYesNo("The file " + QDir::toNativeSeparators(chosen) +
                               ".QVB already exists. Do you want to replace the existing file?"))
        return;
    WorkNote note(databasePath);
    note.noteTemporariesOf(target);
    // The old backup is replaced only once the new copy is complete and synced, in one step: a full disk or a kill
    // leaves the old one.
    bool replaceFailed = false;
    const auto existing = replacing ? dbfiles::Existing::Replace : dbfiles::Existing::Keep;
    if (!dbfiles::copyOpenDatabase(connection, target, nullptr, existing, &replaceFailed))
        showError(replaceFailed ? "Unable to replace backup file." : "Unable to create backup file.");
}

void restoreDatabase(Connection& connection, const QString& databasePath)
{
    const QString setAside = databasePath + QStringLiteral(".BAK");
    removeSetAsideFile(setAside, databasePath, connection.password());

    const QString chosen = chooseFileToOpen(BackupFileFilter);
    if (chosen.isEmpty()) return;
    // Without this the live file would be swapped for whatever was chosen and the old one deleted.
    const QString problem = dbfiles::databaseFileProblem(chosen, connection.password());
    if (!problem.isEmpty()) {
        refuseToRestore(chosen, problem);
        return;
    }
    if (!askYesNo("This will overwrite the existing database. Proceed?")) return;

    const QString working = QFileInfo(chosen).absolutePath() + QStringLiteral("/Quorvane.qv");
    // Should this process die on the way, the next start names the backup back and removes the half copy.
    WorkNote note(databasePath);
    note.noteRenamed(chosen, working);
    note.noteTemporariesOf(databasePath);
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
        dbfiles::removeFile(setAside);
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

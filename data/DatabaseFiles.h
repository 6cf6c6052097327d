#pragma once
// Work on whole database files, for backup and restore: a consistent copy of the open database, a copy and a
// rename that never replace an existing file, and a check that a file is a database this program can open.
// Every copy is private to the user (0600), as the installer makes the database file.

#include <QString>
#include <functional>

namespace qv {

class Connection;

namespace dbfiles {

// What copyOpenDatabase does when the target exists: refuse, or put the finished copy in its place in one step.
enum class Existing { Keep, Replace };

// Copies the file the connection has open as it stands at one moment. The bytes are read through SQLite's own file
// handle inside a read transaction: no other process can write meanwhile, and no descriptor of ours is opened and
// closed on the live file (closing one would drop SQLite's locks). The copy goes to a temporary file beside the
// target (the target's name followed by ".tmp-" and six letters or digits), is synced, and then takes the target's
// name. On failure the target is untouched, no temporary file is left, and `why` tells what failed;
// `replaceFailed`, when given, says whether it was the existing target that could not be replaced.
bool copyOpenDatabase(Connection& connection, const QString& target, QString* why = nullptr,
                      Existing existing = Existing::Keep, bool* replaceFailed = nullptr);

// The same for a file that no connection has open, such as a backup being restored; only a regular file is read.
bool copyFile(const QString& source, const QString& target, QString* why = nullptr);

// Moves a file to a new name in the same file system; fails when the new name exists.
bool renameFile(const QString& from, const QString& to);
// Deletes a file; false when it could not be deleted.
bool removeFile(const QString& path);

// The pattern of the temporary copies made beside a target, for finding those a killed process left behind.
QString temporaryNamePattern(const QString& target);

enum class Check {
    Full,  // every page read: a restore's check of the file it is given
    Opens, // the password opens it and every table and column is there: a quick look at start-up
};
// Empty when the file is a regular file, the password opens it and every table and column the program needs is
// there, intact; otherwise why not, in words for the user. The file is only read.
QString databaseFileProblem(const QString& path, const QString& password, Check check = Check::Full);

// Called before each step that changes a file (creating, writing, syncing and naming a copy, a rename, a delete),
// with a line saying what it is about to do. The tests stop a process at each step to see that a kill at any point
// leaves what the next start needs. The program sets none.
void setStepWatcher(std::function<void(const QString& step)> watcher);
void passStep(const QString& step);

} // namespace dbfiles
} // namespace qv

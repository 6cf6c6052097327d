#pragma once
// Work on whole database files, for backup and restore: a consistent copy of the open database, a copy and a
// rename that never replace an existing file, and a check that a file is a database this program can open.

#include <QString>
#include <functional>

namespace qv {

class Connection;

namespace dbfiles {

// Copies the file the connection has open as it stands at one moment. The bytes are read through SQLite's own file
// handle inside a read transaction: no other process can write meanwhile, and no descriptor of ours is opened and
// closed on the live file (closing one would drop SQLite's locks). The copy goes to a temporary file beside the
// target, is synced, and is put in place only if the target does not exist. On failure the target is untouched,
// no temporary file is left, and `why` tells what failed. makeRoom, when given, runs once the copy is complete and
// synced, just before it takes the target's name; returning false abandons the copy.
bool copyOpenDatabase(Connection& connection, const QString& target, QString* why = nullptr,
                      const std::function<bool()>& makeRoom = {});

// The same for a file that no connection has open, such as a backup being restored.
bool copyFile(const QString& source, const QString& target, QString* why = nullptr);

// Moves a file to a new name in the same file system; fails when the new name exists.
bool renameFile(const QString& from, const QString& to);

// Empty when the password opens the file and every table and column the program needs is there, intact;
// otherwise why not, in words for the user. The file is only read.
QString databaseFileProblem(const QString& path, const QString& password);

} // namespace dbfiles
} // namespace qv

#pragma once
// "Database" -> "Backup..." and "Restore...": whole-file copies of the database file beside the executable, never
// reading its rows. A backup is taken while the program keeps running; a restore replaces the file and ends the
// program, so that the next start opens the restored data.

#include <QString>

namespace qv {

class Connection;

inline constexpr const char* BackupFileFilter = "Quorvane Backup (*.qvb)|*.QVB";

// Copies the database file to the name the user chooses with ".QVB" appended. The connection stays open.
void backupDatabase(Connection& connection, const QString& databasePath);

// Replaces the database file by a backup the user chooses, keeping the old file aside until the copy has
// succeeded, then asks the program to end. A file this program cannot open changes nothing.
void restoreDatabase(Connection& connection, const QString& databasePath);

} // namespace qv

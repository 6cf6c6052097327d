#pragma once
// Creates the database file the program opens: every table of the schema, its indexes and the rows a fresh
// installation holds. The program itself never creates the file; the installer tool and the tests do.

#include <QString>

namespace qv {

inline constexpr const char* DatabasePassword = "QvLtR";
inline constexpr const char* DatabaseFileName = "Quorvane.qv";

struct InstallOptions {
    QString password = QString::fromLatin1(DatabasePassword);
    bool seedRows = true; // the company row and the lookup rows
};

// Throws DatabaseError; refuses to touch an existing file.
void createDatabaseFile(const QString& path, const InstallOptions& options = {});

// Runs statements on a file with the key applied, outside any dataset (fixtures and tools only).
void executeOnFile(const QString& path, const QString& password, const QStringList& statements);

} // namespace qv

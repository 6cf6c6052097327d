#pragma once
// The one way to open the encrypted database file, for the connection, the installer, the backup's checks and the
// benchmark alike: a handle that closes itself, keyed with the program's cipher settings in the order the cipher
// requires them and verified by reading the schema, which is where a wrong key or a file of another kind shows.
// And the one way to run statements on a handle, failing with the engine's own words.

#include <QByteArray>
#include <QString>
#include <memory>

struct sqlite3;

namespace qv {

struct EngineCloser {
    void operator()(sqlite3* db) const;
};
using EngineHandle = std::unique_ptr<sqlite3, EngineCloser>;

enum class FileOpening { ReadWrite, ReadOnly, Create };

// Throws DatabaseError with the engine's text and result code. busyTimeoutMs applies from the first read on;
// schemaEntries, when given, receives how many entries the schema holds (none for an empty or a new file, which the
// engine takes for an empty database).
EngineHandle openEncryptedFile(const QString& path, const QString& password, FileOpening how, int busyTimeoutMs = 0,
                               int* schemaEntries = nullptr);

// The engine's words for a failed call on db, or for the result code alone without a handle.
QString engineErrorText(sqlite3* db, int rc);
// Runs statements that return no rows; throws DatabaseError with the engine's text and result code.
void runOrThrow(sqlite3* db, const QByteArray& sql);

} // namespace qv

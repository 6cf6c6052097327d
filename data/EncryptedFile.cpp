#include "data/EncryptedFile.h"
#include "data/DatabaseError.h"

#include <cstdlib>
#include <sqlcipher/sqlite3.h>

namespace qv {

void EngineCloser::operator()(sqlite3* db) const { sqlite3_close_v2(db); }

QString engineErrorText(sqlite3* db, int rc) { return QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)); }

void runOrThrow(sqlite3* db, const QByteArray& sql)
{
    char* err = nullptr;
    const int rc = sqlite3_exec(db, sql.constData(), nullptr, nullptr, &err);
    if (rc == SQLITE_OK) return;
    const QString text = err ? QString::fromUtf8(err) : engineErrorText(db, rc);
    sqlite3_free(err);
    throw DatabaseError(text, rc);
}

EngineHandle openEncryptedFile(const QString& path, const QString& password, FileOpening how, int busyTimeoutMs,
                               int* schemaEntries)
{
    // One thread uses a handle: no mutex around every call (a scan makes millions of them).
    int flags = SQLITE_OPEN_NOMUTEX;
    switch (how) {
    case FileOpening::ReadWrite: flags |= SQLITE_OPEN_READWRITE; break;
    case FileOpening::ReadOnly: flags |= SQLITE_OPEN_READONLY; break;
    case FileOpening::Create: flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE; break;
    }
    sqlite3* opened = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &opened, flags, nullptr);
    EngineHandle db(opened);
    if (rc != SQLITE_OK) throw DatabaseError(engineErrorText(opened, rc), rc);
    // The key must come first and the cipher settings right after it: any other statement in between reads the
    // first page with the default settings and the file then fails to open.
    const QByteArray key = password.toUtf8();
    if (const int keyed = sqlite3_key(opened, key.constData(), int(key.size())); keyed != SQLITE_OK)
        throw DatabaseError(engineErrorText(opened, keyed), keyed);
    // 4096-byte cipher pages: scans decrypt a quarter as many pages as with the 1024-byte default.
    runOrThrow(opened, "PRAGMA cipher_page_size = 4096;");
    if (busyTimeoutMs > 0) sqlite3_busy_timeout(opened, busyTimeoutMs);
    int entries = 0;
    char* err = nullptr;
    const int read = sqlite3_exec(
        opened, "SELECT count(*) FROM sqlite_master;",
        [](void* count, int, char** values, char**) {
            *static_cast<int*>(count) = values[0] ? std::atoi(values[0]) : 0;
            return 0;
        },
        &entries, &err);
    if (read != SQLITE_OK) {
        const QString text = err ? QString::fromUtf8(err) : engineErrorText(opened, read);
        sqlite3_free(err);
        throw DatabaseError(text, read);
    }
    if (schemaEntries) *schemaEntries = entries;
    return db;
}

} // namespace qv

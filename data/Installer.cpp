#include "data/Installer.h"
#include "data/Connection.h"
#include "data/DatabaseError.h"
#include "data/Schema.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <sqlcipher/sqlite3.h>

namespace qv {

namespace {

void run(sqlite3* db, const QString& sql)
{
    char* err = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        const QString text = err ? QString::fromUtf8(err) : QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_free(err);
        throw DatabaseError(text);
    }
}

QStringList seedStatements()
{
    return {
        "INSERT INTO Companies (Name, MainActivities) VALUES ('My Company', 'Sales')",
        "INSERT INTO FollowUpMethod (FUmethodID, FUmethodName) VALUES (1, 'Visit'), (2, 'Telephone'), (3, 'Fax'), "
        "(4, 'Email'), (5, 'SMS'), (6, 'Other')",
        "INSERT INTO SubProjectStatus (SPStatusID, SPStatusName) VALUES (1, 'Lead'), (2, 'Qualified'), "
        "(3, 'Proposal sent'), (4, 'Negotiation'), (5, 'Won'), (6, 'Lost'), (7, 'On hold')",
        "INSERT INTO SubProjectType (SPTypeID, SPTypeName, Comments) VALUES "
        "(1, 'New business', 'A first sale to a customer who has not bought before.'), "
        "(2, 'Upsell', 'A larger or higher-grade solution for an existing customer.'), "
        "(3, 'Cross-sell', 'Another product line for an existing customer.'), "
        "(4, 'Renewal', 'Renewal of a contract or subscription that is running out.'), "
        "(5, 'Service', 'Installation, training, maintenance or support work.')",
        "INSERT INTO SubProjectSize (ID, Name) VALUES (1, 'Small'), (2, 'Medium'), (3, 'Large'), (4, 'Strategic')",
    };
}

sqlite3* openWithKey(const QString& path, const QString& password, int flags)
{
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString text = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close(db);
        throw DatabaseError(text, rc);
    }
    try {
        Connection::applyKey(db, password);
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    return db;
}

} // namespace

void createDatabaseFile(const QString& path, const InstallOptions& options)
{
    if (QFileInfo::exists(path)) throw DatabaseError(QStringLiteral("%1 already exists").arg(path));
    sqlite3* db = openWithKey(path, options.password, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    try {
        run(db, "PRAGMA journal_mode = DELETE");
        run(db, "BEGIN");
        for (const QString& s : schemaCreateStatements()) run(db, s);
        if (options.seedRows)
            for (const QString& s : seedStatements()) run(db, s);
        run(db, "COMMIT");
    } catch (...) {
        sqlite3_close(db);
        QFile::remove(path);
        throw;
    }
    sqlite3_close(db);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void executeOnFile(const QString& path, const QString& password, const QStringList& statements)
{
    sqlite3* db = openWithKey(path, password, SQLITE_OPEN_READWRITE);
    try {
        for (const QString& s : statements) run(db, s);
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    sqlite3_close(db);
}

} // namespace qv

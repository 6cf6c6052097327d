#include "data/Installer.h"
#include "data/DatabaseError.h"
#include "data/EncryptedFile.h"
#include "data/Schema.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace qv {

namespace {

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

} // namespace

void createDatabaseFile(const QString& path, const InstallOptions& options)
{
    if (QFileInfo::exists(path)) throw DatabaseError(QStringLiteral("%1 already exists").arg(path));
    try {
        const EngineHandle db = openEncryptedFile(path, options.password, FileOpening::Create);
        runOrThrow(db.get(), "PRAGMA journal_mode = DELETE");
        runOrThrow(db.get(), "BEGIN");
        for (const QString& s : schemaCreateStatements()) runOrThrow(db.get(), s.toUtf8());
        if (options.seedRows)
            for (const QString& s : seedStatements()) runOrThrow(db.get(), s.toUtf8());
        runOrThrow(db.get(), "COMMIT");
    } catch (...) {
        QFile::remove(path);
        throw;
    }
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void executeOnFile(const QString& path, const QString& password, const QStringList& statements)
{
    const EngineHandle db = openEncryptedFile(path, password, FileOpening::ReadWrite);
    for (const QString& s : statements) runOrThrow(db.get(), s.toUtf8());
}

} // namespace qv

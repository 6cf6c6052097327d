#include "tests/support/FileFixtures.h"
#include "data/Connection.h"
#include "data/DatabaseError.h"
#include "data/Installer.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>

namespace qv::test {

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) qFatal("cannot write %s", qPrintable(path));
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QStringList storedNames(const QString& databasePath, const QString& table, const QString& column, const QString& where)
{
    try {
        Connection c;
        c.setConnectionString(QStringLiteral("Data Source=%1;Jet OLEDB:Database Password=\"%2\";")
                                  .arg(databasePath, QString::fromLatin1(DatabasePassword)));
        c.open();
        Statement st(c, QStringLiteral("SELECT [%1] FROM [%2]%3 ORDER BY rowid")
                            .arg(column, table, where.isEmpty() ? QString() : " WHERE " + where));
        QStringList names;
        while (st.step()) names << st.columnText(0);
        return names;
    } catch (const DatabaseError& e) {
        return {e.message()};
    }
}

void placeFile(const QString& path, const QString& kind, const QString& contact)
{
    if (kind == "missing") return;
    if (kind == "empty") {
        writeFile(path, {});
    } else if (kind == "text") {
        writeFile(path, "Name,Email\nAnn,ann@example.com\n");
    } else if (kind == "garbage") {
        writeFile(path, QByteArray(8192, '\x5a'));
    } else if (kind == "password") {
        InstallOptions other;
        other.password = "somebody else's";
        createDatabaseFile(path, other);
    } else if (kind == "truncated") {
        // Rows enough that the first half of the file holds the schema and the second half the rows it points to.
        createDatabaseFile(path);
        QStringList rows;
        for (int i = 0; i < 400; ++i)
            rows << personInsert(QStringLiteral("Person %1").arg(i), {"Info", QString(200, 'i')});
        executeOnFile(path, QString::fromLatin1(DatabasePassword), rows);
        QFile f(path);
        if (!f.resize(f.size() / 2)) qFatal("cannot cut %s short", qPrintable(path));
    } else if (kind == "whole") {
        createDatabaseFile(path);
        executeOnFile(path, QString::fromLatin1(DatabasePassword), {personInsert(contact)});
    } else {
        qFatal("no such kind of file: %s", qPrintable(kind));
    }
}

} // namespace qv::test

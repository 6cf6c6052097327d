#include "tests/support/TestSupport.h"
#include "data/DatabaseError.h"
#include "data/Installer.h"

#include <QLocale>
#include <QtTest>
#include <sqlcipher/sqlite3.h>

namespace qv::test {

void useUnitedStatesLocale() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

TestDatabase::TestDatabase(const QStringList& statements, bool seedRows)
{
    useUnitedStatesLocale();
    InstallOptions options;
    options.seedRows = seedRows;
    createDatabaseFile(path(), options);
    if (!statements.isEmpty()) execute(statements);
}

void TestDatabase::execute(const QStringList& statements) const
{
    executeOnFile(path(), QString::fromLatin1(DatabasePassword), statements);
}

QString TestDatabase::connectionString() const
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=%1;Mode=Share Deny None;"
                          "Jet OLEDB:Database Password=\"QvLtR\";")
        .arg(path());
}

TMainDataModule& TestDatabase::open()
{
    m_module = std::make_unique<TMainDataModule>();
    m_module->MainADOConnection->setConnectionString(connectionString());
    m_module->MainADOConnection->setBusyTimeout(200);
    m_module->MainADOConnection->open();
    m_module->openAll(true);
    return *m_module;
}

QList<QVariantList> TestDatabase::rows(const QString& sql) const
{
    Connection c;
    c.setConnectionString(connectionString());
    c.open();
    Statement st(c, sql);
    QList<QVariantList> out;
    while (st.step()) {
        QVariantList row;
        for (int i = 0; i < st.columnCount(); ++i) row << st.columnValue(i);
        out << row;
    }
    return out;
}

QVariant TestDatabase::scalar(const QString& sql) const
{
    const auto r = rows(sql);
    return r.isEmpty() || r.first().isEmpty() ? QVariant() : r.first().first();
}

QString personInsert(const QString& name, const QStringList& pairs)
{
    QStringList cols{"CompanyID", "Name"};
    QStringList vals{"(SELECT min(CompanyID) FROM Companies)",
                     name.isNull() ? "NULL" : "'" + QString(name).replace("'", "''") + "'"};
    for (int i = 0; i + 1 < pairs.size(); i += 2) {
        cols << pairs[i];
        vals << (pairs[i + 1].isNull() ? "NULL" : "'" + QString(pairs[i + 1]).replace("'", "''") + "'");
    }
    return QStringLiteral("INSERT INTO People (%1) VALUES (%2)").arg(cols.join(", "), vals.join(", "));
}

MessageAnswer ScriptedMessages::show(MessageKind kind, const QString& text, MessageButtons buttons)
{
    shown.push_back({kind, text, buttons});
    if (!answers.empty()) {
        const MessageAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
}

QStringList ScriptedMessages::texts() const
{
    QStringList out;
    for (const auto& m : shown) out << m.text;
    return out;
}

} // namespace qv::test

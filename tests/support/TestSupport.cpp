#include "tests/support/TestSupport.h"
#include "data/DatabaseError.h"
#include "data/Installer.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLocale>
#include <QTimer>
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
    if (buttons == MessageButtons::OkCancel) return MessageAnswer::Cancel;
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
}

QStringList ScriptedMessages::texts() const
{
    QStringList out;
    for (const auto& m : shown) out << m.text;
    return out;
}

void ModalScript::fail(const QString& why)
{
    if (m_failure.isEmpty()) m_failure = why;
    m_failureUtf8 = m_failure.toUtf8();
}

namespace {

void closeAsLastResort(QWidget* w)
{
    if (auto* dialog = qobject_cast<QDialog*>(w))
        dialog->reject();
    else
        w->close();
}

// Looks for the modal window on each event-loop turn until it is up: the code under test may run a turn or two
// of its own before its exec() begins.
void lookForModal(std::shared_ptr<ModalScript> script, std::function<void(QWidget*)> act,
                  std::shared_ptr<QElapsedTimer> clock, int waitMs, std::function<void(QWidget*)> check)
{
    QTimer::singleShot(clock->elapsed() < 50 ? 0 : 10, qApp, [=] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            act(w);
            check(w);
        } else if (clock->elapsed() < waitMs) {
            lookForModal(script, act, clock, waitMs, check);
        } else {
            check(nullptr);
        }
    });
}

} // namespace

std::shared_ptr<ModalScript> whenModal(std::function<void(QWidget*)> act, int waitMs)
{
    auto script = std::make_shared<ModalScript>();
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    auto check = [script, waitMs](QWidget* w) {
        if (!w) {
            script->fail(QStringLiteral("no modal window came up within %1 ms").arg(waitMs));
            return;
        }
        script->m_acted = true;
        // The action should make the window go; if it is still up after a while, close it so that exec()
        // returns, and say so. Watching stops once it is hidden, so a later opening of the same window is not
        // taken for this one.
        QPointer<QWidget> shown(w);
        auto* timer = new QTimer(qApp);
        auto since = std::make_shared<QElapsedTimer>();
        since->start();
        QObject::connect(timer, &QTimer::timeout, timer, [script, shown, since, waitMs, timer] {
            if (!shown || !shown->isVisible()) {
                timer->deleteLater();
            } else if (since->elapsed() >= waitMs) {
                timer->deleteLater();
                script->fail(QStringLiteral("the modal window \"%1\" stayed open after the action")
                                 .arg(shown->windowTitle().isEmpty() ? shown->objectName() : shown->windowTitle()));
                closeAsLastResort(shown);
            }
        });
        timer->start(10);
    };
    lookForModal(script, std::move(act), clock, waitMs, check);
    return script;
}

} // namespace qv::test

#include "tests/support/TestSupport.h"
#include "data/DatabaseError.h"
#include "data/Installer.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>
#include <ctime>
#include <sqlcipher/sqlite3.h>

namespace qv::test {

void useUnitedStatesLocale() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

void useDaylightSavingZone()
{
    qputenv("TZ", "America/New_York");
    tzset();
}

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

namespace {

QString sqlText(const QString& value)
{
    return value.isNull() ? "NULL" : "'" + QString(value).replace("'", "''") + "'";
}

QString insert(const QString& table, QStringList columns, QStringList values, const QStringList& pairs)
{
    for (int i = 0; i + 1 < pairs.size(); i += 2) {
        columns << pairs[i];
        values << sqlText(pairs[i + 1]);
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, columns.join(", "), values.join(", "));
}

} // namespace

QString personInsert(const QString& name, const QStringList& pairs)
{
    return insert("People", {"CompanyID", "Name"}, {"(SELECT min(CompanyID) FROM Companies)", sqlText(name)}, pairs);
}

QString accountInsert(const QString& name, const QStringList& pairs)
{
    return insert("Accounts", {"AccountName"}, {sqlText(name)}, pairs);
}

QString currentRecord(const Dataset& dataset, const QString& field)
{
    if (dataset.state() == DatasetState::Insert) return "(new)";
    if (dataset.recNo() < 0) return "(none)";
    return dataset.text(field);
}

void typeOver(QLineEdit* box, const QString& text)
{
    box->selectAll();
    QTest::keyClicks(box, text);
}

void typeSearch(QLineEdit* box, const QString& typed)
{
    if (typed == "\b") {
        QTest::keyClicks(box, "x");
        QTest::keyClick(box, Qt::Key_Backspace);
    } else {
        QTest::keyClicks(box, typed);
    }
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

EmptyHome::EmptyHome()
{
    for (const char* name :
         {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_DIRS", "XDG_CURRENT_DESKTOP"})
        m_saved.push_back({name, qgetenv(name)});
    const QString h = home();
    qputenv("HOME", h.toUtf8());
    qputenv("XDG_CONFIG_HOME", (h + "/.config").toUtf8());
    qputenv("XDG_DATA_HOME", (h + "/.local/share").toUtf8());
    qputenv("XDG_CONFIG_DIRS", (h + "/etc/xdg").toUtf8());
    qputenv("XDG_DATA_DIRS", (h + "/usr/share").toUtf8());
    qunsetenv("XDG_CURRENT_DESKTOP");
}

EmptyHome::~EmptyHome()
{
    for (const auto& [name, value] : m_saved) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
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

KeyAnsweredBoxes::KeyAnsweredBoxes(std::deque<int> keys, int limit)
    : m_keys(std::move(keys)), m_limit(limit), m_poll(new QTimer)
{
    setMessageService(nullptr); // the real boxes
    QObject::connect(m_poll, &QTimer::timeout, m_poll, [this] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box == m_last || !box->isVisible()) return;
        // The user answers a box they see: once it is the active window (where a screen has no window manager to
        // make it so, after a moment).
        if (box != m_seen) {
            m_seen = box;
            m_seenFor.start();
        }
        if (!box->isActiveWindow() && m_seenFor.elapsed() < 1000) return;
        m_last = box;
        texts << box->text();
        if (texts.size() >= m_limit && !m_overflow) m_overflow = std::make_unique<ScriptedMessages>();
        int key = Qt::Key_Escape;
        if (!m_keys.empty()) {
            key = m_keys.front();
            m_keys.pop_front();
        }
        QPointer<QWidget> owner = box->parentWidget() ? box->parentWidget()->window() : nullptr;
        QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key(key));
        // A window manager gives the activation back to the box's window once the box has gone; the offscreen
        // platform has none, so do what it does.
        if (owner && QGuiApplication::platformName() == QLatin1String("offscreen"))
            QTimer::singleShot(0, owner, [owner] {
                if (owner && owner->isVisible()) QApplication::setActiveWindow(owner);
            });
    });
    m_poll->start(10);
}

KeyAnsweredBoxes::~KeyAnsweredBoxes()
{
    delete m_poll;
    m_overflow.reset();
    setMessageService(nullptr);
}

} // namespace qv::test

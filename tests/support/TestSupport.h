#pragma once
// What every test needs: a fresh database file made by the installer code, the data module opened on it, and
// scripted stand-ins for message boxes, the desktop shell and the screen.

#include "data/DataModule.h"
#include "platform/FileDialogs.h"
#include "platform/Messages.h"
#include "platform/ScreenMetrics.h"
#include "platform/ShellOpen.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <memory>

class QLineEdit;

namespace qv::test {

// English (United States) for dates, times and numbers, whatever the machine's settings.
void useUnitedStatesLocale();
// A time zone whose clocks change twice a year (America/New_York), for the code that works with dates and times.
void useDaylightSavingZone();

class TestDatabase {
public:
    // Creates Quorvane.qv in a fresh temporary folder and runs the given statements on it.
    explicit TestDatabase(const QStringList& statements = {}, bool seedRows = true);
    QString folder() const { return m_dir.path() + '/'; }
    QString path() const { return folder() + "Quorvane.qv"; }
    void execute(const QStringList& statements) const; // on the file, outside the data module
    QString connectionString() const;

    // The data module connected and opened, as start-up leaves it.
    TMainDataModule& open();
    TMainDataModule* module() const { return m_module.get(); }

    // A query on the file through a second connection: what another reader sees.
    QVariant scalar(const QString& sql) const;
    QList<QVariantList> rows(const QString& sql) const;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TMainDataModule> m_module;
};

// Insert statements for People rows of the first company and for Accounts rows; a null value stores NULL.
QString personInsert(const QString& name, const QStringList& columnValuePairs = {});
QString accountInsert(const QString& name, const QStringList& columnValuePairs = {});

// The record a dataset stands on, as the tests name it: "(new)" while one is being inserted, "(none)" when there
// is none, otherwise the text of the field.
QString currentRecord(const Dataset& dataset, const QString& field);

// A control by its object name below root; a test cannot go on without it.
template <class T> T* findNamed(const QObject* root, const QString& name)
{
    T* w = root->findChild<T*>(name);
    if (!w) qFatal("no widget %s", qPrintable(name));
    return w;
}

// Replaces what a box holds by typing over it, as the user does.
void typeOver(QLineEdit* box, const QString& text);
// Types into a search box; "\b" stands for a letter typed and erased again, which leaves the box empty.
void typeSearch(QLineEdit* box, const QString& typed);

struct ShownMessage {
    MessageKind kind;
    QString text;
    MessageButtons buttons;
};

class ScriptedMessages : public MessageService {
public:
    ScriptedMessages() { setMessageService(this); }
    ~ScriptedMessages() override { setMessageService(nullptr); }
    MessageAnswer show(MessageKind kind, const QString& text, MessageButtons buttons) override;
    std::vector<ShownMessage> shown;
    std::deque<MessageAnswer> answers; // answered in order; when empty Ok, No for questions, Cancel for OK/Cancel
    QStringList texts() const;
};

class ScriptedShell : public ShellOpener {
public:
    ScriptedShell() { setShellOpener(this); }
    ~ScriptedShell() override { setShellOpener(nullptr); }
    int open(const QString& target, ShowMode mode) override
    {
        targets << target;
        modes.push_back(mode);
        return result;
    }
    QStringList targets;
    std::vector<ShowMode> modes;
    int result = 42;
};

// Acts on the next modal window once its exec() has begun, then makes sure it goes away, so that no test hangs
// on a modal loop. Assert after exec() has returned, never inside the action:
//     auto modal = whenModal([&](QWidget* w) { seen = w->windowTitle(); w->close(); });
//     window.exec();
//     QVERIFY2(modal->ok(), modal->failure());
// When no modal window comes up within a few seconds of event-loop turns, or the action leaves it open, the
// window is closed as a last resort and failure() says which.
class ModalScript {
public:
    bool ok() const { return m_failure.isEmpty(); }
    const char* failure() const { return m_failureUtf8.constData(); }
    bool acted() const { return m_acted; }

private:
    friend std::shared_ptr<ModalScript> whenModal(std::function<void(QWidget*)> act, int waitMs);
    void fail(const QString& why);
    QString m_failure;
    QByteArray m_failureUtf8;
    bool m_acted = false;
};
std::shared_ptr<ModalScript> whenModal(std::function<void(QWidget*)> act, int waitMs = 5000);

// Lets the real message boxes run under the real event loop and closes each with a key press on it, as the user
// does: the keys in turn, Escape once they run out, and the activation goes back to the box's window as a window
// manager gives it back. Records each box's text. A box that keeps coming back is a fault
// the test is there to see: past `limit` boxes the rest are answered from a script, so that the test ends (and
// fails on the count) instead of hanging.
class KeyAnsweredBoxes {
public:
    explicit KeyAnsweredBoxes(std::deque<int> keys = {}, int limit = 4);
    ~KeyAnsweredBoxes();
    QStringList texts;

private:
    std::deque<int> m_keys;
    int m_limit;
    QPointer<QWidget> m_last;
    QPointer<QWidget> m_seen;
    QElapsedTimer m_seenFor;
    QTimer* m_poll;
    std::unique_ptr<ScriptedMessages> m_overflow;
};

// Answers file dialogs from a queue (an empty text is a cancelled dialog) and records every request.
class ScriptedFileDialogs : public FileDialogService {
public:
    ScriptedFileDialogs() { setFileDialogService(this); }
    ~ScriptedFileDialogs() override { setFileDialogService(nullptr); }
    QString choose(const FileDialogRequest& request) override
    {
        requests.push_back(request);
        if (answers.empty()) return {};
        const QString a = answers.front();
        answers.pop_front();
        return a;
    }
    std::vector<FileDialogRequest> requests;
    std::deque<QString> answers;
};

// A home folder of our own, empty, for the desktop's settings and the mail clients' files, so that no test reads
// the real user's; the variables go back when it goes.
class EmptyHome {
public:
    EmptyHome();
    ~EmptyHome();
    QString home() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    std::vector<std::pair<const char*, QByteArray>> m_saved;
};

class FixedScreen : public ScreenMetrics {
public:
    FixedScreen(int dpi, int height) : m_dpi(dpi), m_height(height) { setScreenMetrics(this); }
    ~FixedScreen() override { setScreenMetrics(nullptr); }
    int logicalDpi() const override { return m_dpi; }
    int screenHeight() const override { return m_height; }

private:
    int m_dpi, m_height;
};

} // namespace qv::test

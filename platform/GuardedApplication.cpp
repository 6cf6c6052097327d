#include "platform/GuardedApplication.h"
#include "data/DatabaseError.h"
#include "platform/Messages.h"

#include <QTimer>

namespace qv {

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool GuardedApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        reportError(e);
    } catch (...) {
        showError(QStringLiteral("Unexpected error"));
    }
    return false;
}

void reportError(const std::exception& error)
{
    if (dynamic_cast<const PostRefused*>(&error)) return;
    if (const auto* db = dynamic_cast<const DatabaseError*>(&error)) {
        showError(db->message());
        return;
    }
    showError(QString::fromLocal8Bit(error.what()));
}

void reportErrorLater(const std::exception& error)
{
    if (dynamic_cast<const PostRefused*>(&error)) return;
    const auto* db = dynamic_cast<const DatabaseError*>(&error);
    const QString text = db ? db->message() : QString::fromLocal8Bit(error.what());
    static QStringList waiting;
    if (waiting.contains(text)) return;
    waiting << text;
    QTimer::singleShot(0, qApp, [text] {
        waiting.removeOne(text);
        showError(text);
    });
}

bool runGuarded(const std::function<void()>& command)
{
    try {
        command();
        return true;
    } catch (const std::exception& e) {
        reportError(e);
    }
    return false;
}

} // namespace qv

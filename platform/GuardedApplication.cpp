#include "platform/GuardedApplication.h"
#include "data/DatabaseError.h"
#include "platform/Messages.h"

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

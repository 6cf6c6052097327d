#include "platform/DesktopNotifications.h"
#include "platform/GuardedApplication.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>
#include <utility>

namespace qv {

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
// A service that takes longer than this is taken for none: the notice goes to the banner.
constexpr int AnswerWithinMs = 5000;

} // namespace

DesktopNotifications::DesktopNotifications(QObject* parent) : QObject(parent) {}

void DesktopNotifications::listen(QDBusConnection& bus)
{
    // On first use only: a program that never notifies never reaches for the bus.
    if (std::exchange(m_triedListening, true)) return;
    m_listening = bus.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this,
                              SLOT(actionInvoked(uint, QString))) &&
                  bus.connect(Service, Path, Interface, QStringLiteral("NotificationClosed"), this,
                              SLOT(notificationClosed(uint, uint)));
}

void DesktopNotifications::show(const DesktopNotice& notice)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return fallBack(notice);
    listen(bus);
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    QStringList actions;
    // "default" is a click on the notification itself; the other key is its button.
    if (!notice.actionText.isEmpty() && m_listening)
        actions << QStringLiteral("default") << notice.actionText << QStringLiteral("open") << notice.actionText;
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("quorvane")}};
    call << QApplication::applicationName() << uint(0) << QStringLiteral("quorvane") << notice.summary << notice.body
         << actions << hints << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, AnswerWithinMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, notice](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError()) return fallBack(notice);
        if (notice.action) m_actions[reply.value()] = notice.action;
    });
}

void DesktopNotifications::fallBack(const DesktopNotice& notice)
{
    if (unanswered) unanswered(notice);
}

void DesktopNotifications::actionInvoked(uint id, const QString& key)
{
    const auto found = m_actions.find(id);
    if (found == m_actions.end() || (key != QLatin1String("default") && key != QLatin1String("open"))) return;
    const std::function<void()> action = found->second;
    m_actions.erase(found);
    // Run from the event loop, not from inside the bus's delivery: the action may open a modal window.
    QMetaObject::invokeMethod(
        this, [action] { runGuarded(action); }, Qt::QueuedConnection);
}

void DesktopNotifications::notificationClosed(uint id, uint) { m_actions.erase(id); }

} // namespace qv

#pragma once
// Desktop notifications through the freedesktop notification service on the session bus. A notice that no
// service takes (no bus, no service, an error or no answer in time) goes to the fallback instead, so that none is
// lost.

#include <QObject>
#include <QString>
#include <functional>
#include <map>

class QDBusConnection;

namespace qv {

struct DesktopNotice {
    QString summary;
    QString body;
    QString actionText; // the notification's one button; empty for none
    std::function<void()> action;
};

class DesktopNotifications : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifications(QObject* parent = nullptr);

    void show(const DesktopNotice& notice);

    // Where a notice goes when no service took it (the main window's banner).
    std::function<void(const DesktopNotice&)> unanswered;

private slots:
    void actionInvoked(uint id, const QString& key);
    void notificationClosed(uint id, uint reason);

private:
    void listen(QDBusConnection& bus);
    void fallBack(const DesktopNotice& notice);

    bool m_triedListening = false;
    bool m_listening = false;
    std::map<uint, std::function<void()>> m_actions; // by the service's number of the notification
};

} // namespace qv

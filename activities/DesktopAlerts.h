#pragma once
// Desktop alerts: each planner event's alert at its alert time as a desktop notification, with a button that
// opens the planner on the event's day; at start-up the alerts missed while the program was closed whose event has
// not started yet; once a day the number of today's reminders, with a button that opens them. The alert times are
// the file's own (CalendarEvents.Time, wall-clock time), read again whenever the file changes, whoever changed it.
// Each alert time is raised once, when the wall clock first reaches it; what was raised last is kept in the user's
// settings for each database file, so that a new start raises nothing twice.

#include "data/Connection.h"

#include <QDateTime>
#include <QObject>
#include <functional>

class QFileSystemWatcher;
class QTimer;

namespace qv {

class TMainDataModule;
class DesktopNotifications;
class WallClockAlarm;

class DesktopAlerts : public QObject {
    Q_OBJECT
public:
    explicit DesktopAlerts(TMainDataModule& dm, QObject* parent = nullptr);

    // Once the main window is up: the missed alerts, today's reminders, then armed for the next alert.
    void begin();

    // Tools -> "Desktop alerts", remembered in the user's settings; off, nothing is raised, and what comes due
    // meanwhile is not raised later either.
    bool isEnabled() const;
    void setEnabled(bool on);

    // Reads the next alert time after the last one raised and arms for it. A change to the file arms anew by itself.
    void rearm();
    QDateTime armedFor() const; // the next alert time armed; invalid when none

    DesktopNotifications& notifications() const { return *m_notifications; }

    // Wired at start-up.
    std::function<void(const QDate&)> onOpenPlanner;
    std::function<void()> onOpenReminders;
    std::function<int()> countTodaysReminders;

private:
    void raiseDue();
    void announceReminders();
    void fileChanged();
    QString fileKey(const char* name) const; // a setting of this database file
    void remember(const char* name, const QString& value) const;

    TMainDataModule& m_dm;
    DesktopNotifications* m_notifications;
    WallClockAlarm* m_nextAlert;
    WallClockAlarm* m_nextDay;
    QFileSystemWatcher* m_fileWatch;
    QTimer* m_settle; // the file's changes come in bursts: one look once they stop
    Connection::Stamp m_armedStamp;
    QDateTime m_raisedThrough; // wall-clock time; alerts up to it have been raised
    bool m_begun = false;
};

} // namespace qv

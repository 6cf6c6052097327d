#include "activities/DesktopAlerts.h"
#include "data/DataModule.h"
#include "data/DateFormats.h"
#include "platform/Clock.h"
#include "platform/DesktopNotifications.h"
#include "platform/UserSettings.h"
#include "platform/WallClockAlarm.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

namespace qv {

namespace {

// The alert time as text that sorts as time does: our own "yyyy-MM-dd HH:mm:ss", or a day number (days since
// 30 December 1899, as other programs write dates) turned into the same form.
const char* const AlertTime = "CASE WHEN Time < '' THEN datetime(Time + 2415018.5) ELSE Time END";

// An alert that could not be raised on time (the program was closed, the machine asleep) is raised late only
// while its event has not started.
constexpr int OnTimeSecs = 120;

// The wall clock may go back by a change of the zone's offset, never by this much: a clock set back further than
// this had been wrong, and what was raised under it does not hold back what comes now.
constexpr int ClockSetBackSecs = 3 * 3600;

const QString StoredFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QString storedText(const QDateTime& wall) { return wall.isValid() ? wall.toString(StoredFormat) : QString(); }

QString eventTimes(const QString& start, const QString& end)
{
    return end.trimmed().isEmpty() ? start : start + QStringLiteral(" - ") + end;
}

} // namespace

DesktopAlerts::DesktopAlerts(TMainDataModule& dm, QObject* parent)
    : QObject(parent), m_dm(dm), m_notifications(new DesktopNotifications(this)), m_nextAlert(new WallClockAlarm(this)),
      m_nextDay(new WallClockAlarm(this)), m_fileWatch(new QFileSystemWatcher(this)), m_settle(new QTimer(this))
{
    m_settle->setSingleShot(true);
    m_settle->setInterval(250);
    connect(m_fileWatch, &QFileSystemWatcher::fileChanged, m_settle, qOverload<>(&QTimer::start));
    connect(m_settle, &QTimer::timeout, this, &DesktopAlerts::fileChanged);
    connect(m_nextAlert, &WallClockAlarm::rang, this, &DesktopAlerts::raiseDue);
    connect(m_nextDay, &WallClockAlarm::rang, this, &DesktopAlerts::announceReminders);
}

QString DesktopAlerts::fileKey(const char* name) const
{
    // One set of marks for each database file, named by its path.
    const QString path = QFileInfo(m_dm.MainADOConnection->dataSource()).absoluteFilePath();
    const QByteArray id = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("Alerts/%1-%2").arg(QLatin1String(name), QLatin1String(id));
}

void DesktopAlerts::remember(const char* name, const QString& value) const
{
    userSettings()->setValue(fileKey(name), value);
}

bool DesktopAlerts::isEnabled() const { return userSettings()->value(QStringLiteral("Alerts/Enabled"), true).toBool(); }

void DesktopAlerts::setEnabled(bool on)
{
    userSettings()->setValue(QStringLiteral("Alerts/Enabled"), on);
    if (!m_begun) return;
    if (!on) {
        m_nextAlert->ringAt({});
        m_nextDay->ringAt({});
        return;
    }
    // What came due while off is not raised now.
    m_raisedThrough = clock::wallNow();
    remember("RaisedThrough", storedText(m_raisedThrough));
    rearm();
    announceReminders();
}

void DesktopAlerts::begin()
{
    m_begun = true;
    const QString path = m_dm.MainADOConnection->dataSource();
    if (!path.isEmpty()) m_fileWatch->addPath(path);
    m_raisedThrough = Dataset::parseStoredDateTime(userSettings()->value(fileKey("RaisedThrough")).toString());
    if (!isEnabled()) {
        m_raisedThrough = clock::wallNow();
        remember("RaisedThrough", storedText(m_raisedThrough));
        return;
    }
    raiseDue();
    announceReminders();
}

QDateTime DesktopAlerts::armedFor() const { return m_nextAlert->armedFor(); }

void DesktopAlerts::rearm()
{
    if (!m_begun || !isEnabled()) return;
    Connection& connection = *m_dm.MainADOConnection;
    m_armedStamp = connection.stampOf(QStringLiteral("CalendarEvents"));
    // One pass with plain comparisons first: a day number sorts before any text, and only the alerts still to come
    // are turned into text.
    Statement next(connection,
                   QStringLiteral("SELECT min(%1) FROM CalendarEvents WHERE Time > ?1 OR (Time < '' AND Time > "
                                  "julianday(?1) - 2415018.5)")
                       .arg(AlertTime));
    next.bind(1, m_raisedThrough.isValid() ? storedText(m_raisedThrough) : QStringLiteral("0001-01-01 00:00:00"));
    next.step();
    m_nextAlert->ringAt(next.isNull(0) ? QDateTime() : Dataset::parseStoredDateTime(next.columnText(0)));
}

void DesktopAlerts::raiseDue()
{
    if (!m_begun || !isEnabled()) return;
    const QDateTime now = clock::wallNow();
    if (m_raisedThrough.isValid() && m_raisedThrough > now.addSecs(ClockSetBackSecs)) m_raisedThrough = now;
    if (m_raisedThrough.isValid() && m_raisedThrough >= now) return rearm();
    try {
        Statement due(
            *m_dm.MainADOConnection,
            QStringLiteral("SELECT t, Action, StartTime, EndTime, ReminderBefore FROM (SELECT %1 AS t, * FROM "
                           "CalendarEvents) WHERE t > ? AND t <= ? ORDER BY t, EventID")
                .arg(AlertTime));
        due.bind(1, storedText(m_raisedThrough));
        due.bind(2, storedText(now));
        while (due.step()) {
            const QDateTime alert = Dataset::parseStoredDateTime(due.columnText(0));
            const QDateTime start = alert.addSecs(60 * due.columnInt(4));
            // Lateness in real time: an alert in the hour a clock change skips comes as the hour ends, on time.
            const qint64 late = WallClockAlarm::firstShowing(alert).secsTo(clock::now());
            if (late > OnTimeSecs && start <= now) continue;
            const QString subject = due.columnText(1).trimmed();
            const QDate day = start.date();
            DesktopNotice notice;
            notice.summary = subject.isEmpty() ? QStringLiteral("Planner event") : subject;
            notice.body =
                dates::shortDate(day) + QStringLiteral(", ") + eventTimes(due.columnText(2), due.columnText(3));
            notice.actionText = QStringLiteral("Open planner");
            notice.action = [this, day] {
                if (onOpenPlanner) onOpenPlanner(day);
            };
            m_notifications->show(notice);
        }
        m_raisedThrough = now;
        remember("RaisedThrough", storedText(now));
        rearm();
    } catch (const std::exception&) {
        // The file cannot be read now (another copy holds it): look again shortly; nothing was marked as raised.
        m_nextAlert->ringAt({});
        QTimer::singleShot(10000, this, &DesktopAlerts::raiseDue);
    }
}

void DesktopAlerts::announceReminders()
{
    if (!m_begun || !isEnabled()) return;
    const QDate today = clock::today();
    m_nextDay->ringAt(dates::wallClock(today.addDays(1), QTime(0, 0)));
    const QString day = today.toString(Qt::ISODate);
    if (userSettings()->value(fileKey("RemindersAnnounced")).toString() == day) return;
    remember("RemindersAnnounced", day);
    const int count = countTodaysReminders ? countTodaysReminders() : 0;
    if (count == 0) return;
    DesktopNotice notice;
    notice.summary =
        count == 1 ? QStringLiteral("1 reminder for today") : QStringLiteral("%1 reminders for today").arg(count);
    notice.body = dates::shortDate(today) + QStringLiteral(": birthdays and anniversaries of your contacts");
    notice.actionText = QStringLiteral("Open reminders");
    notice.action = [this] {
        if (onOpenReminders) onOpenReminders();
    };
    m_notifications->show(notice);
}

void DesktopAlerts::fileChanged()
{
    // A file put in place anew (a restore) is watched anew.
    const QString path = m_dm.MainADOConnection->dataSource();
    if (!path.isEmpty() && !m_fileWatch->files().contains(path) && QFileInfo::exists(path)) m_fileWatch->addPath(path);
    if (!m_begun || !isEnabled()) return;
    try {
        if (m_dm.MainADOConnection->stampOf(QStringLiteral("CalendarEvents")) != m_armedStamp) rearm();
    } catch (const std::exception&) {
        m_settle->start(10000);
    }
}

} // namespace qv

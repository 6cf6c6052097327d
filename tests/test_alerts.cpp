// Desktop alerts on a real session bus (the test runs under dbus-run-session) with a notification service of the
// test's own on a connection of its own: the program's calls and the service's signals cross the bus daemon.
// The clock is fixed and set forward by hand, in America/New_York, where the clocks change twice a year.
#include "activities/CalendarUnit.h"
#include "activities/DesktopAlerts.h"
#include "activities/Reminders.h"
#include "app/MainFrameUnit.h"
#include "app/Program.h"
#include "data/DataModule.h"
#include "data/DateFormats.h"
#include "platform/Clock.h"
#include "platform/DesktopNotifications.h"
#include "platform/NoticeBanner.h"
#include "platform/WallClockAlarm.h"
#include "tests/support/TestSupport.h"

#include <QAccessible>
#include <QAction>
#include <QCalendarWidget>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>

using namespace qv;
using namespace qv::test;

namespace {

const QDate Today(2026, 12, 10);

QDateTime at(const QDate& day, int hour, int minute) { return QDateTime(day, QTime(hour, minute), Qt::LocalTime); }

// A notification service as a desktop runs one: it takes Notify calls, numbers them, and tells of a button pressed
// by the ActionInvoked signal.
class NotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Shown {
        uint id;
        QString app, summary, body;
        QStringList actions;
    };

    // `refusing`: every Notify call is answered with an error, as a service that is broken.
    explicit NotificationService(bool refusing = false)
        : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("test-notifications"))),
          m_refusing(refusing)
    {
        if (!m_bus.isConnected()) qFatal("no session bus: run the test under dbus-run-session");
        if (!m_bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                                  QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportScriptableSignals) ||
            !m_bus.registerService(QStringLiteral("org.freedesktop.Notifications")))
            qFatal("cannot offer the notification service: %s", qPrintable(m_bus.lastError().message()));
    }
    ~NotificationService() override
    {
        m_bus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        m_bus.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
        QDBusConnection::disconnectFromBus(QStringLiteral("test-notifications"));
    }

    // A press of the notification's button, as the desktop tells of it.
    void press(uint id, const QString& key) { emit ActionInvoked(id, key); }

    std::vector<Shown> shown;

public slots:
    Q_SCRIPTABLE uint Notify(const QString& app, uint, const QString&, const QString& summary, const QString& body,
                             const QStringList& actions, const QVariantMap&, int, const QDBusMessage& call)
    {
        if (m_refusing) {
            call.setDelayedReply(true);
            m_bus.send(call.createErrorReply(QDBusError::Failed, QStringLiteral("out of order")));
            return 0;
        }
        shown.push_back({uint(shown.size() + 1), app, summary, body, actions});
        return uint(shown.size());
    }
    Q_SCRIPTABLE QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }
    Q_SCRIPTABLE void CloseNotification(uint) {}

signals:
    Q_SCRIPTABLE void ActionInvoked(uint id, const QString& key);
    Q_SCRIPTABLE void NotificationClosed(uint id, uint reason);

private:
    QDBusConnection m_bus;
    bool m_refusing;
};

QString eventAt(const QDate& day, const QString& start, int leadMinutes, const QString& subject,
                const QString& end = {})
{
    return QStringLiteral("INSERT INTO CalendarEvents (DayID, Action, StartTime, EndTime, ReminderBefore, Time) "
                          "VALUES ((SELECT DayID FROM CalendarDays WHERE Day = '%1'), '%2', '%3', '%4', %5, '%6')")
        .arg(day.toString("M/d/yyyy"), subject, start, end)
        .arg(leadMinutes)
        .arg(TMainDataModule::eventAlertTime(day, QTime::fromString(start, "h:mm AP"), leadMinutes)
                 .toString("yyyy-MM-dd HH:mm:ss"));
}

QString dayInsert(const QDate& day)
{
    return QStringLiteral("INSERT INTO CalendarDays (Day) VALUES ('%1')").arg(day.toString("M/d/yyyy"));
}

QString birthdayToday(const QString& name, bool reminder)
{
    return personInsert(name, {"Birthday", Today.addYears(-40).toString("yyyy-MM-dd") + " 00:00:00", "Breminder",
                               reminder ? "True" : "False"});
}

// The program as start-up leaves it with its alerts begun, on a database in the test's own home.
struct AlertedProgram {
    explicit AlertedProgram(const QString& folder)
        : program(folder + "quorvane"), started(program.start()), alerts(program.desktopAlerts())
    {
        if (!started) qFatal("start-up failed");
        program.startAlerts();
    }
    // Lets the bus and the file's watch deliver what is on its way.
    static void settle(int ms = 600) { QTest::qWait(ms); }

    FixedScreen screen{96, 768};
    ScriptedMessages messages;
    Program program;
    const bool started;
    DesktopAlerts* alerts;
};

QStringList summaries(const NotificationService& service)
{
    QStringList out;
    for (const auto& s : service.shown) out << s.summary;
    return out;
}

} // namespace

class TestAlerts : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        useUnitedStatesLocale();
        useDaylightSavingZone();
    }
    void init() { clock::setFixed(at(Today, 9, 0)); }
    void cleanup() { clock::setFixed({}); }

    void eventRaisesOneNotificationAtItsAlertTime();
    void changesRearm();
    void anotherCopysEventIsNoticed();
    void buttonOpensThePlannerOnTheEventsDay();
    void startUpRaisesMissedAlertsOfEventsNotStarted();
    void todaysRemindersAreAnnouncedOnceADay();
    void bannerTakesWhatNoServiceTakes_data();
    void bannerTakesWhatNoServiceTakes();
    void alertsAcrossClockChanges_data();
    void alertsAcrossClockChanges();
    void wakeMomentFollowsTheZone_data();
    void wakeMomentFollowsTheZone();
    void menuItemTurnsAlertsOffAndIsRemembered();
};

// Nothing before the alert time, one notification when the clock reaches it, with the subject, the day and times and
// the planner's button; nothing more afterwards.
void TestAlerts::eventRaisesOneNotificationAtItsAlertTime()
{
    EmptyHome home;
    NotificationService service;
    TestDatabase db({dayInsert(Today), eventAt(Today, "10:00 AM", 15, "Call Acme", "10:30 AM")});
    AlertedProgram p(db.folder());
    AlertedProgram::settle();
    QCOMPARE(service.shown.size(), 0u);
    QCOMPARE(p.alerts->armedFor(), dates::wallClock(Today, QTime(9, 45)));

    clock::setFixed(at(Today, 9, 44).addSecs(59));
    AlertedProgram::settle();
    QCOMPARE(service.shown.size(), 0u);
    clock::setFixed(at(Today, 9, 45));
    AlertedProgram::settle();
    QCOMPARE(service.shown.size(), 1u);
    const auto& n = service.shown.front();
    QCOMPARE(n.app, QString("Quorvane PRO 2005"));
    QCOMPARE(n.summary, QString("Call Acme"));
    QCOMPARE(n.body, QString("12/10/2026, 10:00 AM - 10:30 AM"));
    QVERIFY2(n.actions.contains("Open planner"), qPrintable(n.actions.join(',')));
    for (int minutes : {46, 50, 59}) clock::setFixed(at(Today, 9, minutes));
    AlertedProgram::settle();
    QCOMPARE(service.shown.size(), 1u);
    QVERIFY(!p.alerts->armedFor().isValid());
}

// The program's own edits through the planner's dataset: a new start moves the alert, a second event comes first,
// a delete takes its alert away.
void TestAlerts::changesRearm()
{
    EmptyHome home;
    NotificationService service;
    TestDatabase db({dayInsert(Today), eventAt(Today, "10:00 AM", 15, "Call Acme")});
    AlertedProgram p(db.folder());
    TMainDataModule& dm = *p.program.dataModule();
    TCalendarForm& planner = *p.program.calendar();
    planner.show();
    AlertedProgram::settle();
    QCOMPARE(dm.DayEvents->recordCount(), 1);

    dm.DayEvents->edit();
    dm.DayEvents->setValue("StartTime", "11:00 AM");
    dm.DayEvents->post();
    AlertedProgram::settle();
    QCOMPARE(p.alerts->armedFor(), dates::wallClock(Today, QTime(10, 45)));

    dm.DayEvents->append();
    dm.DayEvents->setValue("Action", "Visit Brill");
    dm.DayEvents->setValue("StartTime", "9:30 AM");
    dm.DayEvents->setValue("ReminderBefore", 10);
    dm.DayEvents->post();
    AlertedProgram::settle();
    QCOMPARE(p.alerts->armedFor(), dates::wallClock(Today, QTime(9, 20)));

    QVERIFY(dm.DayEvents->locate({"Action"}, {"Visit Brill"}));
    dm.DayEvents->remove();
    AlertedProgram::settle();
    QCOMPARE(p.alerts->armedFor(), dates::wallClock(Today, QTime(10, 45)));
    clock::setFixed(at(Today, 10, 0));
    AlertedProgram::settle();
    QCOMPARE(summaries(service), QStringList());
    clock::setFixed(at(Today, 10, 45));
    AlertedProgram::settle();
    QCOMPARE(summaries(service), QStringList{"Call Acme"});
    planner.hide();
}

// Events written by another connection to the file, as another running copy or another program writes them, are
// armed and raised.
void TestAlerts::anotherCopysEventIsNoticed()
{
    EmptyHome home;
    NotificationService service;
    TestDatabase db({dayInsert(Today)});
    AlertedProgram p(db.folder());
    AlertedProgram::settle();
    QVERIFY(!p.alerts->armedFor().isValid());
    db.execute({eventAt(Today, "2:00 PM", 30, "Quote for Brill")});
    QTRY_COMPARE(p.alerts->armedFor(), dates::wallClock(Today, QTime(13, 30)));
    clock::setFixed(at(Today, 13, 30));
    AlertedProgram::settle();
    QCOMPARE(summaries(service), QStringList{"Quote for Brill"});

    // Another program writes the alert time as a day number (days since 30 December 1899, the fraction the time).
    const double dayNumber = QDate(1899, 12, 30).daysTo(Today) + 15.75 / 24;
    db.execute({QStringLiteral("INSERT INTO CalendarEvents (DayID, Action, StartTime, ReminderBefore, Time) VALUES "
                               "(1, 'Tea with Cole', '4:00 PM', 15, %1)")
                    .arg(dayNumber, 0, 'f', 10)});
    QTRY_COMPARE(p.alerts->armedFor(), dates::wallClock(Today, QTime(15, 45)));
    clock::setFixed(at(Today, 15, 45));
    AlertedProgram::settle();
    QCOMPARE(summaries(service), (QStringList{"Quote for Brill", "Tea with Cole"}));
}

// The button of the notification, pressed on the desktop, brings up the planner on the event's day, not today.
void TestAlerts::buttonOpensThePlannerOnTheEventsDay()
{
    EmptyHome home;
    NotificationService service;
    const QDate tomorrow = Today.addDays(1);
    TestDatabase db({dayInsert(Today), dayInsert(tomorrow), eventAt(tomorrow, "8:00 AM", 60, "Breakfast with Ames")});
    clock::setFixed(at(Today, 23, 0));
    AlertedProgram p(db.folder());
    clock::setFixed(at(tomorrow, 7, 0));
    AlertedProgram::settle();
    QCOMPARE(service.shown.size(), 1u);

    QString seen;
    TCalendarForm* planner = p.program.calendar();
    auto modal = whenModal([&](QWidget* w) {
        seen = w->objectName() + ' ' + planner->MonthCalendar1->selectedDate().toString("M/d/yyyy") + ' ' +
               p.program.dataModule()->DaysTable->text("Day");
        w->close();
    });
    clock::setFixed(at(Today.addDays(3), 9, 0)); // the desktop kept the notification for a few days
    service.press(service.shown.front().id, "open");
    QTRY_VERIFY(modal->acted());
    QTRY_VERIFY(!planner->isVisible());
    QVERIFY2(modal->ok(), modal->failure());
    QCOMPARE(seen, "TCalendarForm " + tomorrow.toString("M/d/yyyy") + ' ' + tomorrow.toString("M/d/yyyy"));
}

// What came due while the program was closed is raised at start-up when its event has not started yet, once: a
// second start raises nothing.
void TestAlerts::startUpRaisesMissedAlertsOfEventsNotStarted()
{
    EmptyHome home;
    NotificationService service;
    TestDatabase db({dayInsert(Today.addDays(-1)), dayInsert(Today), eventAt(Today, "9:00 AM", 15, "Started already"),
                     eventAt(Today, "10:00 AM", 30, "Still to come"), eventAt(Today, "11:30 AM", 15, "Later"),
                     eventAt(Today.addDays(-1), "6:00 PM", 15, "Yesterday")});
    clock::setFixed(at(Today.addDays(-1), 17, 0));
    {
        AlertedProgram closedYesterday(db.folder());
        AlertedProgram::settle();
    }
    QCOMPARE(service.shown.size(), 0u);
    clock::setFixed(at(Today, 9, 40));
    {
        AlertedProgram p(db.folder());
        AlertedProgram::settle();
        QCOMPARE(summaries(service), QStringList{"Still to come"});
        QCOMPARE(p.alerts->armedFor(), dates::wallClock(Today, QTime(11, 15)));
    }
    AlertedProgram again(db.folder());
    AlertedProgram::settle();
    QCOMPARE(summaries(service), QStringList{"Still to come"});
}

// One notification for the day's birthdays and anniversaries of contacts whose reminder is set, once a day whatever
// the starts, again on the next day; its button opens Reminders.
void TestAlerts::todaysRemindersAreAnnouncedOnceADay()
{
    EmptyHome home;
    NotificationService service;
    TestDatabase db(
        {birthdayToday("Adams", true), birthdayToday("Baker", true), birthdayToday("Clark", false),
         personInsert("Dunn",
                      {"Anniversary", Today.addYears(-5).toString("yyyy-MM-dd") + " 00:00:00", "Areminder", "True"}),
         personInsert("Evans", {"Birthday", Today.addDays(1).addYears(-30).toString("yyyy-MM-dd") + " 00:00:00",
                                "Breminder", "True"})});
    {
        AlertedProgram p(db.folder());
        AlertedProgram::settle();
    }
    QCOMPARE(summaries(service), QStringList{"3 reminders for today"});
    QVERIFY(service.shown.front().actions.contains("Open reminders"));
    clock::setFixed(at(Today, 15, 0));
    AlertedProgram p(db.folder());
    AlertedProgram::settle();
    QCOMPARE(service.shown.size(), 1u);

    clock::setFixed(at(Today.addDays(1), 0, 0));
    AlertedProgram::settle();
    QCOMPARE(summaries(service), (QStringList{"3 reminders for today", "1 reminder for today"}));

    int listed = -1;
    auto modal = whenModal([&](QWidget* w) {
        listed = p.program.reminders()->reminderCount();
        w->close();
    });
    service.press(service.shown.back().id, "default");
    QTRY_VERIFY(modal->acted());
    QTRY_VERIFY(!p.program.reminders()->isVisible());
    QVERIFY2(modal->ok(), modal->failure());
    QCOMPARE(listed, 1);
}

void TestAlerts::bannerTakesWhatNoServiceTakes_data()
{
    QTest::addColumn<bool>("serviceRuns");
    QTest::newRow("no service on the bus") << false;
    QTest::newRow("the service fails") << true;
}

// No modal box, nothing lost: the alert stands in the main window's banner, and its button opens the planner.
void TestAlerts::bannerTakesWhatNoServiceTakes()
{
    QFETCH(bool, serviceRuns);
    EmptyHome home;
    std::unique_ptr<NotificationService> service;
    if (serviceRuns) service = std::make_unique<NotificationService>(true);
    TestDatabase db({dayInsert(Today), eventAt(Today, "10:00 AM", 15, "Call Acme")});
    AlertedProgram p(db.folder());
    p.program.showMainWindow();
    NoticeBanner* banner = findNamed<NoticeBanner>(p.program.mainWindow(), "NoticeBanner");
    AlertedProgram::settle();
    QVERIFY(!banner->isVisible());
    clock::setFixed(at(Today, 9, 45));
    QTRY_COMPARE(banner->texts(), QStringList{"Call Acme: 12/10/2026, 10:00 AM"});
    QVERIFY(banner->isVisible());
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(p.messages.shown.size(), 0u);

    QString seen;
    auto modal = whenModal([&](QWidget* w) {
        seen = w->objectName();
        w->close();
    });
    QTest::mouseClick(findNamed<QPushButton>(banner, "NoticeAction"), Qt::LeftButton);
    QVERIFY2(modal->ok(), modal->failure());
    QCOMPARE(seen, QString("TCalendarForm"));
    QCOMPARE(banner->texts(), QStringList());
    QTRY_VERIFY(!banner->isVisible());
}

void TestAlerts::alertsAcrossClockChanges_data()
{
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QList<QDateTime>>("clock"); // the moments the clock is set to, in turn
    QTest::addColumn<QList<int>>("raised");      // how many have been raised after each
    // 2026-11-01: 2:00 EDT becomes 1:00 EST, and 1:00 to 2:00 comes twice.
    const QDate fallBack(2026, 11, 1);
    auto utc = [](const QDate& d, int h, int m) { return QDateTime(d, QTime(h, m), Qt::UTC); };
    QTest::newRow("fall back: raised in the first 1:30, not in the second")
        << fallBack << "1:45 AM"
        << QList<QDateTime>{utc(fallBack, 5, 0), utc(fallBack, 5, 30), utc(fallBack, 6, 10), utc(fallBack, 6, 30),
                            utc(fallBack, 6, 50)}
        << QList<int>{0, 1, 1, 1, 1};
    QTest::newRow("fall back: an alert in the repeated hour after the first")
        << fallBack << "2:15 AM" // alert 2:00, reached once, at 2:00 EST
        << QList<QDateTime>{utc(fallBack, 5, 50), utc(fallBack, 6, 10), utc(fallBack, 6, 59), utc(fallBack, 7, 0)}
        << QList<int>{0, 0, 0, 1};
    // 2026-03-08: 2:00 EST becomes 3:00 EDT; 2:30 never shows.
    const QDate springForward(2026, 3, 8);
    QTest::newRow("spring forward: an alert in the skipped hour comes as it ends")
        << springForward << "2:45 AM"
        << QList<QDateTime>{utc(springForward, 6, 59), utc(springForward, 7, 0), utc(springForward, 7, 30)}
        << QList<int>{0, 1, 1};
    QTest::newRow("spring forward: the hour after")
        << springForward << "3:30 AM"
        << QList<QDateTime>{utc(springForward, 6, 59), utc(springForward, 7, 0), utc(springForward, 7, 15)}
        << QList<int>{0, 0, 1};
}

// Alert times are wall-clock times: raised once when the wall clock first shows them, whichever way it jumps.
void TestAlerts::alertsAcrossClockChanges()
{
    QFETCH(QDate, day);
    QFETCH(QString, start);
    QFETCH(QList<QDateTime>, clock);
    QFETCH(QList<int>, raised);
    EmptyHome home;
    NotificationService service;
    TestDatabase db({dayInsert(day), eventAt(day, start, 15, "Early call")});
    clock::setFixed(clock.front().addSecs(-3600));
    AlertedProgram p(db.folder());
    AlertedProgram::settle(300);
    for (int i = 0; i < clock.size(); ++i) {
        clock::setFixed(clock[i]);
        AlertedProgram::settle(300);
        QVERIFY2(int(service.shown.size()) == raised[i],
                 qPrintable(QString("%1 raised at %2 (%3 local)")
                                .arg(service.shown.size())
                                .arg(clock[i].toString(Qt::ISODate), clock[i].toLocalTime().toString(Qt::ISODate))));
    }
}

void TestAlerts::wakeMomentFollowsTheZone_data()
{
    QTest::addColumn<QDateTime>("realNow");
    QTest::addColumn<QDateTime>("wall");
    QTest::addColumn<QDateTime>("wake");
    auto utc = [](int y, int mo, int d, int h, int mi, int s = 0) {
        return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
    };
    auto wall = [](int y, int mo, int d, int h, int mi) { return dates::wallClock(QDate(y, mo, d), QTime(h, mi)); };
    QTest::newRow("within the minute, in winter")
        << utc(2026, 12, 10, 14, 44, 30) << wall(2026, 12, 10, 9, 45) << utc(2026, 12, 10, 14, 45);
    QTest::newRow("within the minute, in summer")
        << utc(2026, 7, 10, 13, 44, 30) << wall(2026, 7, 10, 9, 45) << utc(2026, 7, 10, 13, 45);
    QTest::newRow("far off: a look a minute on")
        << utc(2026, 12, 10, 9, 0) << wall(2026, 12, 10, 9, 45) << utc(2026, 12, 10, 9, 1);
    QTest::newRow("in the skipped hour: as it ends")
        << utc(2026, 3, 8, 6, 59, 30) << wall(2026, 3, 8, 2, 30) << utc(2026, 3, 8, 7, 0);
    QTest::newRow("passed already: now") << utc(2026, 12, 10, 15, 0) << wall(2026, 12, 10, 9, 45)
                                         << utc(2026, 12, 10, 15, 0);
}

// The real moment the system's timer wakes the alarm: the alert's wall-clock time in the zone, a skipped hour's end,
// and never more than a minute away, so that a change of offset is seen within a minute.
void TestAlerts::wakeMomentFollowsTheZone()
{
    QFETCH(QDateTime, realNow);
    QFETCH(QDateTime, wall);
    QFETCH(QDateTime, wake);
    QCOMPARE(WallClockAlarm::nextLook(realNow, wall), wake);
}

// Tools -> "Desktop alerts": checked at first; unchecked by the user (as a screen reader toggles it), nothing is
// raised, not even later, and the choice holds in the next run; checked again, the next alert comes.
void TestAlerts::menuItemTurnsAlertsOffAndIsRemembered()
{
    EmptyHome home;
    NotificationService service;
    TestDatabase db(
        {dayInsert(Today), eventAt(Today, "10:00 AM", 15, "Call Acme"), eventAt(Today, "11:00 AM", 15, "Call Brill")});
    {
        AlertedProgram p(db.folder());
        QAction* item = p.program.mainWindow()->DesktopAlertsItem;
        QVERIFY(item->isVisible() && item->isCheckable() && item->isChecked());
        QCOMPARE(item->text(), QString("Desktop &alerts"));
        QMenu* tools = findNamed<QMenu>(p.program.mainWindow(), "ToolsMenu");
        QVERIFY(tools->actions().contains(item));
        QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(tools);
        QAccessibleInterface* entry = nullptr;
        for (int i = 0; i < menu->childCount(); ++i)
            if (menu->child(i)->text(QAccessible::Name).remove('&') == "Desktop alerts") entry = menu->child(i);
        QVERIFY(entry && entry->state().checkable && entry->state().checked);
        entry->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(!item->isChecked());
        clock::setFixed(at(Today, 9, 50));
        AlertedProgram::settle();
        QCOMPARE(service.shown.size(), 0u);
    }
    AlertedProgram p(db.folder());
    QAction* item = p.program.mainWindow()->DesktopAlertsItem;
    QVERIFY(!item->isChecked());
    clock::setFixed(at(Today, 10, 0));
    AlertedProgram::settle();
    QCOMPARE(service.shown.size(), 0u);
    item->trigger();
    QVERIFY(item->isChecked());
    AlertedProgram::settle();
    QCOMPARE(service.shown.size(), 0u); // what came due while off stays unraised
    clock::setFixed(at(Today, 10, 45));
    AlertedProgram::settle();
    QCOMPARE(summaries(service), QStringList{"Call Brill"});
}

QTEST_MAIN(TestAlerts)
#include "test_alerts.moc"

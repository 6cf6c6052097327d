// Paths of the activities: the reminders command over every contact, choosing another contact in the follow-up
// window among many follow-ups, opening the follow-up window over every contact until its grid is painted, and
// arming the desktop alerts anew after a change to the planner.
#include "activities/DesktopAlerts.h"
#include "activities/FollowUp.h"
#include "activities/Reminders.h"
#include "app/Program.h"
#include "bench/Bench.h"
#include "bench/PlainCopy.h"
#include "data/DataModule.h"
#include "platform/Clock.h"
#include "platform/DBGrid.h"

#include <QApplication>
#include <QTableView>
#include <QTableWidget>
#include <random>
#include <sqlcipher/sqlite3.h>

namespace qv::bench {

namespace {

// The day the reminders are looked up for; the generated birthdays spread over the whole year.
const QDate ReminderDay(2026, 6, 15);

sqlite3_stmt* prepare(sqlite3* db, const char* sql)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(db));
    return st;
}

Result remindersScan(Context& c)
{
    Program& program = c.program();
    TRemindersForm& form = *program.reminders();
    clock::setFixed(QDateTime(ReminderDay, QTime(9, 0)));
    // The window is closed as soon as its list has been painted: the path is the click up to a filled window.
    PaintWatch watch(form.RemindersGrid->viewport(), [&form](QWidget*) { form.reject(); });
    Result r;
    r.program = bestOf(5, [&] {
        watch.rearm();
        form.remindersCommand();
    });
    const int reminders = form.reminderCount();
    clock::setFixed({});

    sqlite3* db = c.openRaw();
    sqlite3_stmt* st = prepare(db, "SELECT Name, PersonType, Mobile, Email1 FROM People NOT INDEXED WHERE CompanyID = "
                                   "(SELECT min(CompanyID) FROM Companies) AND ((upper(Breminder) = 'TRUE' AND "
                                   "substr(Birthday, 6, 5) = ?1) OR (upper(Areminder) = 'TRUE' AND "
                                   "substr(Anniversary, 6, 5) = ?1))");
    const QByteArray monthDay = ReminderDay.toString("MM-dd").toLatin1();
    sqlite3_bind_text(st, 1, monthDay.constData(), int(monthDay.size()), SQLITE_TRANSIENT);
    int rawRows = 0;
    r.baseline = bestOf(5, [&] {
        rawRows = 0;
        while (sqlite3_step(st) == SQLITE_ROW) ++rawRows;
        sqlite3_reset(st);
    });
    sqlite3_finalize(st);
    closeRaw(db);
    r.note = QStringLiteral("(%1 reminders; floor: the same rows and columns in one plain scan)").arg(reminders);
    if (reminders != rawRows) r.note += QStringLiteral(" (raw found %1)").arg(rawRows);
    return r;
}

// Brings the follow-ups of the file up to three per contact, written by another connection, and lets the program
// read them in.
void addFollowUps(Context& c, int wanted)
{
    sqlite3* db = c.openRaw();
    sqlite3_stmt* count = prepare(db, "SELECT count(*) FROM PeopleFollowUp");
    sqlite3_step(count);
    const int have = sqlite3_column_int(count, 0);
    sqlite3_finalize(count);
    if (have < wanted) {
        rawExec(db, "BEGIN");
        sqlite3_stmt* ins = prepare(db, "INSERT INTO PeopleFollowUp (FUDate, ProductsInterestedIn, FUDescription, "
                                        "PersonID, ExpextedOrderValue, ContactMethod, SaleStatus, RoleInSale) "
                                        "VALUES ('2025-03-04 00:00:00', 'Service plan', 'Called about the renewal.', "
                                        "?, ?, 'Telephone', 'Need recognition', 'User')");
        std::mt19937 rng(7);
        for (int i = have; i < wanted; ++i) {
            sqlite3_bind_int(ins, 1, 1 + int(rng() % unsigned(c.contacts())));
            sqlite3_bind_int(ins, 2, 1000 + int(rng() % 9000));
            sqlite3_step(ins);
            sqlite3_reset(ins);
        }
        sqlite3_finalize(ins);
        rawExec(db, "COMMIT");
    }
    closeRaw(db);
    c.dataModule().FollowUp->refresh();
}

// The follow-up window's plain copy: its contacts table over every contact's ten columns read raw (the person's id
// kept beside them), its follow-ups table over the chosen contact's follow-ups read by a prepared statement.
struct FollowUpFloor {
    PlainCopy copy;
    RawTableModel contacts, followUps;
    sqlite3* db;
    sqlite3_stmt* byPerson;
    QTableView* contactsTable;

    static QStringList headings(const DBGrid* grid)
    {
        QStringList h;
        for (int c = 0; c < grid->datasetModel()->columnCount(); ++c) h << grid->datasetModel()->column(c).caption;
        return h;
    }

    FollowUpFloor(Context& c, TFollowUpForm& form)
        : copy(&form), contacts(headings(form.ContactsGrid)), followUps(headings(form.FollowUpGrid)), db(c.openRaw())
    {
        contacts.rows().read(db, "SELECT Title, Name, Gender, PersonType, CustoemrImportance, EducationLevel, "
                                 "Profession, Company, JobTitle, Income, PersonID FROM People WHERE CompanyID = "
                                 "(SELECT min(CompanyID) FROM Companies) ORDER BY rowid");
        byPerson = prepare(db, "SELECT FUDate, ContactMethod, ProductsInterestedIn, SaleStatus, RoleInSale, "
                               "ExpextedOrderValue, ExpectedOrderDate, FUDescription FROM PeopleFollowUp "
                               "WHERE PersonID = ? ORDER BY rowid");
        followUps.setDateColumns({0, 6});
        contactsTable = copy.tableFor(form.ContactsGrid);
        contactsTable->setModel(&contacts);
        copy.tableFor(form.FollowUpGrid)->setModel(&followUps);
        copy.matchColumns(form.ContactsGrid);
        copy.matchColumns(form.FollowUpGrid);
    }
    ~FollowUpFloor()
    {
        sqlite3_finalize(byPerson);
        closeRaw(db);
    }
    // The follow-ups of the contact at a row of the contacts table.
    void showFollowUpsOf(int row)
    {
        followUps.beginChange();
        followUps.rows().clear();
        sqlite3_bind_int64(byPerson, 1, contacts.rows().integer(row, 10));
        followUps.rows().read(byPerson);
        followUps.endChange();
    }
};

// Choosing another contact in the follow-up window's contacts grid (the follow-ups of the file brought up to three
// per contact), until the window has repainted, against its plain copy: the same row chosen in the plain contacts
// table, that contact's follow-ups read and set into the plain follow-ups table, the window's other controls set
// as the program's showed them, repainted.
Result followUpSwitch(Context& c)
{
    const int followUps = 3 * c.contacts();
    addFollowUps(c, followUps);
    TFollowUpForm& form = *c.program().followUp();
    Dataset* contacts = c.dataModule().PeopleCompanyDet;
    contacts->first();
    showPainted(&form);
    DBGrid* grid = form.ContactsGrid;
    const int middle = contacts->recordCount() / 2;
    const int rounds = 50;
    // What the window shows on each of the two contacts chosen in turn.
    std::vector<ShownState> shown;
    FollowUpFloor floor(c, form);
    for (int k = 0; k < 2; ++k) {
        grid->setCurrentIndex(grid->datasetModel()->index(middle + k, 1));
        QApplication::processEvents();
        shown.push_back(floor.copy.capture());
    }
    const int shownFollowUps = c.dataModule().FollowUp->recordCount();
    showPainted(floor.copy.window());
    int k = 0, j = 0;
    Result r = inTurns(
        5,
        [&] {
            for (int i = 0; i < rounds; ++i) {
                grid->setCurrentIndex(grid->datasetModel()->index(middle + (k++ % 2), 1));
                QApplication::processEvents();
            }
        },
        [&] {
            for (int i = 0; i < rounds; ++i) {
                const int row = middle + (j++ % 2);
                floor.contactsTable->setCurrentIndex(floor.contacts.index(row, 1));
                floor.showFollowUpsOf(row);
                floor.copy.apply(shown[size_t(row - middle)]);
                QApplication::processEvents();
            }
        },
        Clock::Wall, rounds);
    form.hide();
    floor.copy.window()->hide();
    if (floor.followUps.rowCount() != shownFollowUps)
        r.note = QStringLiteral("(the floor showed %1 follow-ups) ").arg(floor.followUps.rowCount());
    r.note += QStringLiteral("(%1 follow-ups in the file, %2 shown; floor: the window's plain copy, the row chosen, "
                             "its follow-ups read by a prepared statement, repainted)")
                  .arg(followUps)
                  .arg(shownFollowUps);
    return r;
}

// The follow-up window shown until its contacts grid is painted, in processor time (without the platform's wait
// before it asks a newly shown window to paint), against its plain copy with the same rows shown.
Result contactsGridOpen(Context& c)
{
    TFollowUpForm& form = *c.program().followUp();
    Dataset* contacts = c.dataModule().PeopleCompanyDet;
    contacts->first();
    showPainted(&form);
    FollowUpFloor floor(c, form);
    floor.showFollowUpsOf(0);
    form.hide();
    QApplication::processEvents();
    PaintWatch watch(form.ContactsGrid->viewport());
    PaintWatch floorWatch(floor.contactsTable->viewport());
    Result r = inTurns(
        5,
        [&] {
            watch.rearm();
            form.show();
            watch.wait();
            form.hide();
            QApplication::processEvents();
            // Something else moves the contacts while the window is closed, as the other windows do.
            contacts->next();
            contacts->first();
        },
        [&] {
            floorWatch.rearm();
            floor.copy.window()->show();
            floorWatch.wait();
            floor.copy.window()->hide();
            QApplication::processEvents();
        },
        Clock::ThreadCpu);
    const int screenful = std::max(1, form.ContactsGrid->viewport()->height() / form.ContactsGrid->rowHeight(0));
    r.note = QStringLiteral("(%1 contacts, %2 on the first screen; processor time from show to paint; floor: the "
                            "window's plain copy over the same rows)")
                 .arg(form.ContactsGrid->datasetModel()->rowCount())
                 .arg(screenful);
    return r;
}

// Brings the planner's events up to `wanted`, written by another connection on days of their own after the
// generated ones, each with an alert time, as the planner stores them.
void addEvents(Context& c, int wanted)
{
    sqlite3* db = c.openRaw();
    sqlite3_stmt* count = prepare(db, "SELECT count(*), max(DayID) FROM CalendarEvents");
    sqlite3_step(count);
    const int have = sqlite3_column_int(count, 0);
    sqlite3_finalize(count);
    if (have < wanted) {
        rawExec(db, "BEGIN");
        sqlite3_stmt* day = prepare(db, "INSERT INTO CalendarDays (Day) VALUES (?)");
        sqlite3_stmt* event = prepare(db, "INSERT INTO CalendarEvents (DayID, Action, StartTime, EndTime, "
                                          "ReminderBefore, Time) VALUES (?, 'Call about the renewal', '9:00 AM', "
                                          "'9:30 AM', 15, ?)");
        QDate d(2027, 1, 1);
        qint64 dayId = 0;
        for (int i = have; i < wanted; ++i) {
            if ((i - have) % 20 == 0) {
                d = d.addDays(1);
                const QByteArray text = d.toString("M/d/yyyy").toLatin1();
                sqlite3_bind_text(day, 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
                sqlite3_step(day);
                sqlite3_reset(day);
                dayId = sqlite3_last_insert_rowid(db);
            }
            const QByteArray alert = (d.toString("yyyy-MM-dd") + " 08:45:00").toLatin1();
            sqlite3_bind_int64(event, 1, dayId);
            sqlite3_bind_text(event, 2, alert.constData(), int(alert.size()), SQLITE_TRANSIENT);
            sqlite3_step(event);
            sqlite3_reset(event);
        }
        sqlite3_finalize(day);
        sqlite3_finalize(event);
        rawExec(db, "COMMIT");
    }
    closeRaw(db);
}

// Arming the desktop alerts after a change to the planner: the next alert time after the last one raised, read from
// every event, against the raw query of the same time on a warm connection.
Result alertsRearm(Context& c)
{
    const int events = c.contacts();
    addEvents(c, events);
    // The program's settings and its notices stay in the benchmark's folder: no desktop bus, no user's settings.
    qputenv("XDG_CONFIG_HOME", (c.folder() + "config").toUtf8());
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (c.folder() + "no-bus").toUtf8());
    const QDateTime before(QDate(2025, 12, 31), QTime(12, 0));
    clock::setFixed(before);
    Program& program = c.program();
    program.startAlerts();
    DesktopAlerts& alerts = *program.desktopAlerts();
    Result r;
    r.program = bestOf(20, [&] { alerts.rearm(); });
    const QDateTime armed = alerts.armedFor();
    clock::setFixed({});

    sqlite3* db = c.openRawWarm();
    sqlite3_stmt* st = prepare(db, "SELECT min(Time) FROM CalendarEvents WHERE Time > ?");
    const QByteArray after = before.toString("yyyy-MM-dd HH:mm:ss").toLatin1();
    sqlite3_bind_text(st, 1, after.constData(), int(after.size()), SQLITE_STATIC);
    QByteArray next;
    r.baseline = bestOf(20, [&] {
        sqlite3_step(st);
        next = QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_reset(st);
    });
    sqlite3_finalize(st);
    closeRaw(db);
    r.note = QStringLiteral("(%1 events; floor: one prepared min(Time) > the last raised)").arg(events);
    if (armed.toString("yyyy-MM-dd HH:mm:ss").toLatin1() != next)
        r.note += QStringLiteral(" (armed %1, raw %2)").arg(armed.toString(Qt::ISODate), QString::fromLatin1(next));
    return r;
}

} // namespace

QV_BENCH_PATH("reminders-scan", remindersScan);
QV_BENCH_PATH("followup-switch", followUpSwitch);
QV_BENCH_PATH("contacts-grid-open", contactsGridOpen);
QV_BENCH_PATH("alerts-rearm", alertsRearm);

} // namespace qv::bench

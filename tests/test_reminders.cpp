// The reminders command over a table of contacts and a fixed today, in a daylight-saving time zone: which
// contacts are listed and how, the message when none is, the window's label, pointer and greeting e-mails, and
// the main window's item that runs it.
#include "activities/Reminders.h"
#include "app/MainFrameUnit.h"
#include "app/Program.h"
#include "data/DataModule.h"
#include "platform/Clock.h"
#include "tests/support/StartedProgram.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QtTest>

using namespace qv;
using namespace qv::test;

namespace {

// A contact with the given fields; dates as stored ("yyyy-MM-dd hh:mm:ss").
QString contact(const QString& name, const QStringList& fields) { return personInsert(name, fields); }

QStringList shownRows(const TRemindersForm& form)
{
    QStringList rows;
    for (int r = 0; r < form.reminderCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < TRemindersForm::ColumnCount; ++c) cells << form.cellText(r, c);
        rows << cells.join('|');
    }
    return rows;
}

struct Reminders {
    explicit Reminders(const QStringList& rows) : db(rows), dm(db.open()), form(dm) {}
    // Runs the command; a window that comes up is closed at once.
    bool run()
    {
        auto modal = whenModal([](QWidget* w) { w->close(); }, 300);
        form.remindersCommand();
        // When nothing came up, let the watch give up before the next test can open a window.
        [[maybe_unused]] const bool settled = QTest::qWaitFor([&] { return modal->acted() || !modal->ok(); }, 2000);
        return modal->acted();
    }
    TestDatabase db;
    TMainDataModule& dm;
    TRemindersForm form;
};

} // namespace

class TestReminders : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        useUnitedStatesLocale();
        useDaylightSavingZone();
    }
    void cleanup() { clock::setFixed({}); }

    void listsTodaysReminders_data();
    void listsTodaysReminders();
    void noContactsShowsNothingAtAll();
    void secondRunRebuildsTheListAndEndsOnTheFirstContact();
    void greetingEmailsFromTheEmailColumn_data();
    void greetingEmailsFromTheEmailColumn();
    void windowShowsTodayAndHintsTheEmailColumn();
    void mainWindowItemRunsTheCommand();
    void mobileAndEmailWidenIntoTheRoom_data();
    void mobileAndEmailWidenIntoTheRoom();
};

void TestReminders::listsTodaysReminders_data()
{
    QTest::addColumn<QStringList>("contacts");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QStringList>("rows"); // No.|Name|Type|Event|Mobile|Email
    QTest::addColumn<QStringList>("messages");

    const QDate dec10(2026, 12, 10);
    const QString born = "1970-12-10 00:00:00";
    QTest::newRow("flags null, FALSE, TRUE, true")
        << QStringList{contact("Null", {"Birthday", born}), contact("False", {"Birthday", born, "Breminder", "FALSE"}),
                       contact("Upper", {"Birthday", born, "Breminder", "TRUE"}),
                       contact("Lower", {"Birthday", born, "Breminder", "true"})}
        << dec10 << QStringList{"1|Upper||Birthday||", "2|Lower||Birthday||"} << QStringList();
    QTest::newRow("a flag without a date, a date of another day")
        << QStringList{contact("NoDate", {"Breminder", "TRUE"}),
                       contact("Tomorrow", {"Birthday", "1970-12-11 00:00:00", "Breminder", "TRUE"})}
        << dec10 << QStringList() << QStringList{"No reminders for today."};
    QTest::newRow("a birthday in a future year counts by month and day")
        << QStringList{contact("Future", {"Birthday", "2031-12-10 00:00:00", "Breminder", "TRUE", "PersonType",
                                          "Customer", "Mobile", "555-1", "Email1", "f@example.com"})}
        << dec10 << QStringList{"1|Future|Customer|Birthday|555-1|f@example.com"} << QStringList();
    QTest::newRow("both events of one contact, birthday first; numbered on")
        << QStringList{contact("Both", {"Birthday", born, "Breminder", "TRUE", "Anniversary", "1995-12-10 00:00:00",
                                        "Areminder", "TRUE"}),
                       contact("Other", {"Birthday", born, "Breminder", "TRUE"})}
        << dec10 << QStringList{"1|Both||Birthday||", "2|Both||Anniversary||", "3|Other||Birthday||"} << QStringList();
    QTest::newRow("each event has its own flag")
        << QStringList{contact("AnnOnly",
                               {"Birthday", born, "Breminder", "FALSE", "Anniversary", born, "Areminder", "TRUE"})}
        << dec10 << QStringList{"1|AnnOnly||Anniversary||"} << QStringList();
    QTest::newRow("empty type, mobile and e-mail give empty cells")
        << QStringList{contact("Blank",
                               {"Birthday", born, "Breminder", "TRUE", "PersonType", "", "Mobile", "", "Email1", ""})}
        << dec10 << QStringList{"1|Blank||Birthday||"} << QStringList();
    const QString leapling = contact("Leap", {"Birthday", "2000-02-29 00:00:00", "Breminder", "TRUE"});
    QTest::newRow("29 February in a leap year")
        << QStringList{leapling} << QDate(2028, 2, 29) << QStringList{"1|Leap||Birthday||"} << QStringList();
    QTest::newRow("28 February in another year")
        << QStringList{leapling} << QDate(2027, 2, 28) << QStringList() << QStringList{"No reminders for today."};
    QTest::newRow("1 March in another year")
        << QStringList{leapling} << QDate(2027, 3, 1) << QStringList() << QStringList{"No reminders for today."};
    QTest::newRow("the day the clocks go forward")
        << QStringList{contact("Spring", {"Anniversary", "1990-03-08 00:00:00", "Areminder", "TRUE"})}
        << QDate(2026, 3, 8) << QStringList{"1|Spring||Anniversary||"} << QStringList();
}

void TestReminders::listsTodaysReminders()
{
    QFETCH(QStringList, contacts);
    QFETCH(QDate, today);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, messages);
    clock::setFixed(QDateTime(today, QTime(0, 30)));
    ScriptedMessages shown;
    Reminders r(contacts);
    const bool opened = r.run();
    QCOMPARE(shownRows(r.form), rows);
    QCOMPARE(shown.texts(), messages);
    QCOMPARE(opened, !rows.isEmpty());
    if (!messages.isEmpty()) QCOMPARE(int(shown.shown[0].kind), int(MessageKind::Information));
}

void TestReminders::noContactsShowsNothingAtAll()
{
    ScriptedMessages shown;
    Reminders r({});
    QVERIFY(!r.run());
    QVERIFY(shown.shown.empty());
    QCOMPARE(r.form.reminderCount(), 0);
}

// A second run lists the same reminders with the same numbers and no cell of the first; whatever contact was
// current, the first is current afterwards.
void TestReminders::secondRunRebuildsTheListAndEndsOnTheFirstContact()
{
    clock::setFixed(QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
    const QString born = "1970-12-10 00:00:00";
    Reminders r({contact("A", {"Birthday", born, "Breminder", "TRUE", "Mobile", "555-1", "Email1", "a@x.com"}),
                 contact("B", {}), contact("C", {"Birthday", born, "Breminder", "TRUE", "Mobile", "555-3"}),
                 contact("D", {}), contact("E", {})});
    r.dm.PeopleCompanyDet->moveTo(2);
    QVERIFY(r.run());
    QCOMPARE(shownRows(r.form), (QStringList{"1|A||Birthday|555-1|a@x.com", "2|C||Birthday|555-3|"}));
    QCOMPARE(r.dm.PeopleCompanyDet->recNo(), 0);

    r.db.execute({"UPDATE People SET Mobile = NULL, Email1 = NULL WHERE Name = 'A'"});
    r.dm.PeopleCompanyDet->refresh();
    r.dm.PeopleCompanyDet->moveTo(4);
    QVERIFY(r.run());
    QCOMPARE(shownRows(r.form), (QStringList{"1|A||Birthday||", "2|C||Birthday|555-3|"}));
    QCOMPARE(r.dm.PeopleCompanyDet->recNo(), 0);
}

void TestReminders::greetingEmailsFromTheEmailColumn_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("targets");
    QTest::newRow("birthday row") << 0 << int(TRemindersForm::EmailColumn)
                                  << QStringList{"mailto:both@example.com?subject=Happy%20Birthday"};
    QTest::newRow("anniversary row") << 1 << int(TRemindersForm::EmailColumn)
                                     << QStringList{"mailto:both@example.com?subject=Happy%20Anniversary"};
    QTest::newRow("no address still opens a message")
        << 2 << int(TRemindersForm::EmailColumn) << QStringList{"mailto:?subject=Happy%20Birthday"};
    QTest::newRow("another column") << 0 << int(TRemindersForm::NameColumn) << QStringList();
    QTest::newRow("an address holding ?, & and a line break stays one address")
        << 3 << int(TRemindersForm::EmailColumn)
        << QStringList{"mailto:odd@example.com%3Fcc%3Deve@example.com%26x%0ABcc%3A%20z@example.com"
                       "?subject=Happy%20Birthday"};
}

void TestReminders::greetingEmailsFromTheEmailColumn()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QStringList, targets);
    clock::setFixed(QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
    const QString born = "1970-12-10 00:00:00";
    Reminders r({contact("Both", {"Birthday", born, "Breminder", "TRUE", "Anniversary", born, "Areminder", "TRUE",
                                  "Email1", "both@example.com"}),
                 contact("NoMail", {"Birthday", born, "Breminder", "TRUE"}),
                 contact("Odd", {"Birthday", born, "Breminder", "TRUE", "Email1",
                                 "odd@example.com?cc=eve@example.com&x\nBcc: z@example.com"})});
    ScriptedShell shell;
    shell.result = 2; // the desktop could open nothing: still no message, the window stays
    ScriptedMessages shown;
    bool stillOpen = false;
    auto modal = whenModal([&](QWidget* w) {
        QTableWidget* grid = r.form.RemindersGrid;
        const QRect cell = grid->visualRect(grid->model()->index(row, column));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        // A click on the header opens nothing either.
        QTest::mouseClick(grid->horizontalHeader()->viewport(), Qt::LeftButton, {},
                          QPoint(grid->columnViewportPosition(TRemindersForm::EmailColumn) + 5, 5));
        stillOpen = w->isVisible();
        w->close();
    });
    r.form.remindersCommand();
    QVERIFY2(modal->ok(), modal->failure());
    QCOMPARE(shell.targets, targets);
    for (ShowMode mode : shell.modes) QCOMPARE(int(mode), int(ShowMode::Maximized));
    QVERIFY(stillOpen);
    QVERIFY(shown.shown.empty());
}

void TestReminders::windowShowsTodayAndHintsTheEmailColumn()
{
    clock::setFixed(QDateTime(QDate(2026, 12, 10), QTime(23, 59)));
    Reminders r({contact("Someone", {"Birthday", "1970-12-10 00:00:00", "Breminder", "TRUE", "Email1", "s@x.com"})});
    QString label;
    Qt::CursorShape overEmail = Qt::BlankCursor, overName = Qt::BlankCursor;
    QStringList headers;
    auto modal = whenModal([&](QWidget* w) {
        label = r.form.RemindersLabel->text();
        QTableWidget* grid = r.form.RemindersGrid;
        auto cursorAt = [&](int column) {
            QTest::mouseMove(grid->viewport(), grid->visualRect(grid->model()->index(0, column)).center());
            return grid->viewport()->cursor().shape();
        };
        overEmail = cursorAt(TRemindersForm::EmailColumn);
        overName = cursorAt(TRemindersForm::NameColumn);
        for (int c = 0; c < TRemindersForm::ColumnCount; ++c)
            headers << grid->model()->headerData(c, Qt::Horizontal).toString();
        w->close();
    });
    r.form.remindersCommand();
    QVERIFY2(modal->ok(), modal->failure());
    QCOMPARE(label, QString("Reminders for 12/10/2026"));
    QVERIFY(r.form.RemindersLabel->font().bold());
    QCOMPARE(overEmail, Qt::PointingHandCursor);
    QCOMPARE(overName, Qt::ArrowCursor);
    QCOMPARE(headers, (QStringList{"No.", "Name", "Type", "Event", "Mobile", "Email"}));
    QTableWidget* grid = r.form.RemindersGrid;
    QCOMPARE(grid->item(0, TRemindersForm::EmailColumn)->toolTip(), QString("Send email"));
    QVERIFY(grid->item(0, TRemindersForm::NameColumn)->toolTip().isEmpty());
    QCOMPARE(grid->columnWidth(TRemindersForm::NameColumn), 125);
    QCOMPARE(grid->columnWidth(TRemindersForm::EmailColumn), 150);
    QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
}

void TestReminders::mainWindowItemRunsTheCommand()
{
    clock::setFixed(QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
    StartedProgram p({contact("Nobody today", {"Birthday", "1970-01-01 00:00:00", "Breminder", "TRUE"})});
    QVERIFY(p.started);
    QAction* item = p.program.mainWindow()->RemindersItem;
    QVERIFY(item->isVisible());
    item->trigger();
    QCOMPARE(p.messages.texts(), QStringList{"No reminders for today."});
    QCOMPARE(p.program.reminders()->objectName(), QString("TRemindersForm"));
    QCOMPARE(p.program.reminders()->windowTitle(), QString("Reminders"));
}

void TestReminders::mobileAndEmailWidenIntoTheRoom_data()
{
    QTest::addColumn<QString>("email");
    QTest::addColumn<bool>("whole"); // whether both texts can be shown whole on the screen
    QTest::newRow("room for both") << "someone.with.a.long.name@sales.example-company.com" << true;
    QTest::newRow("wider than the screen") << QString(120, 'x') + "@example.com" << false;
}

// Long numbers and addresses are shown whole where the screen has the room; where it has not, the window stays on
// the screen, the columns keep at least their given widths and the grid scrolls.
void TestReminders::mobileAndEmailWidenIntoTheRoom()
{
    QFETCH(QString, email);
    QFETCH(bool, whole);
    clock::setFixed(QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
    Reminders r({contact("Someone", {"Birthday", "1970-12-10 00:00:00", "Breminder", "TRUE", "Mobile",
                                     "+49 (0)171 123 4567 890", "Email1", email})});
    int mobile = 0, shownEmail = 0, mobileNeeds = 0, emailNeeds = 0;
    QRect frame;
    auto modal = whenModal([&](QWidget* w) {
        QTableWidget* grid = r.form.RemindersGrid;
        mobile = grid->columnWidth(TRemindersForm::MobileColumn);
        shownEmail = grid->columnWidth(TRemindersForm::EmailColumn);
        mobileNeeds = static_cast<QAbstractItemView*>(grid)->sizeHintForColumn(TRemindersForm::MobileColumn);
        emailNeeds = static_cast<QAbstractItemView*>(grid)->sizeHintForColumn(TRemindersForm::EmailColumn);
        frame = w->frameGeometry();
        w->close();
    });
    r.form.remindersCommand();
    QVERIFY2(modal->ok(), modal->failure());
    QCOMPARE(mobile >= mobileNeeds && shownEmail >= emailNeeds, whole);
    QVERIFY(mobile >= 80 && shownEmail >= 150);
    QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().contains(frame));
}

QTEST_MAIN(TestReminders)
#include "test_reminders.moc"

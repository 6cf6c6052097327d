// The planner driven through its calendar, grid and buttons, in a daylight-saving time zone: the day selection
// on opening and on clicks (a new day, the same day again, a day text in another format, a day another copy of
// the program made meanwhile), the return to today on activation, the event rule's refusal in the grid and the
// "Database Usage" hook.
#include "activities/CalendarUnit.h"
#include "app/MainFrameUnit.h"
#include "app/Program.h"
#include "data/DataModule.h"
#include "platform/Clock.h"
#include "platform/DBGrid.h"
#include "platform/DBNavigator.h"
#include "tests/support/StartedProgram.h"
#include "tests/support/TestSupport.h"

#include <QAccessible>
#include <QAction>
#include <QCalendarWidget>
#include <QLineEdit>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

using namespace qv;
using namespace qv::test;

namespace {

const QDate Today(2026, 12, 10);

QString eventInsert(const QString& day, const QString& action)
{
    return QStringLiteral("INSERT INTO CalendarEvents (DayID, Action) VALUES ((SELECT DayID FROM CalendarDays WHERE "
                          "Day = '%1'), '%2')")
        .arg(day, action);
}

// The planner shown (not modally) and active, over a fresh database.
struct Planner {
    explicit Planner(const QStringList& rows = {}) : db(rows), dm(db.open()), form(dm)
    {
        form.show();
        QApplication::setActiveWindow(&form);
        if (!QTest::qWaitForWindowExposed(&form)) qFatal("planner not exposed");
    }
    int dayRows() const { return db.scalar("SELECT count(*) FROM CalendarDays").toInt(); }
    QString days() const
    {
        return db.scalar("SELECT group_concat(Day, ',') FROM (SELECT Day FROM CalendarDays ORDER BY DayID)").toString();
    }
    QString events() const
    {
        QStringList out;
        const DatasetModel* model = form.EventsGrid->datasetModel();
        for (int r = 0; r < dm.DayEvents->recordCount(); ++r) out << model->cellText(r, model->columnOf("Action"));
        return out.join(',');
    }
    // A click on a day of the month shown, as the user clicks it.
    void clickDay(int day)
    {
        auto* view = form.MonthCalendar1->findChild<QTableView*>();
        bool inMonth = false;
        for (int r = 0; r < view->model()->rowCount(); ++r)
            for (int c = 0; c < view->model()->columnCount(); ++c) {
                const QModelIndex i = view->model()->index(r, c);
                if (r == 0 || c == 0) continue; // day names and week numbers
                if (i.data().toString() == "1") inMonth = !inMonth;
                if (inMonth && i.data().toString() == QString::number(day)) {
                    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(i).center());
                    return;
                }
            }
        qFatal("no day %d", day);
    }

    // A cell of the current row written as a screen reader writes it.
    void setCell(const QString& field, const QString& text)
    {
        DBGrid* grid = form.EventsGrid;
        const int row = std::max(0, grid->datasetModel()->currentRow());
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(grid);
        table->tableInterface()->cellAt(row, grid->datasetModel()->columnOf(field))->setText(QAccessible::Value, text);
    }
    // Typed into a cell of the current row as the user types: the first key opens the cell's editor, Enter ends it.
    void typeIntoCell(const QString& field, const QString& typed)
    {
        DBGrid* grid = form.EventsGrid;
        grid->setFocus();
        grid->setCurrentIndex(grid->cell(std::max(0, grid->datasetModel()->currentRow()), field));
        QTest::keyClicks(grid, typed.left(1));
        QTest::keyClicks(QApplication::focusWidget(), typed.mid(1));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTest::qWait(20);
    }
    void press(DBNavigator::Button button) { QTest::mouseClick(form.EventsNavigator->button(button), Qt::LeftButton); }
    // The turns of the event loop in which a closed box gives the window back its activation.
    static void settle() { QTest::qWait(300); }
    QString shownDay() const
    {
        return form.MonthCalendar1->selectedDate().toString("M/d/yyyy") + ' ' + form.DayEdit->text() + ' ' +
               dm.DaysTable->text("Day");
    }

    TestDatabase db;
    TMainDataModule& dm;
    TCalendarForm form;
};

} // namespace

class TestPlanner : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        useUnitedStatesLocale();
        useDaylightSavingZone();
    }
    void init() { clock::setFixed(QDateTime(Today, QTime(0, 15))); }
    void cleanup() { clock::setFixed({}); }

    void openingSelectsTodayOnce_data();
    void openingSelectsTodayOnce();
    void clickingDays();
    void dayMadeMeanwhileByAnotherCopyIsFound();
    void comingBackReturnsToToday();
    void eventRuleRefusalKeepsTheEventInItsEdit();
    void refusedEventKeepsThePlannerOnItsDay_data();
    void refusedEventKeepsThePlannerOnItsDay();
    void leadTimeBeyondAnIntegerGetsAMessageAndThePlannerGoesOn();
    void answeringABoxKeepsTheDay_data();
    void answeringABoxKeepsTheDay();
    void insertRecordTakesTheKeyboardToTheNewRow();
    void buttonsAndMenuItem();
};

void TestPlanner::openingSelectsTodayOnce_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("days");
    QTest::addColumn<QString>("events");
    QTest::newRow("no days yet") << QStringList() << "12/10/2026"
                                 << "";
    QTest::newRow("today exists with its events")
        << QStringList{"INSERT INTO CalendarDays (Day) VALUES ('12/9/2026'), ('12/10/2026')",
                       eventInsert("12/9/2026", "Yesterday"), eventInsert("12/10/2026", "Demo"),
                       eventInsert("12/10/2026", "Call")}
        << "12/9/2026,12/10/2026"
        << "Demo,Call";
    QTest::newRow("a day written day first is another day")
        << QStringList{"INSERT INTO CalendarDays (Day) VALUES ('10/12/2026')", eventInsert("10/12/2026", "Old")}
        << "10/12/2026,12/10/2026"
        << "";
}

// Opening runs the day selection on showing and again on activation; the second finds the row the first made.
void TestPlanner::openingSelectsTodayOnce()
{
    QFETCH(QStringList, rows);
    QFETCH(QString, days);
    QFETCH(QString, events);
    ScriptedMessages shown;
    Planner p(rows);
    QCOMPARE(p.days(), days);
    QCOMPARE(p.events(), events);
    QCOMPARE(p.form.DayEdit->text(), QString("12/10/2026"));
    QCOMPARE(p.dm.DaysTable->text("Day"), QString("12/10/2026"));
    QCOMPARE(p.form.MonthCalendar1->selectedDate(), Today);
    // Opening again creates nothing more.
    p.form.hide();
    p.form.show();
    QApplication::setActiveWindow(&p.form);
    QCOMPARE(p.days(), days);
    QVERIFY(shown.shown.empty());
}

void TestPlanner::clickingDays()
{
    ScriptedMessages shown;
    Planner p({"INSERT INTO CalendarDays (Day) VALUES ('12/10/2026')", eventInsert("12/10/2026", "Demo")});
    p.clickDay(15);
    QCOMPARE(p.days(), QString("12/10/2026,12/15/2026"));
    QCOMPARE(p.form.DayEdit->text(), QString("12/15/2026"));
    QCOMPARE(p.events(), QString());
    QCOMPARE(p.form.EventsGrid->datasetModel()->rowCount(), 1); // the blank row to start typing into
    p.clickDay(10);
    p.clickDay(10);
    QCOMPARE(p.days(), QString("12/10/2026,12/15/2026"));
    QCOMPARE(p.form.DayEdit->text(), QString("12/10/2026"));
    QCOMPARE(p.events(), QString("Demo"));
    p.clickDay(15);
    QCOMPARE(p.dayRows(), 2);
    QCOMPARE(p.dm.DaysTable->text("Day"), QString("12/15/2026"));

    // Digits typed into the calendar make no days; the arrow keys move the day as a click does.
    auto* days = p.form.MonthCalendar1->findChild<QTableView*>();
    days->setFocus();
    QTest::keyClicks(days, "3/15/1990");
    QCOMPARE(p.dayRows(), 2);
    QTest::keyClick(days, Qt::Key_Right);
    QCOMPARE(p.days(), QString("12/10/2026,12/15/2026,12/16/2026"));
    QVERIFY(shown.shown.empty());
}

// The database refuses the day another copy of the program made after we read the days: the planner reads them
// again and shows that day's events instead of staying on the day before.
void TestPlanner::dayMadeMeanwhileByAnotherCopyIsFound()
{
    ScriptedMessages shown;
    Planner p;
    p.db.execute({"INSERT INTO CalendarDays (Day) VALUES ('12/11/2026')", eventInsert("12/11/2026", "Theirs")});
    p.clickDay(11);
    QCOMPARE(p.dm.DaysTable->text("Day"), QString("12/11/2026"));
    QCOMPARE(p.events(), QString("Theirs"));
    QCOMPARE(p.days(), QString("12/10/2026,12/11/2026"));
    QVERIFY(shown.shown.empty());
}

void TestPlanner::comingBackReturnsToToday()
{
    Planner p;
    p.clickDay(20);
    QCOMPARE(p.form.DayEdit->text(), QString("12/20/2026"));
    QWidget help;
    p.form.onDatabaseUsage = [&] {
        help.show();
        QApplication::setActiveWindow(&help);
    };
    QTest::mouseClick(p.form.DatabaseUsageBtn, Qt::LeftButton);
    QVERIFY(help.isActiveWindow());
    QCOMPARE(p.form.MonthCalendar1->selectedDate(), QDate(2026, 12, 20));
    QApplication::setActiveWindow(&p.form);
    QCOMPARE(p.form.MonthCalendar1->selectedDate(), Today);
    QCOMPARE(p.form.DayEdit->text(), QString("12/10/2026"));
    QCOMPARE(p.dm.DaysTable->text("Day"), QString("12/10/2026"));
    QCOMPARE(p.days(), QString("12/10/2026,12/20/2026"));
}

// A start time that is no time of day: the rule's error in the error box, the event still in its edit, nothing
// stored; once corrected, the post stores the alert time.
void TestPlanner::eventRuleRefusalKeepsTheEventInItsEdit()
{
    ScriptedMessages shown;
    Planner p;
    DBGrid* grid = p.form.EventsGrid;
    auto setCell = [&](const QString& field, const QString& text) {
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(grid);
        table->tableInterface()->cellAt(0, grid->datasetModel()->columnOf(field))->setText(QAccessible::Value, text);
    };
    auto post = [&] {
        QAccessible::queryAccessibleInterface(p.form.EventsNavigator->button(DBNavigator::Post))
            ->actionInterface()
            ->doAction(QAccessibleActionInterface::pressAction());
    };
    setCell("Action", "Demo");
    setCell("StartTime", "25:00");
    post();
    QCOMPARE(shown.texts().size(), 1);
    QVERIFY2(shown.texts()[0].contains("25:00"), qPrintable(shown.texts()[0]));
    QCOMPARE(int(shown.shown[0].kind), int(MessageKind::Error));
    QCOMPARE(p.dm.DayEvents->state(), DatasetState::Insert);
    QCOMPARE(grid->datasetModel()->cellText(0, 0), QString("25:00"));
    QCOMPARE(p.db.scalar("SELECT count(*) FROM CalendarEvents").toInt(), 0);

    setCell("StartTime", "9:30 AM");
    setCell("ReminderBefore", "15");
    post();
    QCOMPARE(shown.texts().size(), 1);
    QCOMPARE(p.db.scalar("SELECT Time FROM CalendarEvents WHERE Action = 'Demo'").toString(),
             QString("2026-12-10 09:15:00"));
}

void TestPlanner::refusedEventKeepsThePlannerOnItsDay_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("alert");
    QTest::addColumn<QString>("leave"); // how the user tries to go on
    QTest::addColumn<QString>("error");
    QTest::newRow("a start that is no time, Post edit") << "9.30"
                                                        << ""
                                                        << "post"
                                                        << "'9.30' is not a valid time";
    QTest::newRow("a start that is no time, today clicked") << "9.30"
                                                            << ""
                                                            << "today"
                                                            << "'9.30' is not a valid time";
    QTest::newRow("a midnight start with an alert, another day clicked") << "12:00 AM"
                                                                         << "15"
                                                                         << "another day"
                                                                         << "";
    QTest::newRow("a lead time too large, Database Usage and back") << "9:00 AM"
                                                                    << "999"
                                                                    << "away and back"
                                                                    << "";
}

// The real error box, closed with a key: it comes once, the planner stays on the refused event's day (calendar,
// heading, day row and grid) and says so; once the event is corrected it is stored on that day.
void TestPlanner::refusedEventKeepsThePlannerOnItsDay()
{
    QFETCH(QString, start);
    QFETCH(QString, alert);
    QFETCH(QString, leave);
    QFETCH(QString, error);
    Planner p;
    QWidget elsewhere;
    p.form.onDatabaseUsage = [&] {
        elsewhere.show();
        QApplication::setActiveWindow(&elsewhere);
    };
    p.clickDay(15);
    p.setCell("Action", "Demo");
    p.typeIntoCell("StartTime", start);
    if (!alert.isEmpty()) p.setCell("ReminderBefore", alert);
    {
        KeyAnsweredBoxes boxes({Qt::Key_Escape, Qt::Key_Return});
        if (leave == "post") p.press(DBNavigator::Post);
        if (leave == "today") p.clickDay(10);
        if (leave == "another day") p.clickDay(20);
        if (leave == "away and back") {
            QTest::mouseClick(p.form.DatabaseUsageBtn, Qt::LeftButton);
            QApplication::setActiveWindow(&p.form);
        }
        Planner::settle();
        QVERIFY2(boxes.texts.size() == 1, qPrintable(boxes.texts.join("#")));
        QVERIFY2(boxes.texts[0].contains(error), qPrintable(boxes.texts[0]));
        if (leave != "post") QVERIFY2(boxes.texts[0].contains("stays on 12/15/2026"), qPrintable(boxes.texts[0]));
    }
    QCOMPARE(p.shownDay(), QString("12/15/2026 12/15/2026 12/15/2026"));
    QCOMPARE(p.dm.DayEvents->state(), DatasetState::Insert);
    QCOMPARE(p.dm.DayEvents->text("Action"), QString("Demo"));
    QCOMPARE(p.form.EventsGrid->datasetModel()->rowCount(), 1);
    QCOMPARE(p.db.scalar("SELECT count(*) FROM CalendarEvents").toInt(), 0);

    p.setCell("StartTime", "9:30 AM");
    p.setCell("ReminderBefore", "15");
    {
        KeyAnsweredBoxes boxes;
        p.clickDay(10);
        Planner::settle();
        QCOMPARE(boxes.texts, QStringList());
    }
    QCOMPARE(p.shownDay(), QString("12/10/2026 12/10/2026 12/10/2026"));
    QCOMPARE(p.db.rows("SELECT d.Day, e.Action, e.Time FROM CalendarEvents e JOIN CalendarDays d USING (DayID)"),
             (QList<QVariantList>{{"12/15/2026", "Demo", "2026-12-15 09:15:00"}}));
}

// Typed into the lead time's pick list, the real error box closed with a key: the program goes on and the event,
// corrected, is stored.
void TestPlanner::leadTimeBeyondAnIntegerGetsAMessageAndThePlannerGoesOn()
{
    Planner p;
    p.setCell("Action", "Demo");
    p.setCell("StartTime", "9:30 AM");
    {
        KeyAnsweredBoxes boxes({Qt::Key_Return});
        p.typeIntoCell("ReminderBefore", "12345678901234567890");
        Planner::settle();
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY2(boxes.texts[0].contains("'12345678901234567890' is not a valid integer value"),
                 qPrintable(boxes.texts[0]));
    }
    QCOMPARE(p.dm.DayEvents->state(), DatasetState::Insert);
    QCOMPARE(p.shownDay(), QString("12/10/2026 12/10/2026 12/10/2026"));
    ScriptedMessages shown;
    p.setCell("ReminderBefore", "15");
    p.press(DBNavigator::Post);
    QCOMPARE(shown.texts(), QStringList());
    QCOMPARE(p.db.scalar("SELECT Time FROM CalendarEvents WHERE Action = 'Demo'").toString(),
             QString("2026-12-10 09:15:00"));
}

void TestPlanner::answeringABoxKeepsTheDay_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("events");
    QTest::newRow("Delete record? answered OK") << int(Qt::Key_Return) << "";
    QTest::newRow("Delete record? cancelled") << int(Qt::Key_Escape) << "Demo";
}

void TestPlanner::answeringABoxKeepsTheDay()
{
    QFETCH(int, key);
    QFETCH(QString, events);
    Planner p({"INSERT INTO CalendarDays (Day) VALUES ('12/15/2026')", eventInsert("12/15/2026", "Demo")});
    p.clickDay(15);
    QCOMPARE(p.events(), QString("Demo"));
    {
        KeyAnsweredBoxes boxes({key});
        p.press(DBNavigator::Delete);
        Planner::settle();
        QCOMPARE(boxes.texts, QStringList{"Delete record?"});
    }
    QCOMPARE(p.shownDay(), QString("12/15/2026 12/15/2026 12/15/2026"));
    QCOMPARE(p.events(), events);
}

// Typing right after "Insert record" goes into the new row's first cell.
void TestPlanner::insertRecordTakesTheKeyboardToTheNewRow()
{
    ScriptedMessages shown;
    Planner p({"INSERT INTO CalendarDays (Day) VALUES ('12/10/2026')", eventInsert("12/10/2026", "Demo")});
    p.form.MonthCalendar1->setFocus();
    p.press(DBNavigator::Insert);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(p.form.EventsGrid));
    QTest::keyClicks(QApplication::focusWidget(), "9");
    QTest::keyClicks(QApplication::focusWidget(), ":30 AM");
    QCOMPARE(p.dm.DayEvents->state(), DatasetState::Insert);
    QCOMPARE(p.dm.DayEvents->text("StartTime"), QString("9:30 AM"));
    QCOMPARE(p.shownDay(), QString("12/10/2026 12/10/2026 12/10/2026"));
    QVERIFY(shown.shown.empty());
}

void TestPlanner::buttonsAndMenuItem()
{
    StartedProgram p;
    QVERIFY(p.started);
    TCalendarForm* planner = p.program.calendar();
    QCOMPARE(planner->DatabaseUsageBtn->toolTip(), QString("Database Usage"));
    int usage = 0;
    planner->onDatabaseUsage = [&] { ++usage; };
    QString modal;
    auto script = whenModal([&](QWidget* w) {
        modal = w->objectName() + ' ' + w->windowTitle();
        QTest::mouseClick(planner->DatabaseUsageBtn, Qt::LeftButton);
        w->close();
    });
    p.program.mainWindow()->CalendarItem->trigger();
    QVERIFY2(script->ok(), script->failure());
    QCOMPARE(modal, QString("TCalendarForm Calendar/Planner"));
    QCOMPARE(usage, 1);
    QCOMPARE(p.db.scalar("SELECT group_concat(Day) FROM CalendarDays").toString(), QString("12/10/2026"));
    QVERIFY(p.messages.shown.empty());
}

QTEST_MAIN(TestPlanner)
#include "test_planner.moc"

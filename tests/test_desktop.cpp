// The windows on a real X screen, under a window manager and under none (scripts/desktop-test.sh runs this
// program on a virtual screen of a given size): the main window maximized with its status bar on the screen, the
// print preview with its title bar and close box on the screen, and every caption as the window's own.
#include "activities/CalendarUnit.h"
#include "activities/FollowUp.h"
#include "activities/Reminders.h"
#include "analysis/FiltersForm.h"
#include "analysis/RetailForm.h"
#include "app/About.h"
#include "app/HelpFormUnit.h"
#include "app/MainFrameUnit.h"
#include "app/Program.h"
#include "app/SelectCompany.h"
#include "app/TaxUnit.h"
#include "platform/Clock.h"
#include "platform/DBGrid.h"
#include "platform/DBNavigator.h"
#include "platform/DatasetModel.h"
#include "platform/PreviewWindow.h"
#include "platform/ProgramEnd.h"
#include "records/DataEntry.h"
#include "records/PickDate.h"
#include "reports/TextReport.h"
#include "tests/support/StartedProgram.h"
#include "tests/support/TestSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QCalendarWidget>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QLineEdit>
#include <QToolButton>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>
#include <QtTest>

using namespace qv;
using namespace qv::test;

namespace {

bool underWindowManager() { return qEnvironmentVariable("QV_WINDOW_MANAGER") == QLatin1String("openbox"); }

// A property of a window as the X server holds it, read by the desktop's own tool.
QString xProperty(QWidget* window, const char* property)
{
    QProcess xprop;
    xprop.start("xprop", {"-id", QString::number(window->winId()), QString::fromLatin1(property)});
    xprop.waitForFinished(5000);
    return QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
}

QRect screenRect() { return QGuiApplication::primaryScreen()->geometry(); }

QRect globalRect(const QWidget* w) { return QRect(w->mapToGlobal(QPoint(0, 0)), w->size()); }

// The events of the next moments, so that the window manager's answers have arrived.
void settle(int ms = 300)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QTest::qWait(20);
}

QString why(QWidget* w)
{
    return QStringLiteral("state %1, frame %2,%3 %4x%5, screen %6x%7, _NET_WM_STATE: %8")
        .arg(int(w->windowState()))
        .arg(w->frameGeometry().x())
        .arg(w->frameGeometry().y())
        .arg(w->frameGeometry().width())
        .arg(w->frameGeometry().height())
        .arg(screenRect().width())
        .arg(screenRect().height())
        .arg(xProperty(w, "_NET_WM_STATE"));
}

// Maximized as the screen shows it: the state, the whole frame on the screen, and under a window manager the
// window manager's own record of it.
bool shownMaximized(QWidget* w)
{
    if (!w->isVisible() || !(w->windowState() & Qt::WindowMaximized)) return false;
    if (!screenRect().contains(w->frameGeometry())) return false;
    if (!underWindowManager()) return w->geometry() == QGuiApplication::primaryScreen()->availableGeometry();
    const QString state = xProperty(w, "_NET_WM_STATE");
    return state.contains("_NET_WM_STATE_MAXIMIZED_VERT") && state.contains("_NET_WM_STATE_MAXIMIZED_HORZ");
}

} // namespace

class TestDesktop : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        useUnitedStatesLocale();
        QVERIFY2(QGuiApplication::platformName() == QLatin1String("xcb"), "run through scripts/desktop-test.sh");
        // The font the run is given is the one the windows get, not a fallback. (The toolkit adds the foundry in
        // brackets when two of them make the family.)
        const QString family = qEnvironmentVariable("QV_FONT_FAMILY");
        const QString given = QFontInfo(QApplication::font()).family();
        if (!family.isEmpty())
            QVERIFY2(given == family || given.startsWith(family + " ["),
                     qPrintable(given + " instead of " + family + ": is its package installed (make setup)?"));
    }
    void init() { resetProgramEndRequest(); }
    void mainWindowOpensMaximizedWithTheStatusBarOnTheScreen();
    void previewOpensMaximizedWithItsTitleBarOnTheScreen();
    void captionsAreTheWindowsOwn();
    void windowsOpenWithinTheWorkArea();
    void followUpGridsShowEveryColumnWhereTheScreenHasRoom();
    void plannerStaysOnTheDayOfARefusedEvent();
};

void TestDesktop::mainWindowOpensMaximizedWithTheStatusBarOnTheScreen()
{
    ScriptedMessages messages;
    TestDatabase db({personInsert("Adams")});
    Program program(db.folder() + "quorvane");
    QVERIFY(program.start());
    QCOMPARE(messages.texts(), QStringList()); // the display check passes on this screen
    TForm1* form = program.mainWindow();
    program.showMainWindow();
    QTRY_VERIFY2_WITH_TIMEOUT(shownMaximized(form), qPrintable(why(form)), 5000);
    settle();
    QVERIFY2(shownMaximized(form), qPrintable(why(form)));
    // Centred: the frame's middle is the screen's.
    QVERIFY2((form->frameGeometry().center() - screenRect().center()).manhattanLength() <= 2, qPrintable(why(form)));
    // The status bar with today's date lies on the screen.
    QStatusBar* bar = form->statusBar();
    QVERIFY(bar->isVisible());
    QVERIFY2(screenRect().contains(globalRect(bar)), qPrintable(why(form)));
    auto* date = form->findChild<QLabel*>("DatePanel");
    QVERIFY(date->isVisible() && !date->text().trimmed().isEmpty());
    QVERIFY(screenRect().contains(globalRect(date)));

    // Restored to a smaller size (as dragging its border or the window manager's restore does), it is maximized
    // again.
    form->showNormal();
    QTRY_VERIFY2_WITH_TIMEOUT(shownMaximized(form), qPrintable(why(form)), 5000);
    settle();
    QVERIFY2(shownMaximized(form), qPrintable(why(form)));
}

void TestDesktop::previewOpensMaximizedWithItsTitleBarOnTheScreen()
{
    TextReport report(QStringLiteral("TFReport"), QStringLiteral("Filtering Report"), false);
    PreviewWindow window;
    window.setReport(report.compose());
    bool maximized = false;
    QString seen;
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    connect(&poll, &QTimer::timeout, &window, [&] {
        maximized = shownMaximized(&window);
        seen = why(&window);
        if (maximized || clock.elapsed() > 5000) window.close();
    });
    poll.start(50);
    window.exec();
    QVERIFY2(maximized, qPrintable(seen));
}

void TestDesktop::captionsAreTheWindowsOwn()
{
    ScriptedMessages messages;
    TestDatabase db({personInsert("Adams")});
    Program program(db.folder() + "quorvane");
    QVERIFY(program.start());
    PreviewWindow preview;
    const std::vector<std::pair<QWidget*, QString>> windows = {
        {program.mainWindow(), "Quorvane PRO 2005"},
        {program.dataEntryForm(), "Files"},
        {program.filters(), "Filters"},
        {program.retail(), "Personality Identification"},
        {&pickDateForm(), "Pick Date"},
        {&preview, "Print Preview"},
    };
    for (const auto& [window, caption] : windows) {
        QCOMPARE(window->windowTitle(), caption);
        QCOMPARE(xProperty(window, "_NET_WM_NAME"), QStringLiteral("_NET_WM_NAME(UTF8_STRING) = \"%1\"").arg(caption));
    }
}

// Every window opens whole within the work area, frame and title bar included, so that no control lies beyond the
// screen's edge; a window whose contents are taller than a small screen scrolls them instead.
void TestDesktop::windowsOpenWithinTheWorkArea()
{
    StartedProgram p({personInsert("Adams"), accountInsert("Acme")});
    QVERIFY(p.started);
    p.program.mainWindow()->show();
    const std::vector<std::pair<QWidget*, std::function<void()>>> windows = {
        {p.files, [&] { p.files->show(); }},
        {p.program.filters(), [&] { p.program.filters()->show(); }},
        {p.program.followUp(), [&] { p.program.followUp()->show(); }},
        {p.program.calendar(), [&] { p.program.calendar()->show(); }},
        {p.program.reminders(), [&] { p.program.reminders()->show(); }},
        {p.program.taxForm(), [&] { p.program.taxForm()->show(); }},
        {p.program.retail(), [&] { p.program.retail()->show(); }},
        {p.program.aboutForm(), [&] { p.program.aboutForm()->show(); }},
        {&pickDateForm(), [&] { pickDateForm().show(); }},
        {p.program.helpForm(), [&] { p.program.helpForm()->showHelp(); }},
        {p.program.databaseUsageForm(), [&] { p.program.databaseUsageForm()->showDatabaseUsage(); }},
    };
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    for (const auto& [window, show] : windows) {
        show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        settle();
        QVERIFY2(area.contains(window->frameGeometry()), qPrintable(window->objectName() + ": " + why(window)));
        window->hide();
    }
}

// On a screen with room for them, the follow-up window shows every column of both grids without scrolling sideways.
void TestDesktop::followUpGridsShowEveryColumnWhereTheScreenHasRoom()
{
    if (QGuiApplication::primaryScreen()->availableGeometry().width() < 1200) QSKIP("a screen this small scrolls");
    StartedProgram p({personInsert("Adams")});
    QVERIFY(p.started);
    TFollowUpForm* window = p.program.followUp();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    settle();
    for (DBGrid* grid : {window->ContactsGrid, window->FollowUpGrid}) {
        int columns = 0;
        for (int c = 0; c < grid->datasetModel()->columnCount(); ++c) columns += grid->datasetModel()->column(c).width;
        QVERIFY2(columns <= grid->viewport()->width(), qPrintable(QString("%1: columns %2, room %3")
                                                                      .arg(grid->objectName())
                                                                      .arg(columns)
                                                                      .arg(grid->viewport()->width())));
    }
    window->hide();
}

// The real error box under the window manager, answered with a key: it comes once, the window manager gives the
// planner its activation back, and the planner stays on the refused event's day, also when another day is chosen.
void TestDesktop::plannerStaysOnTheDayOfARefusedEvent()
{
    clock::setFixed(QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
    StartedProgram p;
    QVERIFY(p.started);
    TCalendarForm* planner = p.program.calendar();
    planner->show();
    planner->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(planner));
    planner->MonthCalendar1->setSelectedDate(QDate(2026, 12, 15));
    planner->selectDay();
    DBGrid* grid = planner->EventsGrid;
    auto setCell = [&](const QString& field, const QString& text) {
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(grid);
        table->tableInterface()->cellAt(0, grid->datasetModel()->columnOf(field))->setText(QAccessible::Value, text);
    };
    setCell("Action", "Demo");
    setCell("StartTime", "9.30");
    auto shownDay = [&] {
        return planner->MonthCalendar1->selectedDate().toString("M/d/yyyy") + ' ' + planner->DayEdit->text() + ' ' +
               p.dm->DaysTable->text("Day");
    };
    {
        KeyAnsweredBoxes boxes({Qt::Key_Return, Qt::Key_Escape});
        QTest::mouseClick(planner->EventsNavigator->button(DBNavigator::Post), Qt::LeftButton);
        settle(1500);
        QVERIFY2(boxes.texts.size() == 1, qPrintable(boxes.texts.join(" | ")));
        if (underWindowManager()) QVERIFY(planner->isActiveWindow());
        auto* days = planner->MonthCalendar1->findChild<QTableView*>();
        days->setFocus();
        QTest::keyClick(days, Qt::Key_Left); // the day before
        settle(1500);
        QVERIFY2(boxes.texts.size() == 2, qPrintable(boxes.texts.join(" | ")));
        QVERIFY2(boxes.texts[1].contains("stays on 12/15/2026"), qPrintable(boxes.texts[1]));
    }
    QCOMPARE(shownDay(), QString("12/15/2026 12/15/2026 12/15/2026"));
    QCOMPARE(p.dm->DayEvents->state(), DatasetState::Insert);
    QCOMPARE(p.db.scalar("SELECT count(*) FROM CalendarEvents").toInt(), 0);
    planner->hide();
    clock::setFixed({});
}

QTEST_MAIN(TestDesktop)
#include "test_desktop.moc"

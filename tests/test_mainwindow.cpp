// The main window's menu as a whole: every item in its place with its separators, an Alt+letter key for each menu
// and item, and every item reaching a command through the program's own start-up.
#include "app/MainFrameUnit.h"
#include "app/Program.h"
#include "data/DataModule.h"
#include "platform/ProgramEnd.h"
#include "records/ContactPages.h"
#include "records/DataEntry.h"
#include "tests/support/RecordingPreviewer.h"
#include "tests/support/StartedProgram.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QtTest>

using namespace qv;
using namespace qv::test;

namespace {

// The menu as the user reads it, one line per entry: "Menu > Item|objectName", "Menu > ---" for a separator.
QStringList menuLines(const QList<QAction*>& actions, const QString& path)
{
    QStringList lines;
    for (QAction* a : actions) {
        const QString caption = QString(a->text()).remove('&');
        if (a->isSeparator())
            lines << path + "---";
        else if (a->menu())
            lines << menuLines(a->menu()->actions(), path + caption + " > ");
        else
            lines << path + caption + '|' + a->objectName();
    }
    return lines;
}

// The letter after a single '&', or a null character when there is none or more than one.
QChar mnemonicOf(const QString& text)
{
    QChar letter;
    int marks = 0;
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        ++marks;
        letter = text[i + 1].toUpper();
    }
    return marks == 1 ? letter : QChar();
}

QList<QAction*> allItems(QMenuBar* bar)
{
    QList<QAction*> items, pending = bar->actions();
    while (!pending.isEmpty()) {
        QAction* a = pending.takeFirst();
        if (a->menu())
            pending << a->menu()->actions();
        else if (!a->isSeparator())
            items << a;
    }
    return items;
}

// Whether every menu above the item is shown.
bool reachable(QAction* item)
{
    for (QObject* holder : item->associatedObjects()) {
        if (qobject_cast<QMenuBar*>(holder)) return true;
        if (auto* menu = qobject_cast<QMenu*>(holder))
            return menu->menuAction()->isVisible() && reachable(menu->menuAction());
    }
    return false;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { useUnitedStatesLocale(); }
    void init() { resetProgramEndRequest(); }
    void menuOrderAndSeparators();
    void everyMenuAndItemHasItsOwnKey();
    void keysOpenMenusAndRunItems();
    void everyItemReachesACommand();
};

void TestMainWindow::menuOrderAndSeparators()
{
    TForm1 form;
    QCOMPARE(menuLines(form.menuBar()->actions(), {}),
             (QStringList{"Files > Accounts...|AccountsItem",
                          "Files > ---",
                          "Files > Contacts > Personal info...|PersonalInfoItem",
                          "Files > Contacts > Business info...|BusinessInfoItem",
                          "Files > Contacts > Marketing info...|MarketingInfoItem",
                          "Files > ---",
                          "Files > Exit|ExitItem",
                          "Tools > Lookup data analysis...|LookupDataAnalysisItem",
                          "Tools > ---",
                          "Tools > Filters...|FiltersItem",
                          "Tools > Follow-up...|FollowUpItem",
                          "Tools > ---",
                          "Tools > Calendar/Planner...|CalendarItem",
                          "Tools > ---",
                          "Tools > Reminders...|RemindersItem",
                          "Tools > ---",
                          "Tools > Find duplicate contacts...|FindDuplicatesItem",
                          "Tools > Desktop alerts|DesktopAlertsItem",
                          "Import > Accounts from a CSV file...|ImportAccountsItem",
                          "Import > ---",
                          "Import > Contacts from MS Office Outlook...|ImportOutlookItem",
                          "Import > Contacts from a CSV file...|ImportCsvItem",
                          "Import > ---",
                          "Import > Contacts from a vCard file...|ImportVCardItem",
                          "Import > Contacts from another program's CSV file...|ImportOtherCsvItem",
                          "Export > Contacts to a vCard file...|ExportVCardItem",
                          "Export > Contacts to a CSV file...|ExportContactsCsvItem",
                          "Export > Accounts to a CSV file...|ExportAccountsCsvItem",
                          "Export > ---",
                          "Export > Calendar to an iCalendar file...|ExportCalendarItem",
                          "Database > Backup...|BackupItem",
                          "Database > Restore...|RestoreItem",
                          "Help > Quorvane PRO 2005 Help...|HelpItem",
                          "Help > ---",
                          "Help > About...|AboutItem"}));
}

void TestMainWindow::everyMenuAndItemHasItsOwnKey()
{
    TForm1 form;
    QList<QList<QAction*>> levels{form.menuBar()->actions()};
    for (QAction* a : form.findChildren<QAction*>())
        if (a->menu()) levels << a->menu()->actions();
    for (const auto& level : levels) {
        QSet<QChar> used;
        for (QAction* a : level) {
            if (a->isSeparator()) continue;
            const QChar key = mnemonicOf(a->text());
            QVERIFY2(!key.isNull(), qPrintable("no single Alt key in \"" + a->text() + '"'));
            QVERIFY2(!used.contains(key),
                     qPrintable(QString("Alt+%1 twice in one menu, at \"%2\"").arg(key, a->text())));
            used.insert(key);
        }
    }
}

// Through the keyboard as a user without a mouse goes: Alt+letter opens a menu, a letter runs an item or opens a
// sub-menu.
void TestMainWindow::keysOpenMenusAndRunItems()
{
    ScriptedFileDialogs dialogs;
    StartedProgram p({personInsert("Adams")});
    QVERIFY(p.started);
    TForm1* form = p.program.mainWindow();
    form->show();
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form));

    QTest::keyClick(form, Qt::Key_D, Qt::AltModifier);
    QTRY_COMPARE(QApplication::activePopupWidget(), form->findChild<QMenu*>("DatabaseMenu"));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_B);
    QCOMPARE(dialogs.requests.size(), size_t(1));
    QCOMPARE(dialogs.requests[0].kind, FileDialogRequest::Kind::Save);

    TDataEntryForm* files = p.files;
    files->Pages->setCurrentIndex(2);
    QTest::keyClick(form, Qt::Key_F, Qt::AltModifier);
    QTRY_COMPARE(QApplication::activePopupWidget(), form->findChild<QMenu*>("FilesMenu"));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_C);
    QTRY_COMPARE(QApplication::activePopupWidget(), form->findChild<QMenu*>("ContactsMenu"));
    QString opened;
    int subPage = -1;
    auto modal = whenModal([&](QWidget* w) {
        opened = w->objectName();
        subPage = files->Pages->currentIndex();
        w->close();
    });
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_B);
    QTRY_VERIFY2(modal->acted() || !modal->ok(), "the item did not run");
    QVERIFY2(modal->ok(), modal->failure());
    QCOMPARE(opened, QString("TDataEntryForm"));
    QCOMPARE(subPage, 1);
    QCOMPARE(p.messages.texts(), QStringList());
}

// Each item is chosen once, on a database with one contact, and must do something the user can see: open a window
// (modal or not), show a message or a file dialog, preview a report or end the program.
void TestMainWindow::everyItemReachesACommand()
{
    EmptyHome home; // the mail-client import reads no real address book
    ScriptedFileDialogs dialogs;
    ScriptedShell shell;
    RecordingPreviewer previewer;
    StartedProgram p({personInsert("Adams", {"PersonType", "Customer", "CustoemrImportance", "High"})});
    QVERIFY(p.started);
    TForm1* form = p.program.mainWindow();

    // What each item is expected to show first; "message" and "dialog" accept any text and kind.
    const QHash<QString, QString> expected{{"AccountsItem", "modal TDataEntryForm"},
                                           {"PersonalInfoItem", "modal TDataEntryForm"},
                                           {"BusinessInfoItem", "modal TDataEntryForm"},
                                           {"MarketingInfoItem", "modal TDataEntryForm"},
                                           {"ExitItem", "end"},
                                           {"LookupDataAnalysisItem", "report"},
                                           {"FiltersItem", "modal TFilters"},
                                           {"FollowUpItem", "modal TFollowUpForm"},
                                           {"CalendarItem", "modal TCalendarForm"},
                                           {"RemindersItem", "message"},
                                           {"FindDuplicatesItem", "modal TDuplicatesForm"},
                                           {"DesktopAlertsItem", "toggled"},
                                           {"ImportAccountsItem", "dialog"},
                                           {"ImportOutlookItem", "message"},
                                           {"ImportCsvItem", "dialog"},
                                           {"ImportVCardItem", "dialog"},
                                           {"ImportOtherCsvItem", "dialog"},
                                           {"ExportVCardItem", "dialog"},
                                           {"ExportContactsCsvItem", "dialog"},
                                           {"ExportAccountsCsvItem", "dialog"},
                                           {"ExportCalendarItem", "dialog"},
                                           {"BackupItem", "dialog"},
                                           {"RestoreItem", "dialog"},
                                           {"HelpItem", "window THelpForm"},
                                           {"AboutItem", "modal TAboutForm"}};

    const QList<QAction*> items = allItems(form->menuBar());
    QCOMPARE(items.size(), int(expected.size()));
    for (QAction* item : items) {
        const QString name = item->objectName();
        QVERIFY2(expected.contains(name), qPrintable(name));
        QVERIFY2(item->isVisible() && item->isEnabled(), qPrintable(name + " is not offered"));
        QVERIFY2(reachable(item), qPrintable(name + "'s menu is hidden"));

        resetProgramEndRequest();
        const size_t messages = p.messages.shown.size(), requests = dialogs.requests.size(),
                     reports = previewer.reports.size();
        QSet<QWidget*> windowsBefore;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible()) windowsBefore.insert(w);
        const bool checkedBefore = item->isChecked();
        const bool modalExpected = expected[name].startsWith("modal");
        QString modalName;
        // A window left open by an item that should not open one is closed all the same, so nothing hangs.
        auto modal = whenModal(
            [&](QWidget* w) {
                modalName = w->objectName();
                w->close();
            },
            modalExpected ? 5000 : 300);
        item->trigger();
        QTRY_VERIFY2_WITH_TIMEOUT(modal->acted() || !modal->ok(), qPrintable(name), 10000);

        QStringList seen;
        if (modal->acted()) seen << "modal " + modalName;
        if (p.messages.shown.size() > messages) seen << "message";
        if (dialogs.requests.size() > requests) seen << "dialog";
        if (previewer.reports.size() > reports) seen << "report";
        if (programEndRequested()) seen << "end";
        if (item->isCheckable() && item->isChecked() != checkedBefore) seen << "toggled";
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && !windowsBefore.contains(w) && !w->isModal()) {
                seen << "window " + w->objectName();
                w->close();
            }
        QVERIFY2(seen.contains(expected[name]),
                 qPrintable(QString("%1 showed [%2], expected %3").arg(name, seen.join(", "), expected[name])));
    }
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"

// The help, database-usage and about windows: the pages they open on and keep, the links they follow, the maker's
// home page handed to the desktop, the windows as the program creates and wires them, and the help pages we ship.
#include "activities/CalendarUnit.h"
#include "activities/FollowUp.h"
#include "app/About.h"
#include "app/Artwork.h"
#include "app/HelpFormUnit.h"
#include "app/MainFrameUnit.h"
#include "app/Program.h"
#include "app/SelectCompany.h"
#include "platform/HelpView.h"
#include "records/AccountsPage.h"
#include "records/DataEntry.h"
#include "tests/support/StartedProgram.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QToolButton>
#include <QtTest>
#include <functional>

using namespace qv;
using namespace qv::test;

namespace {

QString longText()
{
    QString t;
    for (int i = 0; i < 120; ++i) t += QString("<p>Paragraph %1 of a page long enough to scroll.</p>").arg(i);
    return t;
}

// A program folder with two small help pages that link to each other, to a place in a page, to the maker's home
// page and to another page of the maker's site.
struct HelpFolder {
    HelpFolder()
    {
        QDir(dir.path()).mkdir("help");
        write("Help.htm", QString("<html><body><h1>Start</h1><a href=\"Second.htm\">second</a> "
                                  "<a href=\"%1\">home</a> <a href=\"%1support.htm\">support</a> "
                                  "<a href=\"#end\">end</a>%2<h2 id=\"end\">End</h2></body></html>")
                              .arg(artwork::MakerWebAddress, longText()));
        write("Second.htm", "<html><body><h1>Second</h1><a href=\"Help.htm\">back</a>" + longText() + "</body></html>");
        write("DBHelp.htm",
              "<html><body><h1>Tables</h1><a href=\"Second.htm\">second</a>" + longText() + "</body></html>");
    }
    void write(const QString& name, const QString& html) const
    {
        QFile f(dir.path() + "/help/" + name);
        if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(name));
        f.write(html.toUtf8());
    }
    QString folder() const { return dir.path() + '/'; }
    QUrl page(const QString& name) const { return QUrl::fromLocalFile(folder() + "help/" + name); }
    QTemporaryDir dir;
};

// Follows a link the way the keyboard does: Tab through the links to the one wanted, then Enter.
bool followLink(HelpView* view, const QString& href)
{
    view->setFocus();
    for (int i = 0; i < 20; ++i) {
        QTest::keyClick(view, Qt::Key_Tab);
        if (view->textCursor().charFormat().anchorHref() == href) {
            QTest::keyClick(view, Qt::Key_Return);
            return true;
        }
    }
    return false;
}

bool blocksTheCloseBox(const QWidget& w)
{
    return w.windowFlags().testFlag(Qt::CustomizeWindowHint) && !w.windowFlags().testFlag(Qt::WindowCloseButtonHint);
}

} // namespace

class TestHelp : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { useUnitedStatesLocale(); }

    void helpWindowOpensOnItsStartPageEveryTime();
    void makerHomePageGoesToTheBrowser();
    void databaseUsageKeepsItsPage();
    void missingPageShowsTheViewsOwnErrorPage();
    void aboutWindowIsTheBannerAndOk();
    void helpMenuItemsOpenTheirWindows();
    void databaseUsageIsUsableBesideTheModalWindows_data();
    void databaseUsageIsUsableBesideTheModalWindows();
    void shippedPagesLinksLeadSomewhere_data();
    void shippedPagesLinksLeadSomewhere();
    void shippedHelpNamesEveryMenuItem();
};

void TestHelp::helpWindowOpensOnItsStartPageEveryTime()
{
    HelpFolder pages;
    THelpForm help(pages.folder());
    QCOMPARE(help.windowTitle(), QString("Quorvane PRO 2005 Help"));
    QVERIFY(blocksTheCloseBox(help));
    help.showHelp();
    HelpView* view = help.WebBrowser1;
    QCOMPARE(view->source(), pages.page("Help.htm"));
    QVERIFY(view->toPlainText().startsWith("Start"));

    QVERIFY(followLink(view, "#end"));
    QVERIFY(view->verticalScrollBar()->value() > 0);
    QVERIFY(followLink(view, "Second.htm"));
    QCOMPARE(view->page(), pages.page("Second.htm"));
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
    help.showHelp(); // already shown: only to the front
    QCOMPARE(view->page(), pages.page("Second.htm"));

    QTest::mouseClick(help.OKBtn, Qt::LeftButton);
    QVERIFY(!help.isVisible());
    help.showHelp();
    QCOMPARE(view->source(), pages.page("Help.htm"));
    QCOMPARE(view->verticalScrollBar()->value(), 0);

    // Back on the start page after a place inside it, too.
    QVERIFY(followLink(view, "#end"));
    help.close();
    help.showHelp();
    QCOMPARE(view->verticalScrollBar()->value(), 0);
    // A page changed on disk meanwhile is read again.
    pages.write("Help.htm", "<html><body><h1>Changed</h1></body></html>");
    help.close();
    help.showHelp();
    QVERIFY(view->toPlainText().startsWith("Changed"));
}

void TestHelp::makerHomePageGoesToTheBrowser()
{
    ScriptedShell shell;
    ScriptedMessages box;
    HelpFolder pages;
    THelpForm help(pages.folder());
    help.showHelp();
    HelpView* view = help.WebBrowser1;
    QVERIFY(followLink(view, artwork::MakerWebAddress));
    QCOMPARE(shell.targets, QStringList{artwork::MakerWebAddress});
    QCOMPARE(shell.modes, std::vector<ShowMode>{ShowMode::Normal});
    QCOMPARE(view->source(), pages.page("Help.htm"));

    // Any other address, another page of the same site included, stays in the view.
    const QString support = QString(artwork::MakerWebAddress) + "support.htm";
    QVERIFY(followLink(view, support));
    QCOMPARE(shell.targets.size(), 1);
    QCOMPARE(view->source(), QUrl(support));
    QVERIFY(view->toPlainText().contains("This page cannot be displayed"));
    QCOMPARE(box.texts(), QStringList());
}

void TestHelp::databaseUsageKeepsItsPage()
{
    HelpFolder pages;
    TDBHelpForm usage(pages.folder());
    QCOMPARE(usage.windowTitle(), QString("Database Usage"));
    QVERIFY(usage.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    HelpView* view = usage.WebBrowser1;
    QCOMPARE(view->source(), pages.page("DBHelp.htm")); // loaded when made, before any showing
    usage.showDatabaseUsage();
    QVERIFY(followLink(view, "Second.htm"));
    QCOMPARE(view->source(), pages.page("Second.htm"));
    view->verticalScrollBar()->setValue(40);
    usage.close();
    usage.showDatabaseUsage();
    QCOMPARE(view->source(), pages.page("Second.htm"));
    QCOMPARE(view->verticalScrollBar()->value(), 40);
}

void TestHelp::missingPageShowsTheViewsOwnErrorPage()
{
    ScriptedMessages box;
    QTemporaryDir empty;
    THelpForm help(empty.path() + '/');
    help.showHelp();
    QVERIFY(help.WebBrowser1->toPlainText().contains("This page cannot be displayed"));
    TDBHelpForm usage(empty.path() + '/');
    QVERIFY(usage.WebBrowser1->toPlainText().contains("This page cannot be displayed"));
    QCOMPARE(box.texts(), QStringList());
}

void TestHelp::aboutWindowIsTheBannerAndOk()
{
    TAboutForm about;
    QCOMPARE(about.windowTitle(), QString("About Quorvane PRO 2005"));
    QVERIFY(blocksTheCloseBox(about));
    auto* banner = about.findChild<QLabel*>("Image1");
    QVERIFY(banner);
    QCOMPARE(banner->pixmap().size(), QSize(385, 94));
    bool modal = false;
    auto script = whenModal([&](QWidget* w) {
        modal = w == &about;
        QTest::keyClick(w, Qt::Key_Return); // "OK" is the default button
    });
    about.ShowModal();
    QVERIFY2(script->ok(), script->failure());
    QVERIFY(modal);
    QVERIFY(!about.isVisible());
}

// As the program creates and wires them: help without waiting (through the Files window's help command), about
// modally, and each window made once, in its place among the others.
void TestHelp::helpMenuItemsOpenTheirWindows()
{
    StartedProgram p;
    QVERIFY(p.started);
    TForm1* main = p.program.mainWindow();
    QCOMPARE(main->HelpItem->text().remove('&'), QString("Quorvane PRO 2005 Help..."));
    QVERIFY(main->HelpItem->isVisible() && main->AboutItem->isVisible());
    THelpForm* help = p.program.helpForm();
    QCOMPARE(help->objectName(), QString("THelpForm"));
    QVERIFY(!help->isVisible());
    main->HelpItem->trigger();
    QVERIFY(help->isVisible());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QCOMPARE(help->startPage(), QUrl::fromLocalFile(p.db.folder() + "help/Help.htm"));
    help->close();

    QWidget* shown = nullptr;
    auto script = whenModal([&](QWidget* w) {
        shown = w;
        w->close();
    });
    main->AboutItem->trigger();
    QVERIFY2(script->ok(), script->failure());
    QCOMPARE(shown, p.program.aboutForm());
    QCOMPARE(p.messages.texts(), QStringList());
}

// The "Database Usage" button of each modal window with a grid shows its window without waiting, and the user can
// work in it (scroll its page) while the modal window stays open.
void TestHelp::databaseUsageIsUsableBesideTheModalWindows_data()
{
    QTest::addColumn<QString>("window");
    QTest::newRow("Files, accounts page") << "TDataEntryForm";
    QTest::newRow("Calendar/Planner") << "TCalendarForm";
    QTest::newRow("Follow-up Activities") << "TFollowUpForm";
}

void TestHelp::databaseUsageIsUsableBesideTheModalWindows()
{
    QFETCH(QString, window);
    HelpFolder pages;
    TestDatabase db({personInsert("Adams")});
    QVERIFY(QFile::copy(db.path(), pages.folder() + "Quorvane.qv"));
    ScriptedMessages box;
    FixedScreen screen(96, 768);
    Program program(pages.folder() + "quorvane");
    QVERIFY(program.start());
    TDBHelpForm* usage = program.databaseUsageForm();
    QString opened;
    bool shown = false, stillModal = false;
    int scrolled = -1;
    auto script = whenModal([&](QWidget* w) {
        opened = w->objectName();
        w->findChild<QToolButton*>("Database Usage")->click();
        shown = usage->isVisible();
        stillModal = QApplication::activeModalWidget() == w;
        usage->WebBrowser1->setFocus();
        QTest::keyClick(usage->windowHandle(), Qt::Key_PageDown);
        scrolled = usage->WebBrowser1->verticalScrollBar()->value();
        w->close();
    });
    if (window == "TDataEntryForm")
        program.dataEntryForm()->showAccountsPage();
    else if (window == "TCalendarForm")
        program.calendar()->ShowModal();
    else
        program.followUp()->ShowModal();
    QVERIFY2(script->ok(), script->failure());
    QCOMPARE(opened, window);
    QVERIFY(shown);
    QVERIFY(stillModal);
    QVERIFY2(scrolled > 0, "the page did not take the key: the window is held behind the modal window");
    QCOMPARE(usage->WebBrowser1->source(), pages.page("DBHelp.htm"));
    QCOMPARE(box.texts(), QStringList());
}

// Every link of the pages we ship leads to a page that exists and to a place in it that exists, except the maker's
// home page, which goes to the browser.
void TestHelp::shippedPagesLinksLeadSomewhere_data()
{
    QTest::addColumn<QString>("page");
    QTest::newRow("Help.htm") << "Help.htm";
    QTest::newRow("DBHelp.htm") << "DBHelp.htm";
}

void TestHelp::shippedPagesLinksLeadSomewhere()
{
    QFETCH(QString, page);
    const QString folder = QStringLiteral(QV_HELP_SOURCE_DIR) + '/';
    auto read = [&](const QString& name) {
        QFile f(folder + name);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    };
    const QString html = read(page);
    QVERIFY2(html.size() > 2000, "the page is missing or hardly says anything");
    static const QRegularExpression href(R"(href="([^"]*)\")");
    int links = 0;
    for (auto it = href.globalMatch(html); it.hasNext();) {
        const QString target = it.next().captured(1);
        ++links;
        if (target == QLatin1String(artwork::MakerWebAddress)) continue;
        QVERIFY2(!target.contains("://") && !target.startsWith("mailto:"), qPrintable("leaves the pages: " + target));
        const QString file = target.section('#', 0, 0);
        const QString anchor = target.section('#', 1);
        const QString linked = file.isEmpty() ? html : read(file);
        QVERIFY2(!linked.isEmpty(), qPrintable("no page " + file));
        if (!anchor.isEmpty()) QVERIFY2(linked.contains("id=\"" + anchor + "\""), qPrintable("no place " + target));
    }
    QVERIFY(links >= 10);
}

// The table of menus on the help page names every menu and every item of the main window, under its own words:
// an item added to a menu and not to the page fails here.
void TestHelp::shippedHelpNamesEveryMenuItem()
{
    StartedProgram p;
    QVERIFY(p.started);
    QFile f(QStringLiteral(QV_HELP_SOURCE_DIR) + "/Help.htm");
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(f.readAll());
    const qsizetype from = html.indexOf("id=\"menu\""), to = html.indexOf("<h2", from + 1);
    QVERIFY(from > 0 && to > from);
    QTextDocument page;
    page.setHtml(html.mid(from, to - from));
    const QString table = page.toPlainText().simplified();
    QStringList missing;
    int named = 0;
    std::function<void(const QMenu*)> walk = [&](const QMenu* menu) {
        for (const QAction* a : menu->actions()) {
            if (a->isSeparator()) continue;
            const QString text = a->text().remove('&');
            ++named;
            if (!table.contains(text)) missing << text;
            if (a->menu()) walk(a->menu());
        }
    };
    for (const QAction* top : p.program.mainWindow()->menuBar()->actions()) {
        const QString text = top->text().remove('&');
        if (!table.contains(text)) missing << text;
        if (top->menu()) walk(top->menu());
    }
    QVERIFY(named >= 20);
    QVERIFY2(missing.isEmpty(), qPrintable("not on the help page: " + missing.join(", ")));
}

QTEST_MAIN(TestHelp)
#include "test_help.moc"

// Start-up: the display check, the connection string, the database beside the executable and every failure that
// must stop the program before its main window appears.
#include "app/MainFrameUnit.h"
#include "app/Program.h"
#include "app/Splash.h"
#include "data/Connection.h"
#include "platform/DataControls.h"
#include "records/DataEntry.h"
#include "data/DataModule.h"
#include "data/Installer.h"
#include "platform/Clock.h"
#include "platform/ProgramEnd.h"
#include "platform/WorkProgress.h"
#include "tests/support/FileFixtures.h"
#include "tests/support/StartedProgram.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QProcess>
#include <QProgressDialog>
#include <QScreen>
#include <QTimer>
#include <QtTest>
#include <unistd.h>

using namespace qv;
using namespace qv::test;

namespace {
const char* FontMessage = "Display font size is NOT set to small fonts (96 dpi). To run correctly, display font size "
                          "must be set to small fonts (96 dpi). Quorvane PRO 2005 will close now.";
const char* AreaMessage = "Screen area is less than 800*600. To run correctly, screen area must be set to 800*600 or "
                          "higher. Quorvane PRO 2005 will close now.";
} // namespace

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { useUnitedStatesLocale(); }
    void init() { resetProgramEndRequest(); }
    void displayCheck_data();
    void displayCheck();
    void displayCheckOnTheRealScreen_data();
    void displayCheckOnTheRealScreen();
    void connectionString();
    void startsOnTheFileBesideTheExecutable();
    void failedDisplayCheckStillOpensTheDatabase();
    void failures_data();
    void failures();
    void unwritableFileIsSaidOnceAfterTheMainWindow_data();
    void unwritableFileIsSaidOnceAfterTheMainWindow();
    void mainWindowFrame();
    void commandChosenBeforeTheRowsAreReadWaitsForThem();
    void databaseLivesInTheUsersFolderWhereTheProgramsCannotBeWritten_data();
    void databaseLivesInTheUsersFolderWhereTheProgramsCannotBeWritten();
    void backupAndRestoreUseTheFileInUse();
    void versionAndHelpNeedNoDisplay_data();
    void versionAndHelpNeedNoDisplay();
};

void TestStartup::displayCheck_data()
{
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("height");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("96 dpi, 590 high passes") << 96 << 590 << QStringList();
    QTest::newRow("589 high fails") << 96 << 589 << QStringList{AreaMessage};
    QTest::newRow("120 dpi, 600 high") << 120 << 600 << QStringList{FontMessage};
    QTest::newRow("96 dpi, 480 high") << 96 << 480 << QStringList{AreaMessage};
    QTest::newRow("both fail, both shown in order") << 120 << 480 << QStringList{FontMessage, AreaMessage};
}

void TestStartup::displayCheck()
{
    QFETCH(int, dpi);
    QFETCH(int, height);
    QFETCH(QStringList, messages);
    FixedScreen screen(dpi, height);
    ScriptedMessages shown;
    TSplashForm splash;
    splash.show();
    QCOMPARE(shown.texts(), messages);
    for (const auto& m : shown.shown) QCOMPARE(m.kind, MessageKind::Information);
    QCOMPARE(programEndRequested(), !messages.isEmpty());
}

// The check through the real screen: the platform reports a desktop of the given resolution and size, and the
// toolkit's scaling turns it into the logical screen the program sees (a child run of this program does the check,
// since the screen is fixed when the application starts).
void TestStartup::displayCheckOnTheRealScreen_data()
{
    QTest::addColumn<int>("dpi");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("seen"); // logical dpi and height
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("120 dpi, 800x600: a 640x480 screen")
        << 120 << QSize(800, 600) << "96 480" << QStringList{AreaMessage};
    QTest::newRow("120 dpi, 1280x1024: runs scaled") << 120 << QSize(1280, 1024) << "96 819" << QStringList();
    QTest::newRow("144 dpi, 1280x1024: runs scaled") << 144 << QSize(1280, 1024) << "96 683" << QStringList();
    QTest::newRow("96 dpi, 800x589") << 96 << QSize(800, 589) << "96 589" << QStringList{AreaMessage};
}

void TestStartup::displayCheckOnTheRealScreen()
{
    QFETCH(int, dpi);
    QFETCH(QSize, size);
    QFETCH(QString, seen);
    QFETCH(QStringList, messages);
    QTemporaryDir dir;
    QFile config(dir.filePath("screen.json"));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(QStringLiteral(R"({"screens": [{"name": "Desktop", "x": 0, "y": 0, "width": %1, "height": %2,
                                   "logicalDpi": %3, "logicalBaseDpi": 96, "dpr": 1}]})")
                     .arg(size.width())
                     .arg(size.height())
                     .arg(dpi)
                     .toUtf8());
    config.close();
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName());
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {"--display-check"});
    QVERIFY(child.waitForFinished(20000));
    QCOMPARE(child.exitCode(), 0);
    const QStringList out = QString::fromUtf8(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QVERIFY2(!out.isEmpty(), child.readAllStandardError().constData());
    QCOMPARE(out.first(), seen);
    QCOMPARE(out.mid(1), messages);
}

void TestStartup::connectionString()
{
    QCOMPARE(Program::connectionStringFor("/opt/qv/"),
             QString("Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=/opt/qv/Quorvane.qv;"
                     "Mode=Share Deny None;Jet OLEDB:Database Password=\"QvLtR\";"));
}

void TestStartup::startsOnTheFileBesideTheExecutable()
{
    FixedScreen screen(96, 768);
    ScriptedMessages shown;
    TestDatabase beside({personInsert("Beside the executable")});
    // The working folder holds a file of the same name that is no database at all.
    QTemporaryDir work;
    placeFile(work.path() + "/Quorvane.qv", "text");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(work.path());
    Program program(beside.folder() + "quorvane");
    const bool started = program.start();
    QDir::setCurrent(previous);
    QVERIFY2(started, qPrintable(shown.texts().join('|')));
    QVERIFY(shown.shown.empty());
    QCOMPARE(program.dataModule()->PeopleCompanyDet->text("Name"), QString("Beside the executable"));
    QVERIFY(program.mainWindow()->isVisible()); // shown before the rows were read
    QVERIFY(!programEndRequested());
}

void TestStartup::failedDisplayCheckStillOpensTheDatabase()
{
    FixedScreen screen(120, 768);
    ScriptedMessages shown;
    TestDatabase db({personInsert("Someone")});
    Program program(db.folder() + "quorvane");
    QVERIFY(program.start());
    QCOMPARE(shown.texts(), QStringList{FontMessage});
    QVERIFY(program.dataModule()->PeopleCompanyDet->isOpen());
    QCOMPARE(program.dataModule()->PeopleCompanyDet->recordCount(), 1);
    QVERIFY(programEndRequested());
    // The loop ends at once, without any input.
    QCOMPARE(program.run(), 0);
}

void TestStartup::failures_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("expected");
    QTest::newRow("missing file") << "missing"
                                  << "unable to open database file";
    QTest::newRow("wrong password") << "password"
                                    << "file is encrypted or is not a database";
    QTest::newRow("missing table") << "DROP TABLE CalendarEvents"
                                   << "no such table: CalendarEvents";
    QTest::newRow("empty file") << "empty"
                                << "is empty or damaged";
    QTest::newRow("truncated file") << "truncated"
                                    << "is damaged";
    QTest::newRow("missing column of People")
        << "ALTER TABLE People RENAME TO Gone; CREATE TABLE People (PersonID INTEGER PRIMARY KEY, CompanyID, Name)"
        << "no such column:";
}

void TestStartup::failures()
{
    QFETCH(QString, damage);
    QFETCH(QString, expected);
    FixedScreen screen(96, 768);
    ScriptedMessages shown;
    QTemporaryDir dir;
    const QString path = dir.path() + "/Quorvane.qv";
    if (damage == "missing" || damage == "password" || damage == "empty" || damage == "truncated") {
        placeFile(path, damage);
    } else {
        createDatabaseFile(path);
        executeOnFile(path, DatabasePassword, damage.split("; "));
    }
    const QDateTime modified = QFileInfo(path).lastModified();
    Program program(dir.path() + "/quorvane");
    QVERIFY(!program.start());
    QCOMPARE(shown.shown.size(), size_t(1));
    QCOMPARE(shown.shown[0].kind, MessageKind::Error);
    QVERIFY2(shown.shown[0].text.contains(expected), qPrintable(shown.shown[0].text));
    // A file that is there but unusable is named, so that the user knows which one to restore.
    if (damage == "empty" || damage == "truncated" || damage == "password" || damage == "missing")
        QVERIFY2(shown.shown[0].text.contains(QDir::toNativeSeparators(path)), qPrintable(shown.shown[0].text));
    QVERIFY(!program.mainWindow() || !program.mainWindow()->isVisible());
    if (damage == "missing")
        QVERIFY(!QFile::exists(path));
    else
        QCOMPARE(QFileInfo(path).lastModified(), modified);
}

namespace {
// Makes a file or folder unwritable even for the superuser, and writable again when it goes.
struct Immutable {
    explicit Immutable(const QString& path) : path(path) { ok = QProcess::execute("chattr", {"+i", path}) == 0; }
    ~Immutable()
    {
        if (ok) QProcess::execute("chattr", {"-i", path});
    }
    QString path;
    bool ok = false;
};

// Every table's definition and rows, in a fixed order: what two files made the same way share.
QList<QVariantList> contentsOf(Connection& connection)
{
    auto rowsOf = [&](const QString& sql) {
        QList<QVariantList> out;
        Statement st(connection, sql);
        while (st.step()) {
            QVariantList row;
            for (int i = 0; i < st.columnCount(); ++i) row << st.columnValue(i);
            out << row;
        }
        return out;
    };
    QList<QVariantList> all = rowsOf("SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY type, name");
    for (const QVariantList& table : rowsOf("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"))
        all += rowsOf("SELECT * FROM \"" + table.first().toString() + "\" ORDER BY 1");
    return all;
}

QList<QVariantList> contentsOf(const QString& path)
{
    Connection connection;
    // Any file, a backup too: the program's connection string names the file it is given.
    connection.setConnectionString(
        Program::connectionStringFor({}).replace("Data Source=Quorvane.qv;", "Data Source=" + path + ';'));
    connection.open();
    return contentsOf(connection);
}

// A system install as the package makes it: the program's folder holds no database and cannot be written by the
// user, whose home is an empty one of our own.
struct SystemInstall {
    SystemInstall()
    {
        lock = std::make_unique<Immutable>(programs.path());
        if (lock->ok) return;
        lock.reset();
        // A normal user cannot make a folder immutable, but can take their own right to write it.
        if (::geteuid() != 0)
            ok = QFile::setPermissions(programs.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    ~SystemInstall()
    {
        lock.reset();
        QFile::setPermissions(programs.path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QString program() const { return programs.path() + "/quorvane"; }
    QString usersFolder() const { return home.home() + "/.local/share/Quorvane/"; }
    QString usersFile() const { return usersFolder() + "Quorvane.qv"; }
    bool unwritable() const { return lock || ok; }

    EmptyHome home;
    QTemporaryDir programs;
    std::unique_ptr<Immutable> lock;
    bool ok = false;
};

// Records whether the main window was on the screen when each message came.
class MessagesAfterWindow : public ScriptedMessages {
public:
    MessageAnswer show(MessageKind kind, const QString& text, MessageButtons buttons) override
    {
        windowShown << (program && program->mainWindow() && program->mainWindow()->isVisible());
        return ScriptedMessages::show(kind, text, buttons);
    }
    Program* program = nullptr;
    QList<bool> windowShown;
};
} // namespace

// A file or folder that cannot be written opens for reading; the user is told once, after the main window shows,
// instead of meeting a puzzling engine error at the first save.
void TestStartup::unwritableFileIsSaidOnceAfterTheMainWindow_data()
{
    QTest::addColumn<QString>("unwritable");
    QTest::addColumn<QString>("named");
    QTest::newRow("file") << "file"
                          << "Quorvane.qv cannot be written";
    QTest::newRow("folder") << "folder"
                            << "cannot be written, and every save";
    QTest::newRow("neither") << QString() << QString();
}

void TestStartup::unwritableFileIsSaidOnceAfterTheMainWindow()
{
    QFETCH(QString, unwritable);
    QFETCH(QString, named);
    FixedScreen screen(96, 768);
    MessagesAfterWindow shown;
    TestDatabase db({personInsert("Reader")});
    // An unwritable folder of the program's own sends the data to the user's folder: that one is made unwritable.
    std::unique_ptr<SystemInstall> system;
    QString executable = db.folder() + "quorvane";
    QString locked = db.path();
    if (unwritable == "folder") {
        system = std::make_unique<SystemInstall>();
        if (!system->unwritable()) QSKIP("this file system cannot make a folder unwritable");
        QVERIFY(QDir().mkpath(system->usersFolder()));
        QVERIFY(QFile::copy(db.path(), system->usersFile()));
        executable = system->program();
        locked = system->usersFolder();
    }
    std::unique_ptr<Immutable> lock;
    if (!unwritable.isEmpty()) {
        lock = std::make_unique<Immutable>(locked);
        if (!lock->ok) QSKIP("this file system cannot make a file unwritable for the superuser");
    }
    Program program(executable);
    shown.program = &program;
    QVERIFY(program.start());
    QVERIFY(shown.shown.empty()); // nothing said before the main window
    QTimer::singleShot(300, qApp, &QCoreApplication::quit);
    program.run();
    if (named.isEmpty()) {
        QVERIFY(shown.shown.empty());
        return;
    }
    QCOMPARE(shown.shown.size(), size_t(1));
    QCOMPARE(shown.shown[0].kind, MessageKind::Warning);
    QVERIFY2(shown.shown[0].text.contains(named), qPrintable(shown.shown[0].text));
    QCOMPARE(shown.windowShown, QList<bool>{true});
    QCOMPARE(program.dataModule()->PeopleCompanyDet->text("Name"), QString("Reader")); // still readable
}

void TestStartup::mainWindowFrame()
{
    ScriptedShell shell;
    clock::setFixed(QDateTime(QDate(2026, 12, 8), QTime(9, 30)));
    StartedProgram p;
    QVERIFY(p.started);
    TForm1* form = p.program.mainWindow();
    QCOMPARE(form->objectName(), QString("TForm1"));
    QCOMPARE(form->windowTitle(), QString("Quorvane PRO 2005"));
    form->show();
    QCOMPARE(form->dateText(), QString(" 12/8/2026"));
    QVERIFY(form->statusText().startsWith("Quorvane PRO 2005."));
    // The date panel keeps the start day past midnight.
    clock::setFixed(QDateTime(QDate(2026, 12, 9), QTime(0, 1)));
    form->hide();
    form->show();
    QCOMPARE(form->dateText(), QString(" 12/8/2026"));
    // The menus, in order; only items whose command is built are visible.
    QStringList menus;
    for (QAction* a : form->menuBar()->actions()) menus << a->text().remove('&'); // '&' marks the Alt+letter key
    QCOMPARE(menus, (QStringList{"Files", "Tools", "Import", "Export", "Database", "Help"}));
    QVERIFY(form->ExitItem->isVisible());
    form->ExitItem->trigger();
    QVERIFY(programEndRequested());
    // The logo opens the maker's site through the desktop.
    auto* logo = form->findChild<QLabel*>("LogoImage");
    QVERIFY(logo);
    QCOMPARE(logo->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(logo, Qt::LeftButton);
    QCOMPARE(shell.targets, QStringList{logo->toolTip()});
    QVERIFY(logo->toolTip().startsWith("https://"));
    clock::setFixed({});
}

namespace {
// Runs an action once, at the first paint of the widget of that name.
class AtFirstPaint : public QObject {
public:
    AtFirstPaint(const QString& name, std::function<void()> action) : m_name(name), m_action(std::move(action))
    {
        qApp->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_action && event->type() == QEvent::Paint && watched->objectName() == m_name)
            std::exchange(m_action, nullptr)();
        return false;
    }

private:
    QString m_name;
    std::function<void()> m_action;
};
} // namespace

// The main window paints before any row is read. A command chosen then waits, a box saying why, and runs once the
// rows are in: the Files window opens on the first contact, and the box is gone.
void TestStartup::commandChosenBeforeTheRowsAreReadWaitsForThem()
{
    FixedScreen screen(96, 768);
    ScriptedMessages shown;
    TestDatabase db({personInsert("Adams"), personInsert("Baker")});
    WorkProgress::setTiming({0, 0});
    Program program(db.folder() + "quorvane");
    bool rowsHeldAtPaint = true;
    QString waitShown;
    AtFirstPaint paint("TForm1", [&] {
        rowsHeldAtPaint = program.dataModule()->PeopleCompanyDet->isOpen();
        program.mainWindow()->PersonalInfoItem->trigger();
        const auto* wait = program.mainWindow()->findChild<QProgressDialog*>("StartupWait");
        if (wait && wait->isVisible() && wait->isModal()) waitShown = wait->labelText();
    });
    const bool started = program.start();
    WorkProgress::setTiming({});
    QVERIFY2(started, qPrintable(shown.texts().join('|')));
    QVERIFY(!rowsHeldAtPaint);
    QCOMPARE(waitShown, QString("Reading the database..."));
    QVERIFY(!program.mainWindow()->findChild<QProgressDialog*>("StartupWait"));
    QString files, name;
    auto modal = whenModal([&](QWidget* w) {
        files = w->objectName();
        name = program.dataEntryForm()->NameEdit->text();
        w->close();
    });
    QTRY_VERIFY(modal->acted());
    QVERIFY2(modal->ok(), modal->failure());
    QCOMPARE(files, QString("TDataEntryForm"));
    QCOMPARE(name, QString("Adams"));
    QVERIFY(shown.shown.empty());
}

// The program's folder decides: one the user can write (the build folder, an install of their own) keeps the file
// beside the program; one they cannot (a system install) sends it to the user's data folder, made there at the
// first start exactly as the installer tool makes it, and kept from then on.
void TestStartup::databaseLivesInTheUsersFolderWhereTheProgramsCannotBeWritten_data()
{
    QTest::addColumn<bool>("systemInstall");
    QTest::addColumn<QString>("inUsersFolder"); // what the user's data folder holds before the start
    QTest::newRow("own folder: beside the program") << false << "nothing";
    QTest::newRow("own folder: the user's data folder not looked at") << false << "data";
    QTest::newRow("system install, first start: made") << true << "nothing";
    QTest::newRow("system install, a folder without a file: made") << true << "folder";
    QTest::newRow("system install, a start killed while making it: made") << true << "half-made";
    QTest::newRow("system install, a later start: kept") << true << "data";
}

void TestStartup::databaseLivesInTheUsersFolderWhereTheProgramsCannotBeWritten()
{
    QFETCH(bool, systemInstall);
    QFETCH(QString, inUsersFolder);
    FixedScreen screen(96, 768);
    ScriptedMessages shown;
    SystemInstall system;
    if (systemInstall && !system.unwritable()) QSKIP("this file system cannot make a folder unwritable");
    const QString usersFolder = system.usersFolder();
    const QString usersFile = system.usersFile();
    if (inUsersFolder != "nothing") QVERIFY(QDir().mkpath(usersFolder));
    QList<QVariantList> kept;
    if (inUsersFolder == "data") {
        createDatabaseFile(usersFile);
        executeOnFile(usersFile, DatabasePassword, {personInsert("Kept in the user's folder")});
        kept = contentsOf(usersFile);
    }
    if (inUsersFolder == "half-made") {
        QFile half(usersFile + ".tmp-Ab12Cd");
        QVERIFY(half.open(QIODevice::WriteOnly));
        half.write(QByteArray(1000, 'x'));
    }
    TestDatabase beside({personInsert("Beside the program")});

    Program program(systemInstall ? system.program() : beside.folder() + "quorvane");
    QVERIFY2(program.start(), qPrintable(shown.texts().join('|')));
    QVERIFY2(shown.shown.empty(), qPrintable(shown.texts().join('|')));
    Connection& connection = *program.dataModule()->MainADOConnection;
    if (!systemInstall) {
        QCOMPARE(program.databaseFolder(), beside.folder());
        QCOMPARE(connection.dataSource(), beside.path());
        QCOMPARE(program.dataModule()->PeopleCompanyDet->text("Name"), QString("Beside the program"));
        if (inUsersFolder == "nothing") QVERIFY(!QFileInfo::exists(usersFolder));
        return;
    }
    QCOMPARE(program.databaseFolder(), usersFolder);
    QCOMPARE(connection.dataSource(), usersFile);
    QVERIFY(QDir(system.programs.path()).isEmpty()); // nothing written where the program lies
    if (inUsersFolder == "data") {
        QCOMPARE(program.dataModule()->PeopleCompanyDet->text("Name"), QString("Kept in the user's folder"));
        QCOMPARE(contentsOf(connection), kept);
        return;
    }
    // Made as the installer tool makes it: the same tables, indexes and first rows, readable by the user alone.
    TestDatabase installed;
    QCOMPARE(contentsOf(connection), contentsOf(installed.path()));
    QCOMPARE(program.dataModule()->PeopleCompanyDet->recordCount(), 0);
    const int ownerGroupOther = 0x7077;
    QCOMPARE(QFileInfo(usersFile).permissions() & ownerGroupOther, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (inUsersFolder == "nothing")
        QCOMPARE(QFileInfo(usersFolder).permissions() & ownerGroupOther,
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // Nothing else is left there: no temporary copy of this start, none of a killed one.
    QCOMPARE(QDir(usersFolder).entryList(QDir::Files | QDir::Hidden), QStringList{"Quorvane.qv"});
}

// Backup copies, and restore replaces, the file in the user's data folder when that is the one in use.
void TestStartup::backupAndRestoreUseTheFileInUse()
{
    FixedScreen screen(96, 768);
    SystemInstall system;
    if (!system.unwritable()) QSKIP("this file system cannot make a folder unwritable");
    QVERIFY(QDir().mkpath(system.usersFolder()));
    createDatabaseFile(system.usersFile());
    executeOnFile(system.usersFile(), DatabasePassword, {personInsert("In the user's folder")});
    QTemporaryDir backups;
    const QString made = backups.filePath("Monday");
    const QString older = backups.filePath("Older.QVB");
    createDatabaseFile(older);
    executeOnFile(older, DatabasePassword, {personInsert("From the older backup")});
    ScriptedFileDialogs dialogs;
    ScriptedMessages shown;
    {
        Program program(system.program());
        QVERIFY(program.start());
        dialogs.answers = {made};
        program.mainWindow()->BackupItem->trigger();
        QCOMPARE(shown.texts(), QStringList());
        QCOMPARE(contentsOf(made + ".QVB"), contentsOf(system.usersFile()));
        dialogs.answers = {older};
        shown.answers = {MessageAnswer::Yes};
        program.mainWindow()->RestoreItem->trigger();
        QCOMPARE(shown.shown.size(), size_t(2));
        QCOMPARE(shown.shown[1].kind, MessageKind::Information);
    }
    resetProgramEndRequest();
    Program next(system.program());
    QVERIFY(next.start());
    QCOMPARE(next.dataModule()->PeopleCompanyDet->text("Name"), QString("From the older backup"));
    QVERIFY(QDir(system.programs.path()).isEmpty());
}

// --version and --help answer as command-line programs do, on standard output and with success, without starting
// the windows: no display is needed.
void TestStartup::versionAndHelpNeedNoDisplay_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("expected"); // a regular expression the whole output matches
    QTest::newRow("version") << "--version"
                             << "quorvane \\(Quorvane PRO 2005\\) 2005\\.0\\n";
    QTest::newRow("help") << "--help"
                          << "Usage: quorvane \\[OPTION\\]\\n(.+\\n)+\\n.*--help .*\\n.*--version .*\\n(.*\\n)*"
                             "Here it is: .*/Quorvane\\.qv\\n";
}

void TestStartup::versionAndHelpNeedNoDisplay()
{
    QFETCH(QString, option);
    QFETCH(QString, expected);
    QProcess quorvane;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(name);
    quorvane.setProcessEnvironment(environment);
    quorvane.start(QCoreApplication::applicationDirPath() + "/quorvane", {option});
    QVERIFY(quorvane.waitForFinished(20000));
    QCOMPARE(quorvane.exitStatus(), QProcess::NormalExit);
    QCOMPARE(quorvane.exitCode(), 0);
    QCOMPARE(quorvane.readAllStandardError(), QByteArray());
    const QString output = QString::fromUtf8(quorvane.readAllStandardOutput());
    QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(expected)).match(output).hasMatch(),
             qPrintable(output));
}

// A child run (displayCheckOnTheRealScreen): the display check on the screen the platform gives, then the screen's
// logical resolution and height and the messages shown, one per line.
int runDisplayCheck(int argc, char** argv)
{
    QApplication app(argc, argv);
    ScriptedMessages shown;
    TSplashForm splash;
    splash.show();
    const QScreen* screen = QGuiApplication::primaryScreen();
    QTextStream out(stdout);
    out << qRound(screen->logicalDotsPerInch()) << ' ' << screen->geometry().height() << '\n';
    for (const QString& text : shown.texts()) out << text << '\n';
    return 0;
}

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--display-check") == 0) return runDisplayCheck(argc, argv);
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestStartup test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_startup.moc"

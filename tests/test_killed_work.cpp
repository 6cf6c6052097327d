// A backup, a restore or a mail import killed at any point, and the next start: the user's data is whole and in
// place (the set-aside database put back and the user told, the backup under its own name), and what the killed
// process left (temporary copies, its note, a copy of the address book) is gone, while anything that is not ours
// or still in use stays.
#include "app/MainFrameUnit.h"
#include "app/Program.h"
#include "platform/MailAddressBook.h"
#include "platform/ProgramEnd.h"
#include "tests/support/FileFixtures.h"
#include "tests/support/StoppedChild.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace qv;
using namespace qv::test;

namespace {

const QString PutBack = "Quorvane PRO 2005 was stopped while it was restoring the database. The database as it was "
                        "before the restore has been put back.";

int modeOf(const QString& path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// A step as the child announced it, with the test's folders named and the random part of a name masked.
QString normalized(QString step, const QString& program, const QString& backups)
{
    static const QRegularExpression random(QStringLiteral("\\.(tmp|pending)-[A-Za-z0-9]{6}"));
    step.replace(random, QStringLiteral(".\\1-XXXXXX"));
    return step.replace(program, "<program>").replace(backups, "<backups>");
}

// The program started on the folder, as the user starts it after the kill.
struct NextStart {
    explicit NextStart(const QString& folder) : program(folder + "quorvane")
    {
        resetProgramEndRequest();
        started = program.start();
    }
    FixedScreen screen{96, 768};
    ScriptedMessages shown;
    Program program;
    bool started = false;
};

// Runs in the child: the program started on the folder, then the menu command with the answers a user gives.
int runChild(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString operation = args.at(2);
    FixedScreen screen(96, 768);
    ScriptedMessages shown;
    if (operation == "book") {
        stopBeforeStep(args.at(3).toInt());
        QString problem;
        return readMailClientAddressBook(&problem) ? 0 : 1;
    }
    ScriptedFileDialogs dialogs;
    dialogs.answers = {args.at(4)};
    shown.answers = {MessageAnswer::Yes};
    Program program(args.at(3) + "quorvane");
    if (!program.start()) return 2;
    stopBeforeStep(args.at(5).toInt());
    (operation == "restore" ? program.mainWindow()->RestoreItem : program.mainWindow()->BackupItem)->trigger();
    return 0;
}

// A file held open and locked, as a running process holds its copy.
class Held {
public:
    explicit Held(const QString& path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK))
    {
        if (m_fd >= 0) ::flock(m_fd, LOCK_EX);
    }
    ~Held()
    {
        if (m_fd >= 0) ::close(m_fd);
    }

private:
    int m_fd;
};

// A mail client's address book where the import looks for it, with a journal beside it so that copying it takes
// two steps.
void putThunderbirdBook(const QString& home)
{
    QDir().mkpath(home + "/.thunderbird/p.default");
    writeFile(home + "/.thunderbird/profiles.ini", "[Profile0]\nName=default\nIsRelative=1\nPath=p.default\n");
    writeFile(home + "/.thunderbird/p.default/abook.sqlite", QByteArray(8192, 'b'));
    writeFile(home + "/.thunderbird/p.default/abook.sqlite-wal", QByteArray(4096, 'w'));
}

// A temporary folder of our own for the tests that look at leftovers there.
class OwnTemporaryFolder {
public:
    OwnTemporaryFolder() : m_old(qgetenv("TMPDIR")) { qputenv("TMPDIR", QFile::encodeName(m_dir.path())); }
    ~OwnTemporaryFolder() { m_old.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", m_old); }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QByteArray m_old;
};

} // namespace

class TestKilledWork : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { useUnitedStatesLocale(); }
    void restoreKilledAtEachStep();
    void backupKilledAtEachStep_data();
    void backupKilledAtEachStep();
    void mailImportKilledWhileCopyingTheBook();
    void setAsideDatabaseAtStart_data();
    void setAsideDatabaseAtStart();
    void onlyOurUnheldLeftoversGo_data();
    void onlyOurUnheldLeftoversGo();
    void liveFileMadePrivate();
};

void TestKilledWork::restoreKilledAtEachStep()
{
    const QStringList expected = {
        "rename <backups>/Friday.QVB to <backups>/Quorvane.qv",
        "rename <program>/Quorvane.qv to <program>/Quorvane.qv.BAK",
        "create <program>/Quorvane.qv.tmp-XXXXXX",
        "write <program>/Quorvane.qv.tmp-XXXXXX",
        "rename <program>/Quorvane.qv.tmp-XXXXXX to <program>/Quorvane.qv",
        "rename <backups>/Quorvane.qv to <backups>/Friday.QVB",
        "remove <program>/Quorvane.qv.BAK",
        "remove <program>/Quorvane.qv.pending-XXXXXX",
    };
    QStringList seen;
    for (int step = 1;; ++step) {
        TestDatabase db({personInsert("Live contact")});
        QTemporaryDir backups;
        const QString chosen = backups.filePath("Friday.QVB");
        placeFile(chosen, "whole", "Backed up");
        QFile::setPermissions(chosen, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        const QByteArray backup = bytesOf(chosen);

        StoppedChild child({"--child", "restore", db.folder(), chosen}, step);
        const QString program = db.folder().chopped(1);
        if (!child.stopped()) {
            QVERIFY2(child.succeeded(), qPrintable(child.errors()));
            QCOMPARE(step, int(expected.size()) + 1);
            break;
        }
        seen << normalized(child.steps().last(), program, backups.path());
        QCOMPARE(child.steps().size(), step);

        NextStart next(db.folder());
        const QString at = QStringLiteral("killed before: ") + seen.last();
        QVERIFY2(next.started, qPrintable(at + " | " + next.shown.texts().join('|')));
        const bool setAsideOnly = step >= 3 && step <= 5; // the live file was gone when the process died
        QCOMPARE(next.shown.texts(), setAsideOnly ? QStringList{PutBack} : QStringList());
        QCOMPARE(next.program.dataModule()->PeopleCompanyDet->text("Name"),
                 QString(step <= 5 ? "Live contact" : "Backed up"));
        // The backup under its own name, as it was; no half copy, no note left.
        QCOMPARE(filesIn(backups.path()), QStringList{"Friday.QVB"});
        QVERIFY2(bytesOf(chosen) == backup, qPrintable(at));
        QStringList programFolder{"Quorvane.qv"};
        if (step == 6 || step == 7) programFolder << "Quorvane.qv.BAK"; // the old data, kept until the next restore
        QCOMPARE(filesIn(db.folder()), programFolder);
        QCOMPARE(modeOf(db.path()), 0600);
    }
    QCOMPARE(seen, expected);
}

void TestKilledWork::backupKilledAtEachStep_data()
{
    QTest::addColumn<bool>("replacing");
    QTest::newRow("new backup") << false;
    QTest::newRow("replacing an older backup") << true;
}

void TestKilledWork::backupKilledAtEachStep()
{
    QFETCH(bool, replacing);
    const QStringList expected = {
        "create <backups>/Weekly.QVB.tmp-XXXXXX",
        "write <backups>/Weekly.QVB.tmp-XXXXXX",
        "rename <backups>/Weekly.QVB.tmp-XXXXXX to <backups>/Weekly.QVB",
        "remove <program>/Quorvane.qv.pending-XXXXXX",
    };
    QStringList seen;
    for (int step = 1;; ++step) {
        TestDatabase db({personInsert("Live contact")});
        const QByteArray live = bytesOf(db.path());
        QTemporaryDir backups;
        const QString target = backups.filePath("Weekly.QVB");
        if (replacing) writeFile(target, "the older backup");

        StoppedChild child({"--child", "backup", db.folder(), backups.filePath("Weekly")}, step);
        if (!child.stopped()) {
            QVERIFY2(child.succeeded(), qPrintable(child.errors()));
            QCOMPARE(step, int(expected.size()) + 1);
            break;
        }
        seen << normalized(child.steps().last(), db.folder().chopped(1), backups.path());

        NextStart next(db.folder());
        QVERIFY(next.started);
        QCOMPARE(next.shown.texts(), QStringList());
        QCOMPARE(bytesOf(db.path()), live);
        QCOMPARE(filesIn(db.folder()), QStringList{"Quorvane.qv"});
        // Either the old state or the whole new backup, never a part of one.
        const bool copied = step > 3;
        QCOMPARE(filesIn(backups.path()), copied || replacing ? QStringList{"Weekly.QVB"} : QStringList());
        if (copied) {
            QCOMPARE(storedNames(target), QStringList{"Live contact"});
            QCOMPARE(modeOf(target), 0600);
        } else if (replacing) {
            QCOMPARE(bytesOf(target), QByteArray("the older backup"));
        }
    }
    QCOMPARE(seen, expected);
}

void TestKilledWork::mailImportKilledWhileCopyingTheBook()
{
    TestDatabase db; // made before the temporary folder is ours, so that it lies elsewhere
    EmptyHome home;
    OwnTemporaryFolder temporary;
    putThunderbirdBook(home.home());
    writeFile(temporary.path() + "/quorvane-book-notOurs", "kept"); // not the pattern of our copies
    const auto copies = [&] {
        return filesIn(temporary.path()).filter(QRegularExpression("^quorvane-book-[A-Za-z0-9]{6}$"));
    };
    // Stopped before copying the journal: the book's own copy lies in the temporary folder.
    StoppedChild killed({"--child", "book"}, 2);
    QVERIFY(killed.stopped());
    QVERIFY2(killed.steps().last().contains("abook.sqlite-wal to"), qPrintable(killed.steps().join('|')));
    QCOMPARE(copies().size(), 1);
    QCOMPARE(filesIn(temporary.path() + '/' + copies()[0]), QStringList{"book.sqlite"});
    {
        NextStart next(db.folder());
        QVERIFY(next.started);
        QCOMPARE(copies(), QStringList());
    }
    // An import still running keeps its copy while another copy of the program starts.
    QProcess running;
    running.start(QCoreApplication::applicationFilePath(), {"--child", "book", "2"});
    QVERIFY(running.waitForStarted());
    while (!running.readAllStandardOutput().contains("stopped") && running.waitForReadyRead(20000)) {}
    {
        NextStart next(db.folder());
        QVERIFY(next.started);
        QCOMPARE(copies().size(), 1);
    }
    running.kill();
    running.waitForFinished();
    {
        NextStart next(db.folder());
        QCOMPARE(copies(), QStringList());
    }
    // An import that runs to its end leaves nothing.
    StoppedChild whole({"--child", "book"}, 1000);
    QVERIFY(!whole.stopped());
    QCOMPARE(whole.steps().size(), 2);
    QCOMPARE(copies(), QStringList());
    QVERIFY(QFile::exists(temporary.path() + "/quorvane-book-notOurs"));
}

void TestKilledWork::setAsideDatabaseAtStart_data()
{
    QTest::addColumn<QString>("live");     // what lies under the database's name
    QTest::addColumn<QString>("setAside"); // what lies under ".BAK"
    QTest::addColumn<bool>("starts");
    QTest::addColumn<QString>("contact");    // what the started program shows
    QTest::addColumn<QStringList>("folder"); // the program's folder afterwards
    QTest::addColumn<bool>("told");
    QTest::newRow("live file missing") << "missing"
                                       << "whole" << true << "Set aside" << QStringList{"Quorvane.qv"} << true;
    QTest::newRow("live file empty") << "empty"
                                     << "whole" << true << "Set aside"
                                     << QStringList{"Quorvane.qv", "Quorvane.qv.damaged"} << true;
    QTest::newRow("live file not a database")
        << "text"
        << "whole" << true << "Set aside" << QStringList{"Quorvane.qv", "Quorvane.qv.damaged"} << true;
    QTest::newRow("live file whole: the restore had finished its copy")
        << "whole"
        << "whole" << true << "Live" << QStringList{"Quorvane.qv", "Quorvane.qv.BAK"} << false;
    QTest::newRow("set-aside file damaged too") << "missing"
                                                << "text" << false << "" << QStringList{"Quorvane.qv.BAK"} << false;
}

void TestKilledWork::setAsideDatabaseAtStart()
{
    QFETCH(QString, live);
    QFETCH(QString, setAside);
    QFETCH(bool, starts);
    QFETCH(QString, contact);
    QFETCH(QStringList, folder);
    QFETCH(bool, told);
    QTemporaryDir dir;
    const QString path = dir.filePath("Quorvane.qv");
    placeFile(path, live, "Live");
    placeFile(path + ".BAK", setAside, "Set aside");
    const QByteArray liveBytes = bytesOf(path), setAsideBytes = bytesOf(path + ".BAK");

    NextStart next(dir.path() + '/');
    QCOMPARE(next.started, starts);
    QCOMPARE(filesIn(dir.path()), folder);
    if (!starts) {
        QCOMPARE(bytesOf(path + ".BAK"), setAsideBytes);
        QVERIFY2(next.shown.texts().join('|').contains("unable to open database file"),
                 qPrintable(next.shown.texts().join('|')));
        return;
    }
    QCOMPARE(next.program.dataModule()->PeopleCompanyDet->text("Name"), contact);
    QString expected = PutBack;
    if (folder.contains("Quorvane.qv.damaged")) {
        expected += " The file that was in its place could not be opened; it has been kept as " + path + ".damaged.";
        QCOMPARE(bytesOf(path + ".damaged"), liveBytes);
    }
    QCOMPARE(next.shown.texts(), told ? QStringList{expected} : QStringList());
    if (told) QCOMPARE(next.shown.shown[0].kind, MessageKind::Warning);
}

void TestKilledWork::onlyOurUnheldLeftoversGo_data()
{
    QTest::addColumn<QString>("where"); // "program" folder or "temporary" folder
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("removed");
    QTest::newRow("a restore's copy") << "program"
                                      << "Quorvane.qv.tmp-a1B2c3"
                                      << "file" << true;
    QTest::newRow("five letters") << "program"
                                  << "Quorvane.qv.tmp-a1B2c"
                                  << "file" << false;
    QTest::newRow("seven letters") << "program"
                                   << "Quorvane.qv.tmp-a1B2c3d"
                                   << "file" << false;
    QTest::newRow("not a letter") << "program"
                                  << "Quorvane.qv.tmp-a1B2_3"
                                  << "file" << false;
    QTest::newRow("another file's copy") << "program"
                                         << "Other.qv.tmp-a1B2c3"
                                         << "file" << false;
    QTest::newRow("a link") << "program"
                            << "Quorvane.qv.tmp-a1B2c3"
                            << "link" << false;
    QTest::newRow("a folder") << "program"
                              << "Quorvane.qv.tmp-a1B2c3"
                              << "folder" << false;
    QTest::newRow("held by a running copy") << "program"
                                            << "Quorvane.qv.tmp-a1B2c3"
                                            << "held" << false;
    QTest::newRow("another user's") << "program"
                                    << "Quorvane.qv.tmp-a1B2c3"
                                    << "other user" << false;
    QTest::newRow("a note held by a running copy") << "program"
                                                   << "Quorvane.qv.pending-a1B2c3"
                                                   << "held" << false;
    QTest::newRow("an address book copy") << "temporary"
                                          << "quorvane-book-a1B2c3"
                                          << "book" << true;
    QTest::newRow("an address book copy broken off") << "temporary"
                                                     << "quorvane-book-a1B2c3"
                                                     << "book copying" << true;
    QTest::newRow("a folder of that name holding something else") << "temporary"
                                                                  << "quorvane-book-a1B2c3"
                                                                  << "book and more" << false;
    QTest::newRow("a file of that name") << "temporary"
                                         << "quorvane-book-a1B2c3"
                                         << "file" << false;
}

void TestKilledWork::onlyOurUnheldLeftoversGo()
{
    QFETCH(QString, where);
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(bool, removed);
    if (kind == "other user" && ::geteuid() != 0) QSKIP("only the superuser can give a file to another user");
    TestDatabase db({personInsert("Live contact")});
    OwnTemporaryFolder temporary;
    const QString folder = where == "program" ? db.folder().chopped(1) : temporary.path();
    const QString path = folder + '/' + name;
    QTemporaryDir elsewhere;
    const QString outside = elsewhere.filePath("outside");
    writeFile(outside, "not ours");
    std::unique_ptr<Held> held;
    if (kind == "file" || kind == "held" || kind == "other user") writeFile(path, QByteArray(4096, 'x'));
    if (kind == "held") held = std::make_unique<Held>(path);
    if (kind == "other user") QVERIFY(::chown(QFile::encodeName(path).constData(), 65534, 65534) == 0);
    if (kind == "link") QVERIFY(QFile::link(outside, path));
    if (kind == "folder") QVERIFY(QDir().mkpath(path + "/inside"));
    if (kind.startsWith("book")) {
        QVERIFY(QDir().mkpath(path));
        writeFile(path + "/book.sqlite", "a copy of the address book");
        writeFile(path + "/book.sqlite-wal", "its journal");
    }
    if (kind == "book copying") writeFile(path + "/qt_temp.Xy12ab", "half");
    if (kind == "book and more") writeFile(path + "/notes.txt", "someone's notes");
    const QStringList before = filesIn(folder);

    NextStart next(db.folder());
    QVERIFY(next.started);
    QStringList after = before;
    if (removed) after.removeOne(name);
    QCOMPARE(filesIn(folder), after);
    QCOMPARE(bytesOf(outside), QByteArray("not ours"));
    if (kind == "book and more") QCOMPARE(filesIn(path), (QStringList{"book.sqlite", "book.sqlite-wal", "notes.txt"}));
}

void TestKilledWork::liveFileMadePrivate()
{
    // An older version's restore left the database readable by every user of the machine.
    TestDatabase db({personInsert("Live contact")});
    QVERIFY(::chmod(QFile::encodeName(db.path()).constData(), 0644) == 0);
    NextStart next(db.folder());
    QVERIFY(next.started);
    QCOMPARE(modeOf(db.path()), 0600);
}

int main(int argc, char** argv)
{
    if (argc > 2 && qstrcmp(argv[1], "--child") == 0) return runChild(argc, argv);
    QApplication app(argc, argv);
    TestKilledWork test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_killed_work.moc"

// Backup and restore of the database file: the names a backup gets, the questions and messages, a copy that stays
// whole while another process writes or the disk fills up, and a restore that never leaves the database missing,
// refuses a file it cannot open, leaves another running copy's file alone and hands the restored data to the next
// start.
#include "app/BackupRestore.h"
#include "app/MainFrameUnit.h"
#include "app/Program.h"
#include "data/DataModule.h"
#include "data/DatabaseFiles.h"
#include "data/FileLock.h"
#include "data/DatabaseError.h"
#include "data/Installer.h"
#include "platform/ProgramEnd.h"
#include "tests/support/FileFixtures.h"
#include "tests/support/OtherProcess.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QtTest>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace qv;
using namespace qv::test;

namespace {

const QString Filter = "Quorvane Backup (*.qvb)|*.QVB";
const QString CannotCreate = "Unable to create backup file.";
const QString CannotReplace = "Unable to replace backup file.";
const QString Proceed = "This will overwrite the existing database. Proceed?";
const QString CannotInitialize = "Unable to initialize database restore process. Please move the backup file to be "
                                 "restored to another folder.";
const QString CannotOverwrite = "Unable to overwrite existing database.";
const QString CannotRestore = "Unable to restore database.";
const QString ClosingRestored = "Quorvane PRO 2005 will close now. Restored database will be loaded the next time "
                                "you run Quorvane PRO 2005.";
const QString ClosingUnchanged = "Quorvane PRO 2005 will close now to avoid any data loss.";

QString integrityOf(const QString& path)
{
    try {
        Connection c;
        c.setConnectionString(
            QStringLiteral("Data Source=%1;Jet OLEDB:Database Password=\"%2\";").arg(path, DatabasePassword));
        c.open();
        Statement st(c, "PRAGMA integrity_check");
        QStringList lines;
        while (st.step()) lines << st.columnText(0);
        return lines.join('\n');
    } catch (const DatabaseError& e) {
        return e.message();
    }
}

// Writes beyond a size fail with this process's file-size limit as they would on a full disk: the write that
// crosses it comes back short and the next one fails. A folder made read-only would not do, as the tests may run
// as root, for whom every folder is writable.
class FullDisk {
public:
    explicit FullDisk(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FullDisk()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_old{};
    void (*m_handler)(int) = nullptr;
};

} // namespace

class TestBackup : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { useUnitedStatesLocale(); }
    void init() { resetProgramEndRequest(); }

    void backupNames_data();
    void backupNames();
    void sameNameAgainAsksFirst();
    void failedCopyLeavesNothingHalfDone_data();
    void failedCopyLeavesNothingHalfDone();
    void copyStaysWholeWhileAnotherProcessWrites();

    void restoreStoppedBeforeAnyChange_data();
    void restoreStoppedBeforeAnyChange();
    void restoreLeavesAnotherRunningCopysFileAlone();
    void restoreWhoseCopyFailsPutsTheOldFileBack();
    void restoreEndsTheProgramAndTheNextStartOpensTheRestoredData();
    void copyStartingDuringARestoreWaitsAndHoldsTheRestoredFile();
    void restoreRefusesWhatIsNotARegularFile_data();
    void restoreRefusesWhatIsNotARegularFile();
    void setAsideFileKeptWhileItMayBeTheOnlyCopy_data();
    void setAsideFileKeptWhileItMayBeTheOnlyCopy();
    void everyCopyIsPrivate();
};

void TestBackup::backupNames_data()
{
    QTest::addColumn<QString>("chosen");   // relative to the backup folder; empty: the dialog is cancelled
    QTest::addColumn<QString>("existing"); // a backup already in the folder
    QTest::addColumn<QStringList>("after");
    QTest::newRow("name without extension") << "Monday"
                                            << "" << QStringList{"Monday.QVB"};
    QTest::newRow("an existing backup chosen") << "Monday.QVB"
                                               << "Monday.QVB" << QStringList{"Monday.QVB", "Monday.QVB.QVB"};
    QTest::newRow("lower-case extension typed") << "Monday.qvb"
                                                << "" << QStringList{"Monday.qvb.QVB"};
    QTest::newRow("cancelled") << ""
                               << "Monday.QVB" << QStringList{"Monday.QVB"};
}

void TestBackup::backupNames()
{
    QFETCH(QString, chosen);
    QFETCH(QString, existing);
    QFETCH(QStringList, after);
    TestDatabase db({personInsert("Ann Backup")});
    Connection& connection = *db.open().MainADOConnection;
    QTemporaryDir folder;
    if (!existing.isEmpty()) writeFile(folder.filePath(existing), "an older backup");
    ScriptedFileDialogs dialogs;
    ScriptedMessages shown;
    dialogs.answers.push_back(chosen.isEmpty() ? QString() : folder.filePath(chosen));

    backupDatabase(connection, db.path());

    QCOMPARE(dialogs.requests.size(), size_t(1));
    QCOMPARE(dialogs.requests[0].kind, FileDialogRequest::Kind::Save);
    QCOMPARE(dialogs.requests[0].filter, Filter);
    QCOMPARE(dialogs.requests[0].defaultName, QString("Quorvane"));
    QCOMPARE(shown.texts(), QStringList());
    QCOMPARE(filesIn(folder.path()), after);
    if (!existing.isEmpty()) QCOMPARE(bytesOf(folder.filePath(existing)), QByteArray("an older backup"));
    if (!chosen.isEmpty()) {
        // A byte copy of the file at rest, which the program's password opens.
        const QString made = folder.filePath(chosen + ".QVB");
        QCOMPARE(bytesOf(made), bytesOf(db.path()));
        QCOMPARE(storedNames(made), QStringList{"Ann Backup"});
    }
    QVERIFY(connection.isOpen());
}

void TestBackup::sameNameAgainAsksFirst()
{
    TestDatabase db({personInsert("First")});
    TMainDataModule& module = db.open();
    QTemporaryDir folder;
    const QString chosen = folder.filePath("Weekly");
    ScriptedFileDialogs dialogs;
    ScriptedMessages shown;
    dialogs.answers = {chosen, chosen, chosen};
    backupDatabase(*module.MainADOConnection, db.path());
    const QByteArray first = bytesOf(chosen + ".QVB");

    module.PeopleCompanyDet->edit();
    module.PeopleCompanyDet->setValue("Name", "Second");
    module.PeopleCompanyDet->post();
    shown.answers = {MessageAnswer::No};
    backupDatabase(*module.MainADOConnection, db.path());
    const QString question = "The file " + chosen + ".QVB already exists. Do you want to replace the existing file?";
    QCOMPARE(shown.texts(), QStringList{question});
    QCOMPARE(shown.shown[0].kind, MessageKind::Warning);
    QCOMPARE(shown.shown[0].buttons, MessageButtons::YesNo);
    QCOMPARE(bytesOf(chosen + ".QVB"), first);

    shown.answers = {MessageAnswer::Yes};
    backupDatabase(*module.MainADOConnection, db.path());
    QCOMPARE(shown.texts(), (QStringList{question, question}));
    QCOMPARE(storedNames(chosen + ".QVB"), QStringList{"Second"});
    QCOMPARE(filesIn(folder.path()), QStringList{"Weekly.QVB"});
}

void TestBackup::failedCopyLeavesNothingHalfDone_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<bool>("replacing"); // a backup of that name exists and the user agrees to replace it
    QTest::addColumn<QString>("message");
    QTest::newRow("disk full") << "full" << false << CannotCreate;
    QTest::newRow("disk full while replacing keeps the old backup") << "full" << true << CannotCreate;
    QTest::newRow("folder is a file") << "not a folder" << false << CannotCreate;
    QTest::newRow("folder not writable") << "read-only" << false << CannotCreate;
    QTest::newRow("old backup cannot be removed") << "directory" << true << CannotReplace;
}

void TestBackup::failedCopyLeavesNothingHalfDone()
{
    QFETCH(QString, failure);
    QFETCH(bool, replacing);
    QFETCH(QString, message);
    if (failure == "read-only" && ::geteuid() == 0) QSKIP("every folder is writable for root");
    TestDatabase db({personInsert("Someone")});
    Connection& connection = *db.open().MainADOConnection;
    QTemporaryDir folder;
    QString chosen = folder.filePath("Backup");
    if (failure == "not a folder") {
        writeFile(folder.filePath("plain"), "a file");
        chosen = folder.filePath("plain/Backup");
    }
    if (replacing && failure == "directory") {
        QVERIFY(QDir(folder.path()).mkpath("Backup.QVB/inside"));
    } else if (replacing) {
        writeFile(chosen + ".QVB", "the old backup");
    }
    if (failure == "read-only") QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner);
    const QStringList before = filesIn(folder.path());
    ScriptedFileDialogs dialogs;
    ScriptedMessages shown;
    dialogs.answers = {chosen};
    shown.answers = {MessageAnswer::Yes};
    {
        // Far below the database file's size: the copy breaks off in its first pages.
        std::optional<FullDisk> full;
        if (failure == "full") full.emplace(8192);
        backupDatabase(connection, db.path());
    }
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(shown.texts().last(), message);
    QCOMPARE(shown.shown.back().kind, MessageKind::Error);
    QCOMPARE(filesIn(folder.path()), before);
    if (replacing && failure == "full") QCOMPARE(bytesOf(chosen + ".QVB"), QByteArray("the old backup"));
    QVERIFY(connection.isOpen());
}

void TestBackup::copyStaysWholeWhileAnotherProcessWrites()
{
    // Enough pages that a copy takes several reads, while the writer changes rows all over the file.
    TestDatabase db(
        {"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
         "INSERT INTO People (CompanyID, Name, Info) SELECT 1, 'Person ' || i, hex(randomblob(60)) FROM n"});
    Connection& connection = *db.open().MainADOConnection;
    // The program's own patience with a writer's commit rather than the fixture's short one.
    connection.close();
    connection.setBusyTimeout(5000);
    connection.open();
    QTemporaryDir folder;
    OtherProcess writer("write", db.path());
    QVERIFY(writer.waitUntilReady());
    ScriptedFileDialogs dialogs;
    ScriptedMessages shown;
    // Copies one after another while the writer commits many times in between: a commit writes its pages within a
    // millisecond or so, and a copy without the lock is caught in the middle only now and then.
    int copies = 0;
    const int firstCommits = writer.commits();
    QElapsedTimer clock;
    clock.start();
    while (writer.commits() - firstCommits < 40 && clock.elapsed() < 60000) {
        dialogs.answers.push_back(folder.filePath(QString("During%1").arg(copies++)));
        backupDatabase(connection, db.path());
    }
    QVERIFY2(writer.commits() - firstCommits >= 40, "the writer hardly ran during the copies");
    writer.stop();
    QCOMPARE(shown.texts(), QStringList());
    for (int i = 0; i < copies; ++i) {
        const QString copy = folder.filePath(QString("During%1.QVB").arg(i));
        QCOMPARE(integrityOf(copy), QString("ok"));
    }
}

void TestBackup::restoreStoppedBeforeAnyChange_data()
{
    QTest::addColumn<QString>("backup");    // what the chosen file is
    QTest::addColumn<QString>("answer");    // to the question
    QTest::addColumn<QStringList>("texts"); // shown; "*(reason)" is the refusal of a file this program cannot open
    QTest::newRow("dialog cancelled") << "none"
                                      << "" << QStringList();
    QTest::newRow("question answered No") << "whole"
                                          << "No" << QStringList{Proceed};
    QTest::newRow("backup in the program's folder") << "beside"
                                                    << "Yes" << QStringList{Proceed, CannotInitialize};
    QTest::newRow("not a database") << "text"
                                    << "Yes" << QStringList{"*(the password does not open it)"};
    QTest::newRow("another password") << "password"
                                      << "Yes" << QStringList{"*(the password does not open it)"};
    QTest::newRow("a table missing") << "table"
                                     << "Yes" << QStringList{"*(the table SubProjectHistory is missing)"};
    QTest::newRow("cut short") << "truncated"
                               << "Yes" << QStringList{"*(database disk image is malformed)"};
}

void TestBackup::restoreStoppedBeforeAnyChange()
{
    QFETCH(QString, backup);
    QFETCH(QString, answer);
    QFETCH(QStringList, texts);
    TestDatabase db({personInsert("Live contact")});
    TMainDataModule& module = db.open();
    // A set-aside file left by an interrupted restore goes first, whatever happens next.
    writeFile(db.path() + ".BAK", "left over");
    QTemporaryDir folder;
    QString chosen = folder.filePath("Chosen.QVB");
    if (backup == "beside") {
        chosen = db.folder() + "Chosen.QVB";
        placeFile(chosen, "whole");
    } else if (backup == "table") {
        placeFile(chosen, "whole");
        executeOnFile(chosen, DatabasePassword, {"DROP TABLE SubProjectHistory"});
    } else if (backup != "none") {
        placeFile(chosen, backup);
    }
    const QByteArray live = bytesOf(db.path());
    const QByteArray chosenBytes = bytesOf(chosen);
    const QStringList folderBefore = filesIn(folder.path());
    ScriptedFileDialogs dialogs;
    ScriptedMessages shown;
    dialogs.answers = {backup == "none" ? QString() : chosen};
    if (answer == "Yes") shown.answers = {MessageAnswer::Yes};

    restoreDatabase(*module.MainADOConnection, db.path());

    QCOMPARE(dialogs.requests.size(), size_t(1));
    QCOMPARE(dialogs.requests[0].kind, FileDialogRequest::Kind::Open);
    QCOMPARE(dialogs.requests[0].filter, Filter);
    QCOMPARE(shown.shown.size(), size_t(texts.size()));
    for (int i = 0; i < texts.size(); ++i) {
        if (texts[i].startsWith('*')) {
            QCOMPARE(shown.shown[i].text, "The file " + chosen +
                                              " cannot be restored: it is not a Quorvane PRO 2005 database, or it "
                                              "is damaged " +
                                              texts[i].mid(1) + ". The existing database has not been changed.");
        } else {
            QCOMPARE(shown.shown[i].text, texts[i]);
        }
        QCOMPARE(shown.shown[i].kind, texts[i] == Proceed ? MessageKind::Warning : MessageKind::Error);
    }
    QVERIFY(!QFile::exists(db.path() + ".BAK"));
    QCOMPARE(bytesOf(db.path()), live);
    QCOMPARE(bytesOf(chosen), chosenBytes);
    QCOMPARE(filesIn(folder.path()), folderBefore);
    QVERIFY(module.MainADOConnection->isOpen());
    module.PeopleCompanyDet->refresh();
    QCOMPARE(module.PeopleCompanyDet->text("Name"), QString("Live contact"));
    QVERIFY(!programEndRequested());
}

void TestBackup::restoreLeavesAnotherRunningCopysFileAlone()
{
    TestDatabase db({personInsert("Live contact")});
    TMainDataModule& module = db.open();
    QTemporaryDir folder;
    const QString chosen = folder.filePath("Friday.QVB");
    placeFile(chosen, "whole", "Backed up");
    const QByteArray live = bytesOf(db.path());
    OtherProcess other("hold", db.path());
    QVERIFY(other.waitUntilReady());
    ScriptedFileDialogs dialogs;
    ScriptedMessages shown;
    dialogs.answers = {chosen};
    shown.answers = {MessageAnswer::Yes};

    restoreDatabase(*module.MainADOConnection, db.path());

    QCOMPARE(shown.texts(), (QStringList{Proceed, CannotOverwrite}));
    QCOMPARE(shown.shown[1].kind, MessageKind::Error);
    QCOMPARE(bytesOf(db.path()), live);
    QVERIFY(!QFile::exists(db.path() + ".BAK"));
    QCOMPARE(filesIn(folder.path()), QStringList{"Friday.QVB"});
    QVERIFY(module.MainADOConnection->isOpen());
    QVERIFY(!programEndRequested());
    // Once the other copy has ended, the same restore goes through.
    other.stop();
    dialogs.answers = {chosen};
    shown.answers = {MessageAnswer::Yes};
    restoreDatabase(*module.MainADOConnection, db.path());
    QCOMPARE(shown.texts().last(), ClosingRestored);
    QCOMPARE(storedNames(db.path()), QStringList{"Backed up"});
}

void TestBackup::restoreWhoseCopyFailsPutsTheOldFileBack()
{
    TestDatabase db({personInsert("Live contact")});
    TMainDataModule& module = db.open();
    QTemporaryDir folder;
    const QString chosen = folder.filePath("Friday.QVB");
    placeFile(chosen, "whole", "Backed up");
    const QByteArray live = bytesOf(db.path());
    const QByteArray backup = bytesOf(chosen);
    const QStringList programFolder = filesIn(db.folder());
    ScriptedFileDialogs dialogs;
    ScriptedMessages shown;
    dialogs.answers = {chosen};
    shown.answers = {MessageAnswer::Yes};
    {
        FullDisk full(8192);
        restoreDatabase(*module.MainADOConnection, db.path());
    }
    QCOMPARE(shown.texts(), (QStringList{Proceed, CannotRestore, ClosingUnchanged}));
    QCOMPARE(shown.shown[1].kind, MessageKind::Error);
    QCOMPARE(shown.shown[2].kind, MessageKind::Information);
    QCOMPARE(bytesOf(db.path()), live);
    QCOMPARE(bytesOf(chosen), backup);
    QCOMPARE(filesIn(db.folder()), programFolder); // no set-aside file, no half copy
    QCOMPARE(filesIn(folder.path()), QStringList{"Friday.QVB"});
    QVERIFY(module.MainADOConnection->isOpen());
    QVERIFY(programEndRequested());
}

void TestBackup::restoreEndsTheProgramAndTheNextStartOpensTheRestoredData()
{
    FixedScreen screen(96, 768);
    TestDatabase db({personInsert("Live contact")});
    QTemporaryDir folder;
    const QString chosen = folder.filePath("Friday.QVB");
    placeFile(chosen, "whole", "Backed up");
    const QByteArray backup = bytesOf(chosen);
    ScriptedFileDialogs dialogs;
    ScriptedMessages shown;
    {
        Program program(db.folder() + "quorvane");
        QVERIFY(program.start());
        dialogs.answers = {chosen};
        shown.answers = {MessageAnswer::Yes};
        program.mainWindow()->RestoreItem->trigger();
        QCOMPARE(shown.texts(), (QStringList{Proceed, ClosingRestored}));
        QCOMPARE(shown.shown[1].kind, MessageKind::Information);
        // The rows held are not re-read: the restored data waits for the next start.
        QCOMPARE(program.dataModule()->PeopleCompanyDet->text("Name"), QString("Live contact"));
        QVERIFY(programEndRequested());
        QCOMPARE(program.run(), 0); // ends at once, without input
    }
    QCOMPARE(bytesOf(chosen), backup);
    QCOMPARE(bytesOf(db.path()), backup);
    QVERIFY(!QFile::exists(db.path() + ".BAK"));
    QCOMPARE(filesIn(folder.path()), QStringList{"Friday.QVB"});

    resetProgramEndRequest();
    Program next(db.folder() + "quorvane");
    QVERIFY(next.start());
    QCOMPARE(next.dataModule()->PeopleCompanyDet->text("Name"), QString("Backed up"));
    QCOMPARE(next.dataModule()->PeopleCompanyDet->recordCount(), 1);
}

void TestBackup::copyStartingDuringARestoreWaitsAndHoldsTheRestoredFile()
{
    TestDatabase db({personInsert("Old")});
    QTemporaryDir folder;
    placeFile(folder.filePath("new"), "whole", "New");
    // What a restore does between its exclusive lock and letting go: the live file set aside, the backup copied in.
    auto restoring = std::make_unique<FileLock>();
    QVERIFY(restoring->acquire(db.path(), FileLock::Kind::Exclusive, 0));
    OtherProcess starting("hold", db.path());
    QVERIFY(!starting.ready()); // waits for the restore
    QVERIFY(dbfiles::renameFile(db.path(), db.path() + ".BAK"));
    QVERIFY(dbfiles::copyFile(folder.filePath("new"), db.path()));
    restoring.reset();
    QVERIFY(starting.waitUntilReady());
    // Its lock is on the restored file, not on the one set aside.
    FileLock another;
    QVERIFY(!another.acquire(db.path(), FileLock::Kind::Exclusive, 0));
    QVERIFY(another.acquire(db.path() + ".BAK", FileLock::Kind::Exclusive, 0));
}

void TestBackup::restoreRefusesWhatIsNotARegularFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("named pipe") << "pipe";
    QTest::newRow("folder") << "folder";
    QTest::newRow("device") << "device";
}

void TestBackup::restoreRefusesWhatIsNotARegularFile()
{
    QFETCH(QString, kind);
    TestDatabase db({personInsert("Live contact")});
    TMainDataModule& module = db.open();
    const QByteArray live = bytesOf(db.path());
    QTemporaryDir folder;
    QString chosen = folder.filePath("Friday.QVB");
    if (kind == "pipe") QVERIFY(::mkfifo(QFile::encodeName(chosen).constData(), 0600) == 0);
    if (kind == "folder") QVERIFY(QDir().mkpath(chosen));
    if (kind == "device") chosen = "/dev/zero";
    // Should the pipe be opened after all, a writer comes after a while and closes it, so that the test fails
    // instead of hanging.
    std::atomic<bool> done = false;
    std::thread rescuer([&] {
        for (int i = 0; i < 40 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (kind != "pipe") return;
        while (!done) {
            const int fd = ::open(QFile::encodeName(chosen).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    ScriptedFileDialogs dialogs;
    ScriptedMessages shown;
    dialogs.answers = {chosen};
    shown.answers = {MessageAnswer::Yes};
    QElapsedTimer clock;
    clock.start();
    restoreDatabase(*module.MainADOConnection, db.path());
    const qint64 took = clock.elapsed();
    done = true;
    rescuer.join();
    QCOMPARE(shown.texts(), QStringList{"The file " + chosen +
                                        " cannot be restored: it is not a Quorvane PRO 2005 database, or it is "
                                        "damaged (it is not a regular file). The existing database has not been "
                                        "changed."});
    QVERIFY2(took < 3000, "the restore waited on the file");
    QCOMPARE(bytesOf(db.path()), live);
    QVERIFY(module.MainADOConnection->isOpen());
    QVERIFY(!programEndRequested());
}

// The set-aside file of a restore killed halfway, found by a running copy: while the live file is missing or does
// not open, it may be the only copy of the data, and a Restore, even a cancelled one, keeps it.
void TestBackup::setAsideFileKeptWhileItMayBeTheOnlyCopy_data()
{
    QTest::addColumn<QString>("live");
    QTest::addColumn<bool>("kept");
    QTest::newRow("live file missing") << "missing" << true;
    QTest::newRow("live file not a database") << "text" << true;
    QTest::newRow("live file damaged") << "truncated" << true;
    QTest::newRow("live file whole") << "whole" << false;
}

void TestBackup::setAsideFileKeptWhileItMayBeTheOnlyCopy()
{
    QFETCH(QString, live);
    QFETCH(bool, kept);
    TestDatabase db;
    QStringList rows;
    for (int i = 0; i < 300; ++i) rows << personInsert(QString("Person %1").arg(i), {"Info", QString(300, 'i')});
    db.execute(rows);
    TMainDataModule& module = db.open();
    const QString setAside = db.path() + ".BAK";
    QVERIFY(dbfiles::copyFile(db.path(), setAside));
    const QByteArray whole = bytesOf(db.path());
    // Another copy's restore, killed: the live name is gone or holds something else (the connection keeps the
    // file it opened).
    if (live != "whole") {
        QVERIFY(QFile::remove(db.path()));
        placeFile(db.path(), live);
    }
    ScriptedFileDialogs dialogs;
    ScriptedMessages shown;
    dialogs.answers = {QString()};
    restoreDatabase(*module.MainADOConnection, db.path());
    QCOMPARE(QFile::exists(setAside), kept);
    if (kept) QCOMPARE(bytesOf(setAside), whole);
}

void TestBackup::everyCopyIsPrivate()
{
    // Whatever the user's file-creation mask allows, no other user may read a copy of the data.
    const mode_t mask = ::umask(0);
    TestDatabase db({personInsert("Live contact")});
    TMainDataModule& module = db.open();
    QTemporaryDir folder;
    QStringList temporaryModes;
    dbfiles::setStepWatcher([&](const QString& step) {
        if (!step.startsWith("write ")) return;
        for (const QFileInfo& f : QDir(QFileInfo(step.mid(6)).absolutePath()).entryInfoList({"*.tmp-*"}, QDir::Files))
            temporaryModes << QString::number(int(f.permissions()), 16);
    });
    ScriptedFileDialogs dialogs;
    ScriptedMessages shown;
    shown.answers = {MessageAnswer::Yes, MessageAnswer::Yes};
    dialogs.answers = {folder.filePath("Private")};
    backupDatabase(*module.MainADOConnection, db.path());
    dialogs.answers = {folder.filePath("Private.QVB")};
    restoreDatabase(*module.MainADOConnection, db.path());
    dbfiles::setStepWatcher({});
    ::umask(mask);
    QCOMPARE(shown.texts().last(), ClosingRestored);
    const auto owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
    QCOMPARE(QFile::permissions(folder.filePath("Private.QVB")), owner);
    QCOMPARE(QFile::permissions(db.path()), owner);
    const QString ownerOnly = QString::number(int(owner), 16);
    QCOMPARE(temporaryModes, (QStringList{ownerOnly, ownerOnly})); // the backup's copy, then the restore's
}

QTEST_MAIN(TestBackup)
#include "test_backup.moc"

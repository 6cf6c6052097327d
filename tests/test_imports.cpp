// The CSV imports of contacts and accounts, run as the menu runs them: the file chosen through the open dialog,
// the messages through the message boxes, the rows posted through the contacts dataset with its record rules.
// Also the batch posting underneath, the progress dialog's Cancel, the example files and the "Import" menu.
#include "app/MainFrameUnit.h"
#include "app/Program.h"
#include "data/BulkPost.h"
#include "data/DatabaseError.h"
#include "data/Schema.h"
#include "import/ContactImport.h"
#include "import/CsvFormat.h"
#include "import/CsvImport.h"
#include "import/FieldCaptions.h"
#include "import/TextFile.h"
#include "import/Utf8TextFile.h"
#include "platform/GuardedApplication.h"
#include "platform/WorkProgress.h"
#include "records/DataEntry.h"
#include "tests/support/FileFixtures.h"
#include "tests/support/TestSupport.h"

#include <QAccessible>
#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QTimer>
#include <QtTest>

using namespace qv;
using namespace qv::test;

namespace {

const QByteArray ContactsHeader(ContactsCsvHeader);
const QByteArray AccountsHeader(AccountsCsvHeader);

// A file in its own temporary folder, chosen by the scripted open dialog.
class CsvFile {
public:
    explicit CsvFile(const QByteArray& bytes, const QString& name = "import.csv")
    {
        m_path = m_dir.path() + '/' + name;
        QFile f(m_path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(m_path));
    }
    QString path() const { return m_path; }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

// "I:" information, "E:" error, then the text.
QStringList shownMessages(const ScriptedMessages& messages)
{
    QStringList out;
    for (const auto& m : messages.shown)
        out << (m.kind == MessageKind::Information ? "I:" : m.kind == MessageKind::Error ? "E:" : "W:") + m.text;
    return out;
}

QVariant lastValue(const TestDatabase& db, const QString& table, const QString& column)
{
    return db.scalar(QStringLiteral("SELECT [%1] FROM %2 ORDER BY rowid DESC LIMIT 1").arg(column, table));
}

QString repeated(QChar c, int n) { return QString(n, c); }

// Points the desktop's folders somewhere else for one test, and back.
class DesktopFolders {
public:
    explicit DesktopFolders(const QString& home)
    {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_DIRS"})
            m_saved.push_back({name, qgetenv(name)});
        qputenv("HOME", home.toUtf8());
        qputenv("XDG_CONFIG_HOME", (home + "/.config").toUtf8());
        qputenv("XDG_DATA_HOME", (home + "/.local/share").toUtf8());
        qputenv("XDG_CONFIG_DIRS", (home + "/etc/xdg").toUtf8());
        qputenv("XDG_DATA_DIRS", (home + "/usr/share").toUtf8());
    }
    ~DesktopFolders()
    {
        for (const auto& [name, value] : m_saved) {
            if (value.isNull())
                qunsetenv(name);
            else
                qputenv(name, value);
        }
    }

private:
    std::vector<std::pair<const char*, QByteArray>> m_saved;
};

} // namespace

class TestImports : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { useUnitedStatesLocale(); }
    void importedDatesStoredInOneForm_data();
    void importedDatesStoredInOneForm();
    void contactsCsv_data();
    void contactsCsv();
    void sameFileTwiceAddsNothingTheSecondTime();
    void openDialogFilterAndCancel();
    void professionSuggestionsRefreshedOnceAtTheEnd();
    void professionsNotAskedForAfterAnImportWithoutThem();
    void contactsGoToTheFirstCompany();
    void valuesCutAtWholeCharacters_data();
    void valuesCutAtWholeCharacters();
    void utf8FilesKeptAsTheDecoderReadsThem_data();
    void utf8FilesKeptAsTheDecoderReadsThem();
    void filesReadInPiecesAsInOne_data();
    void filesReadInPiecesAsInOne();
    void everyFieldHasOneCaption();
    void accountsCsv_data();
    void accountsCsv();
    void batchesAreCommittedAndTheRuleDeferred();
    void engineGivingUpABatchLeavesWhatTheFileHolds();
    void cancelKeepsWhatWasAdded_data();
    void cancelKeepsWhatWasAdded();
    void exampleFilesFillAnEmptyDatabase();
    void csvDialogsStartBesideTheExamplesWhileTheDatabaseIsEmpty_data();
    void csvDialogsStartBesideTheExamplesWhileTheDatabaseIsEmpty();
    void importMenuItemsRunTheImports();
};

// ---------------------------------------------------------------- contacts

void TestImports::importedDatesStoredInOneForm_data()
{
    QTest::addColumn<QString>("imported");
    QTest::addColumn<QString>("stored");
    QTest::newRow("dashed") << "1970-01-02"
                            << "1970-01-02 00:00:00";
    QTest::newRow("basic") << "19700102"
                           << "1970-01-02 00:00:00";
    QTest::newRow("blanks around") << " 1970-01-02 "
                                   << "1970-01-02 00:00:00";
    QTest::newRow("leap day") << "2000-02-29"
                              << "2000-02-29 00:00:00";
    QTest::newRow("no such day") << "2001-02-29"
                                 << "";
    QTest::newRow("no such month") << "19701302"
                                   << "";
    QTest::newRow("year 0") << "0000-01-01"
                            << "";
    QTest::newRow("time of day") << "1970-01-02T10:30:00"
                                 << "1970-01-02 10:30:00";
    QTest::newRow("time with zone") << "19700102T103000Z"
                                    << "1970-01-02 10:30:00";
    QTest::newRow("month and day") << "--0520"
                                   << "1904-05-20 00:00:00";
    QTest::newRow("letters") << "1970-0a-02"
                             << "";
    QTest::newRow("short date") << "1/2/1970"
                                << "1970-01-02 00:00:00";
    QTest::newRow("empty") << ""
                           << "";
}

void TestImports::importedDatesStoredInOneForm()
{
    QFETCH(QString, imported);
    QFETCH(QString, stored);
    QCOMPARE(importedDateText(imported), stored);
}

void TestImports::contactsCsv_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("before"); // statements run on the file first
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("names");  // every contact afterwards, in the order stored
    QTest::addColumn<QStringList>("fields"); // "Column=value" of the last contact stored; "Column=" is empty

    const QByteArray h = ContactsHeader + "\r\n";
    const QStringList none;
    const QStringList someone{personInsert("Someone", {"Email1", "someone@example.com"})};

    QTest::newRow("header in another letter case") << h.toLower() + "Mr.,Ann Lee\r\n"
                                                   << none << QStringList{"E:Incompatible CSV file."} << none << none;
    QByteArray innerBlank = h;
    innerBlank.replace("Title,Name", "Title, Name");
    QTest::newRow("header with an inner blank") << innerBlank + "Mr.,Ann Lee\r\n"
                                                << none << QStringList{"E:Incompatible CSV file."} << none << none;
    QTest::newRow("blanks around the header")
        << "   " + ContactsHeader + "  \r\nMr.,Ann Lee\r\n"
        << none << QStringList{"I:1 record(s) added."} << QStringList{"Ann Lee"} << none;
    // Only blanks are trimmed: a tab or another control character makes it another header.
    QTest::newRow("a tab before the header") << "\t" + h + "Mr.,Ann Lee\r\n"
                                             << none << QStringList{"E:Incompatible CSV file."} << none << none;
    QTest::newRow("a form feed after the header") << ContactsHeader + "\f\r\nMr.,Ann Lee\r\n"
                                                  << none << QStringList{"E:Incompatible CSV file."} << none << none;
    QTest::newRow("byte-order mark before the header")
        << "\xEF\xBB\xBF" + h + "Mr.,Ann Lee" << none << QStringList{"I:1 record(s) added."} << QStringList{"Ann Lee"}
        << none;
    QTest::newRow("accounts file")
        << AccountsHeader + "\r\nAcme,Small\r\n"
        << none
        << QStringList{"I:This is an \"Accounts\" NOT a \"Contacts\" CSV file. Please use Import -> Accounts from a "
                       "CSV file... menu instead."}
        << none << none;
    QTest::newRow("header only") << h << none << none << none << none;
    QTest::newRow("title and name only") << h + "Mr.,Ann Lee\r\n"
                                         << none << QStringList{"I:1 record(s) added."} << QStringList{"Ann Lee"}
                                         << QStringList{"Title=Mr.", "Name=Ann Lee", "Profession=",
                                                        "Email1=",   "Hobbies=",     "TelCallback="};
    QTest::newRow("quoted name with a comma")
        << h + "Ms.,\"Lee, Ann\",Buyer,Chief buyer\r\n"
        << none << QStringList{"I:1 record(s) added."} << QStringList{"\"Lee"}
        << QStringList{"Profession= Ann\"", "JobTitle=Buyer", "HAStreet=Chief buyer"};
    QTest::newRow("every column to its field; further fields ignored")
        << h + "Dr.,Ann Lee,Chemist,Head of lab,1 Elm St,Salem,OR,97301,USA,PO Box 9,ann@home.example,"
               "ann2@home.example,ann@work.example,555-0101,555-0102,555-0103,555-0104,555-0105,884411,Bo Jin,"
               "Cy Ray,Chess,extra,more\r\n"
        << none << QStringList{"I:1 record(s) added."} << QStringList{"Ann Lee"}
        << QStringList{"Title=Dr.",
                       "Name=Ann Lee",
                       "Profession=Chemist",
                       "JobTitle=Head of lab",
                       "HAStreet=1 Elm St",
                       "HACity=Salem",
                       "HAState=OR",
                       "HAPostalCode=97301",
                       "HACountry=USA",
                       "HAPostOfficeBox=PO Box 9",
                       "Email1=ann@home.example",
                       "Email2=ann2@home.example",
                       "TelCallback=ann@work.example",
                       "Mobile=555-0101",
                       "PrimaryTel=555-0102",
                       "TelH1=555-0103",
                       "TelH2=555-0104",
                       "FaxH=555-0105",
                       "Telex=884411",
                       "AssistantName=Bo Jin",
                       "ManagerName=Cy Ray",
                       "Hobbies=Chess",
                       "Info=",
                       "Company="};
    QTest::newRow("identical lines, no contacts before")
        << h + "Mr.,Ann Lee,,,,,,,,,ann@example.com\r\nMr.,Ann Lee,,,,,,,,,ann@example.com\r\n"
        << none << QStringList{"I:2 record(s) added."} << QStringList{"Ann Lee", "Ann Lee"} << none;
    QTest::newRow("identical lines, contacts before")
        << h + "Mr.,Ann Lee,,,,,,,,,ann@example.com\r\nMr.,Ann Lee,,,,,,,,,ann@example.com\r\n"
        << someone << QStringList{"I:1 record(s) added.\n\nLeft out: 1 already stored."}
        << QStringList{"Someone", "Ann Lee"} << none;
    QTest::newRow("duplicates found without regard to letter case")
        << h + "Mr.,SOMEONE,,,,,,,,,SomeOne@Example.COM\r\nMr.,Nobody\r\nMr.,NOBODY\r\nMr.,Émile Zola\r\n"
               "Mr.,ÉMILE ZOLA\r\n"
        << QStringList{personInsert("Someone", {"Email1", "someone@example.com"}), personInsert("nobody"),
                       personInsert("émile zola", {"Email1", ""})}
        << QStringList{"I:0 record(s) added.\n\nLeft out: 5 already stored."}
        << QStringList{"Someone", "nobody", "émile zola"} << none;
    QTest::newRow("duplicates in other scripts, beyond the basic plane, and in bytes that are not UTF-8")
        << h + "Ms.,ΣΟΦΊΑ ΔΉΜΟΥ\r\nMr.,\xF0\x90\x90\x80"
               "BC\r\nMr.,JO\xEF\xBF\xBD\r\nMs.,Zoë\r\n"
        << QStringList{personInsert("σοφία δήμου"),
                       personInsert("\xF0\x90\x90\xA8"
                                    "bc"),
                       "INSERT INTO People (CompanyID, Name) VALUES (1, CAST(X'4A6FE9' AS TEXT))"}
        << QStringList{"I:1 record(s) added.\n\nLeft out: 3 already stored."}
        << QStringList{"σοφία δήμου",
                       "\xF0\x90\x90\xA8"
                       "bc",
                       "Jo\xEF\xBF\xBD", "Zoë"}
        << none;
    QTest::newRow("empty and blank names left out")
        << h + "Mr.,\r\nMr., \r\n\r\nMr.,   \r\nMr.,\t\r\nMs.,Ann Lee\r\n"
        << none << QStringList{"I:1 record(s) added.\n\nLeft out: 4 without a name."} << QStringList{"Ann Lee"} << none;
    QTest::newRow("Windows-1252 file") << h + "Mr.,Ren\xE9 M\xFCller,Caf\xE9 owner \x80\r\n"
                                       << none << QStringList{"I:1 record(s) added."}
                                       << QStringList{QString::fromUtf8("René Müller")}
                                       << QStringList{QString::fromUtf8("Profession=Café owner €")};
    QTest::newRow("every kind of line end")
        << ContactsHeader + "\rMr.,Ann\nMr.,Bea\r\nMr.,Cy" << none << QStringList{"I:3 record(s) added."}
        << QStringList{"Ann", "Bea", "Cy"} << none;
    // A value wider than its field is cut to fit, at the end of a whole character, and the import goes on; the
    // message says which.
    QTest::newRow("values too long for their fields")
        << h + "Mr.,Ann\r\nProf. Dr. med.,Bea,,,,,,,Vereinigte Staaten von Amerika (USA)\r\nMr.," +
               repeated('x', 256).toUtf8() + "\r\nMr.,Cy,,,,,,,,,,,," + repeated(u'\u4E2D', 31).toUtf8() + "\r\n"
        << none
        << QStringList{"I:4 record(s) added.\n\n4 values were too long for their fields and were cut to fit: "
                       "Bea (Title, Home Country); " +
                       repeated('x', 255) + " (Name); Cy (Mobile)."}
        << QStringList{"Ann", "Bea", repeated('x', 255), "Cy"} << QStringList{"Mobile=" + repeated(u'\u4E2D', 30)};
    QTest::newRow("a name cut to fit is found again")
        << h + "Mr.," + repeated('y', 300).toUtf8() + "\r\n"
        << QStringList{personInsert(repeated('Y', 255))}
        << QStringList{"I:0 record(s) added.\n\nLeft out: 1 already stored."} << QStringList{repeated('Y', 255)}
        << none;
    // A file that is UTF-8 but for a few bytes stays UTF-8: those bytes are replaced, and their lines named.
    QTest::newRow("UTF-8 with a few bytes that are not")
        << h + "Ms.,Zoë Ray,Café owner\r\nMr.,Ren\xE9 Roy\r\nMs.,Chloé Dubois,Señora\xFF\xFE\r\nMr.,Łukasz\r\n"
        << none
        << QStringList{"I:4 record(s) added.\n\nBytes that are not valid UTF-8 were replaced by \"\uFFFD\" on lines 3 "
                       "and 4 of the file."}
        << QStringList{"Zoë Ray", "Ren\uFFFD Roy", "Chloé Dubois", "Łukasz"} << none;
    QTest::newRow("UTF-16 with its byte-order mark")
        << QByteArray("\xFF\xFE") +
               QByteArray(reinterpret_cast<const char*>((QString::fromUtf8(h) + "Mr.,Zoë Ray\r\n").utf16()),
                          (h.size() + 13) * 2)
        << none << QStringList{"I:1 record(s) added."} << QStringList{"Zoë Ray"} << none;
    QTest::newRow("UTF-16 without a byte-order mark")
        << QByteArray(reinterpret_cast<const char*>((QString::fromUtf8(h) + "Mr.,Zoë Ray\r\n").utf16()),
                      (h.size() + 13) * 2)
        << none << QStringList{"I:1 record(s) added."} << QStringList{"Zoë Ray"} << none;
    // The check for UTF-8 passes over ASCII a word at a time and hands each run of other bytes to the decoder:
    // a byte of another code page right after a valid character is found in its run, and a lone one after 16 KB of
    // ASCII still makes the file a Windows-1252 file.
    QTest::newRow("a byte of another code page right after a character of two bytes")
        << h + "Ms.,Zo\xC3\xAB\xE9\r\nMr.,Ann\r\n"
        << none
        << QStringList{"I:2 record(s) added.\n\nBytes that are not valid UTF-8 were replaced by \"\uFFFD\" on line 2 "
                       "of the file."}
        << QStringList{"Zoë\uFFFD", "Ann"} << none;
    QByteArray longer = h;
    QStringList longerNames;
    while (longer.size() < 16384 - 40) {
        longer += "Mr.,Filler\r\n";
        longerNames << "Filler";
    }
    // "Mr.," + the x's + CR LF + "Mr.,Ren" puts the é on the piece's last byte, 16383.
    const qsizetype xs = 16383 - longer.size() - 13;
    longer += "Mr.," + QByteArray(xs, 'x') + "\r\nMr.,Ren\xE9x\r\n";
    longerNames << QString(xs, u'x');
    QTest::newRow("Windows-1252 byte after 16 KB of ASCII")
        << longer << none << QStringList{QStringLiteral("I:%1 record(s) added.").arg(longerNames.size() + 1)}
        << longerNames + QStringList{"Renéx"} << none;
    QTest::newRow("the file refuses a row")
        << h + "Mr.,Ann\r\nMr.,Bad\r\nMr.,Cy\r\n"
        << QStringList{"CREATE TRIGGER NoBad BEFORE INSERT ON People WHEN NEW.Name = 'Bad' "
                       "BEGIN SELECT RAISE(ABORT, 'this file takes no Bad'); END"}
        << QStringList{"E:this file takes no Bad"} << QStringList{"Ann"} << none;
}

void TestImports::contactsCsv()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, before);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, names);
    QFETCH(QStringList, fields);
    ScriptedMessages shown;
    ScriptedFileDialogs dialogs;
    TestDatabase db(before);
    TMainDataModule& dm = db.open();
    CsvFile csv(file);
    dialogs.answers.push_back(csv.path());

    runGuarded([&] { SpeedButton14Click(dm); });

    const QStringList seen = shownMessages(shown);
    QCOMPARE(seen.size(), messages.size());
    QCOMPARE(seen, messages);
    QCOMPARE(storedNames(db.path()), names);
    for (const QString& f : fields) {
        const QString column = f.section('=', 0, 0), value = f.section('=', 1);
        QCOMPARE(lastValue(db, "People", column).toString(), value);
    }
    // The dataset shows what the file holds, and no half-made contact is left pending.
    QCOMPARE(dm.PeopleCompanyDet->state(), DatasetState::Browse);
    QCOMPARE(dm.PeopleCompanyDet->recordCount(), names.size());
}

void TestImports::sameFileTwiceAddsNothingTheSecondTime()
{
    ScriptedMessages shown;
    ScriptedFileDialogs dialogs;
    TestDatabase db({personInsert("Someone")});
    TMainDataModule& dm = db.open();
    CsvFile csv(ContactsHeader +
                "\r\nMr.,Ann Lee,,,,,,,,,ann@example.com\r\nMs.,Bea Ray\r\nDr.,Cy Fox,,,,,,,,,cy@x.org\r\n");
    dialogs.answers = {csv.path(), csv.path()};
    SpeedButton14Click(dm);
    SpeedButton14Click(dm);
    QCOMPARE(shown.texts(), (QStringList{"3 record(s) added.", "0 record(s) added.\n\nLeft out: 3 already stored."}));
    QCOMPARE(storedNames(db.path()), (QStringList{"Someone", "Ann Lee", "Bea Ray", "Cy Fox"}));
    // It stands on the last contact added.
    QCOMPARE(dm.PeopleCompanyDet->text("Name"), QString("Cy Fox"));
}

void TestImports::openDialogFilterAndCancel()
{
    ScriptedMessages shown;
    ScriptedFileDialogs dialogs;
    TestDatabase db;
    TMainDataModule& dm = db.open();
    SpeedButton14Click(dm); // cancelled: the queue is empty
    importAccountsFromCsv(dm);
    QCOMPARE(dialogs.requests.size(), size_t(2));
    for (const auto& r : dialogs.requests) {
        QCOMPARE(r.kind, FileDialogRequest::Kind::Open);
        QCOMPARE(r.filter, QString("CSV (Comma delimited) (*.csv)|*.CSV"));
    }
    QVERIFY(shown.shown.empty());
    QCOMPARE(db.scalar("SELECT count(*) FROM People").toInt(), 0);

    // A file that cannot be read says why, and imports nothing.
    dialogs.answers.push_back(db.folder() + "missing.csv");
    runGuarded([&] { SpeedButton14Click(dm); });
    QCOMPARE(shown.shown.size(), size_t(1));
    QCOMPARE(shown.shown[0].kind, MessageKind::Error);
    QVERIFY2(shown.shown[0].text.contains("missing.csv"), qPrintable(shown.shown[0].text));
}

void TestImports::professionSuggestionsRefreshedOnceAtTheEnd()
{
    ScriptedMessages shown;
    ScriptedFileDialogs dialogs;
    TestDatabase db({personInsert("Someone", {"Profession", "Dentist"})});
    TMainDataModule& dm = db.open();
    CsvFile csv(ContactsHeader + "\r\nMr.,Ann,Chemist\r\nMr.,Bea,Architect\r\nMr.,Cy,Chemist\r\nMr.,Di,Zoologist\r\n");
    dialogs.answers.push_back(csv.path());
    QSignalSpy refreshed(&dm, &TMainDataModule::professionSuggestionsChanged);
    SpeedButton14Click(dm);
    QCOMPARE(refreshed.count(), 1);
    QCOMPARE(dm.professionSuggestions(), (QStringList{"Architect", "Chemist", "Dentist", "Zoologist"}));
    // The rule is the data module's again: a save after the import refreshes as before.
    dm.PeopleCompanyDet->edit();
    dm.PeopleCompanyDet->setValue("Profession", "Baker");
    dm.PeopleCompanyDet->post();
    QCOMPARE(refreshed.count(), 2);
    QVERIFY(dm.professionSuggestions().contains("Baker"));
}

// An import that sets no profession cannot change the suggestions: the query over every contact is not run again,
// and the next save still knows when it must be.
void TestImports::professionsNotAskedForAfterAnImportWithoutThem()
{
    ScriptedMessages shown;
    ScriptedFileDialogs dialogs;
    TestDatabase db({personInsert("Someone", {"Profession", "Dentist"})});
    TMainDataModule& dm = db.open();
    CsvFile csv(ContactsHeader + "\r\nMr.,Ann\r\nMr.,Bea,,Buyer\r\n");
    dialogs.answers.push_back(csv.path());
    QSignalSpy runs(dm.ProfessionQuery, &Dataset::opened);
    SpeedButton14Click(dm);
    QCOMPARE(shown.texts(), QStringList{"2 record(s) added."});
    QCOMPARE(runs.count(), 0);
    QCOMPARE(dm.professionSuggestions(), QStringList{"Dentist"});
    Dataset& people = *dm.PeopleCompanyDet;
    people.edit();
    people.setValue("Mobile", "1");
    people.post();
    QCOMPARE(runs.count(), 0);
    people.edit();
    people.setValue("Profession", "Baker");
    people.post();
    QCOMPARE(runs.count(), 1);
    QCOMPARE(dm.professionSuggestions(), (QStringList{"Baker", "Dentist"}));
}

void TestImports::contactsGoToTheFirstCompany()
{
    ScriptedMessages shown;
    ScriptedFileDialogs dialogs;
    // The current company is the second one, which has no contacts: no duplicate test, and the contacts still go
    // to the first company.
    TestDatabase db({personInsert("Ann"), "INSERT INTO Companies (Name) VALUES ('Second')"});
    TMainDataModule& dm = db.open();
    dm.CompaniesTable->last();
    QCOMPARE(dm.PeopleCompanyDet->recordCount(), 0);
    CsvFile csv(ContactsHeader + "\r\nMr.,Ann\r\nMr.,Bea\r\n");
    dialogs.answers.push_back(csv.path());
    SpeedButton14Click(dm);
    QCOMPARE(shown.texts(), QStringList{"2 record(s) added."});
    QCOMPARE(dm.CompaniesTable->recNo(), 0);
    QCOMPARE(db.scalar("SELECT count(*) FROM People WHERE CompanyID = (SELECT min(CompanyID) FROM Companies)").toInt(),
             3);
    QCOMPARE(dm.PeopleCompanyDet->text("Name"), QString("Bea"));
}

void TestImports::valuesCutAtWholeCharacters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("cut"); // the same text when it fits

    QTest::newRow("fits") << "Prof." << 10 << "Prof.";
    QTest::newRow("as wide as its field") << "Prof. Dr. " << 10 << "Prof. Dr. ";
    QTest::newRow("one too many") << "Prof. Dr. med." << 10 << "Prof. Dr. ";
    QTest::newRow("a character beyond the basic plane counts once") << "ab\U0001F600\U0001F600" << 3 << "ab\U0001F600";
    QTest::newRow("never half of such a character") << "ab\U0001F600\U0001F600" << 2 << "ab";
    QTest::newRow("a letter keeps its accent") << "Rene\u0301e" << 4 << "Ren";
    QTest::newRow("accented letters written whole") << "Renée Müller" << 7 << "Renée M";
    QTest::newRow("a script of three-byte characters") << "\u4E2D\u6587\u540D\u5B57" << 3 << "\u4E2D\u6587\u540D";
    QTest::newRow("a flag is one character of two") << "EU \U0001F1EA\U0001F1FA" << 4 << "EU ";
}

void TestImports::valuesCutAtWholeCharacters()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(QString, cut);
    QString value = text;
    QCOMPARE(cutToWidth(value, width), cut != text);
    QCOMPARE(value, cut);
}

// A file is kept as its own bytes exactly when the toolkit's decoder reads it without an error. Each sequence stands
// inside ASCII (within and across the eight-byte words the check skips) and at the very end of the file.
void TestImports::utf8FilesKeptAsTheDecoderReadsThem_data()
{
    QTest::addColumn<QByteArray>("sequence");
    const std::pair<const char*, const char*> sequences[] = {
        {"two bytes", "\xC3\xA9"},
        {"three bytes", "\xE2\x82\xAC"},
        {"four bytes", "\xF0\x9F\x98\x80"},
        {"the last code point", "\xF4\x8F\xBF\xBF"},
        {"the last before the surrogates", "\xED\x9F\xBF"},
        {"a noncharacter", "\xEF\xBF\xBE"},
        {"two characters in a row", "\xC3\xA9\xE2\x82\xAC"},
        {"a lone continuation byte", "\x80"},
        {"a lone lead byte", "\xC3"},
        {"a lead byte cut short", "\xE2\x82"},
        {"an overlong two-byte form", "\xC1\xBF"},
        {"an overlong three-byte form", "\xE0\x9F\xBF"},
        {"an overlong four-byte form", "\xF0\x8F\xBF\xBF"},
        {"a surrogate", "\xED\xA0\x80"},
        {"beyond the last code point", "\xF4\x90\x80\x80"},
        {"a lead byte no form has", "\xF8\x88\x80\x80\x80"},
        {"a valid character then a Windows-1252 byte", "\xC3\xAB\xE9"},
    };
    for (const auto& [name, bytes] : sequences) QTest::newRow(name) << QByteArray(bytes);
}

void TestImports::utf8FilesKeptAsTheDecoderReadsThem()
{
    QFETCH(QByteArray, sequence);
    for (const QByteArray& before : {QByteArray("Name\nAnn "), QByteArray("Name\nAnn Lee, a longer name ")}) {
        for (const QByteArray& after : {QByteArray(" and more text\n"), QByteArray()}) {
            const QByteArray bytes = before + sequence + after;
            QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            const QString decoded = decoder.decode(bytes);
            const CsvFile file(bytes);
            const std::unique_ptr<Utf8TextFile> read = Utf8TextFile::open(file.path());
            QVERIFY(read);
            QByteArray text;
            while (read->readPiece(text)) {}
            if (!decoder.hasError()) {
                QCOMPARE(text, bytes);
                QVERIFY(read->replacedLines().isEmpty());
            } else {
                QVERIFY(text != bytes); // decoded, as Windows-1252 or with its bad bytes replaced
            }
        }
    }
}

// Files are read a piece at a time. Whatever the size of the pieces, the lines and the records are those of the
// whole text, with their line numbers, and so are the counts and checks made as the file is opened.
void TestImports::filesReadInPiecesAsInOne_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("quoted breaks, doubled quotes, empty lines, every line end")
        << QByteArray("Name,Note\r\nAnn,\"two\r\nlines\"\r\n\r\nBea,\"say \"\"hi\"\"\"\rCy,x\n\nDee,\"a,b\"after\r\n");
    QTest::newRow("no line break at the end") << QByteArray("a,b\nc,\"d\"");
    QTest::newRow("carriage returns only") << QByteArray("a\rb\r\rc,\"\r\"\r");
    QTest::newRow("characters of two, three and four bytes")
        << QByteArray("\xC3\x84,\xE2\x82\xAC,\xF0\x9F\x98\x80\r\n\xC3\x89\"x\",\"\xC3\xBC\"\"\"\n");
    QTest::newRow("a byte-order mark") << QByteArray("\xEF\xBB\xBFName\r\nZo\xC3\xAB\r\n");
    QTest::newRow("a quote left open") << QByteArray("a,b\nc,\"open\nd,e\n");
    QTest::newRow("a zero byte") << QByteArray("a,b\r\nc\0d\n");
    QTest::newRow("only line breaks") << QByteArray("\r\n\r\n\n");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("Windows-1252, held decoded") << QByteArray("Ren\xE9,M\xFCller\r\n\"A\r\nB\",C");
}

void TestImports::filesReadInPiecesAsInOne()
{
    QFETCH(QByteArray, bytes);
    auto copies = [](const QList<QByteArrayView>& views) {
        QList<QByteArray> out;
        for (QByteArrayView v : views) out << v.toByteArray();
        return out;
    };
    const CsvFile file(bytes);
    QByteArray whole;
    for (const std::unique_ptr<Utf8TextFile> one = Utf8TextFile::open(file.path()); one->readPiece(whole);) {}
    QList<QByteArray> lines;
    const QString wholeText = QString::fromUtf8(whole);
    for (QStringView line : lineViews(wholeText)) lines << line.toUtf8();
    QList<QByteArray> records;
    QList<int> recordLines;
    CsvReader reader(whole, ',');
    for (QList<QByteArrayView> fields; reader.next(fields);) {
        records << copies(fields).join('|');
        recordLines << reader.line();
    }
    const qsizetype zero = whole.indexOf('\0');
    const QByteArray beforeZero = whole.first(std::max<qsizetype>(zero, 0));
    const int zeroLine =
        zero < 0 ? 0 : int(beforeZero.count('\n') + beforeZero.count('\r') - beforeZero.count("\r\n")) + 1;

    for (const qsizetype pieceSize : {1, 2, 3, 4, 5, 7, 11}) {
        const std::unique_ptr<Utf8TextFile> pieces = Utf8TextFile::open(file.path(), pieceSize);
        QVERIFY(pieces);
        QCOMPARE(pieces->lineCount(), lines.size());
        QCOMPARE(pieces->zeroByteLine(), zeroLine);
        QList<QByteArray> linesRead;
        Utf8Lines byLine(*pieces);
        for (QByteArrayView line; byLine.next(line);) linesRead << line.toByteArray();
        QCOMPARE(linesRead, lines);
        QList<QByteArray> recordsRead;
        QList<int> recordLinesRead;
        Utf8CsvFile csv(*pieces, ',');
        for (QList<QByteArrayView> fields; csv.next(fields);) {
            recordsRead << copies(fields).join('|');
            recordLinesRead << csv.line();
        }
        QCOMPARE(recordsRead, records);
        QCOMPARE(recordLinesRead, recordLines);
        QCOMPARE(csv.unclosedQuoteLine(), reader.unclosedQuoteLine());
        QCOMPARE(unclosedQuoteLine(*pieces, ','), reader.unclosedQuoteLine());
    }
}

// Exported files name every field, and the messages and pick lists name them alike: one caption each, none twice.
void TestImports::everyFieldHasOneCaption()
{
    const std::pair<const char*, const std::vector<FieldCaption>*> tables[] = {{"People", &contactFieldCaptions()},
                                                                               {"Accounts", &accountFieldCaptions()}};
    for (const auto& [table, captions] : tables) {
        QStringList columns, named, shown;
        for (const ColumnDef& c : requireTable(table).columns)
            if (c.type != ColumnType::AutoIncrement && c.name != "CompanyID") columns << c.name;
        for (const FieldCaption& f : *captions) {
            named << f.column;
            shown << QString::fromUtf8(f.caption).toCaseFolded();
        }
        named.sort();
        columns.sort();
        QCOMPARE(named, columns);
        QCOMPARE(shown.size(), QSet<QString>(shown.begin(), shown.end()).size());
    }
    // The contacts and accounts files' own columns come first, named as those files name them.
    QStringList first;
    for (size_t i = 0; i < 22; ++i) first << contactFieldCaptions()[i].caption;
    QCOMPARE(first.join(','), QString(ContactsCsvHeader));
    first.clear();
    for (size_t i = 0; i < 16; ++i) first << accountFieldCaptions()[i].caption;
    QCOMPARE(first.join(','), QString(AccountsCsvHeader));
}

// ---------------------------------------------------------------- accounts

void TestImports::accountsCsv_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("fields");

    const QByteArray h = AccountsHeader + "\r\n";
    const QStringList none;
    const QStringList acme{"INSERT INTO Accounts (AccountName) VALUES ('Acme')"};

    QTest::newRow("contacts file")
        << ContactsHeader + "\r\nMr.,Ann\r\n"
        << none
        << QStringList{"I:This is a \"Contacts\" NOT an \"Accounts\" CSV file. Please use Import -> Contacts from a "
                       "CSV file... menu instead."}
        << none << none;
    QTest::newRow("another header") << QByteArray("Company,Size\r\nAcme,Small\r\n") << none
                                    << QStringList{"E:Incompatible CSV file."} << none << none;
    QTest::newRow("every column to its field")
        << " " + h +
               "Acme,Small,Retail,Ann Lee,1 Elm St,Salem,OR,97301,USA,PO Box 9,555-0100,555-0101,555-0102,"
               "555-0103,555-0104,www.acme.example,extra\r\n"
        << none << QStringList{"I:1 record(s) added."} << QStringList{"Acme"}
        << QStringList{"AccountName=Acme",
                       "AccountSize=Small",
                       "AccountIndustry=Retail",
                       "AccountManager=Ann Lee",
                       "AccountStreet=1 Elm St",
                       "AccountCity=Salem",
                       "AccountState=OR",
                       "AccountPostalCode=97301",
                       "AccountCountry=USA",
                       "AccountPostOfficeBox=PO Box 9",
                       "AccountMainTel=555-0100",
                       "AccountTel1=555-0101",
                       "AccountTel2=555-0102",
                       "AccountFax1=555-0103",
                       "AccountFax2=555-0104",
                       "AccountWebPage=www.acme.example",
                       "Importance=",
                       "Comments="};
    QTest::newRow("rows without a name left out")
        << h + ",Small\r\n ,Large\r\n\r\nBolt Ltd\r\n"
        << none << QStringList{"I:1 record(s) added.\n\nLeft out: 2 without a name."} << QStringList{"Bolt Ltd"}
        << none;
    QTest::newRow("repeats kept when there were no accounts")
        << h + "Acme\r\nACME\r\n"
        << none << QStringList{"I:2 record(s) added."} << QStringList{"Acme", "ACME"} << none;
    QTest::newRow("known names left out, letter case ignored")
        << h + "ACME,Large\r\nBolt Ltd\r\nbolt ltd\r\n"
        << acme << QStringList{"I:1 record(s) added.\n\nLeft out: 2 already stored."} << QStringList{"Acme", "Bolt Ltd"}
        << none;
    QTest::newRow("values too long for their fields")
        << h + "Acme,A company size that is longer than thirty,,,,,,,The Federal Republic of Germany\r\n"
        << none
        << QStringList{"I:1 record(s) added.\n\n2 values were too long for their fields and were cut to fit: "
                       "Acme (Company Size, Country)."}
        << QStringList{"Acme"}
        << QStringList{"AccountSize=A company size that is longer ", "AccountCountry=The Federal Republic of German"};
}

void TestImports::accountsCsv()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, before);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, names);
    QFETCH(QStringList, fields);
    ScriptedMessages shown;
    ScriptedFileDialogs dialogs;
    TestDatabase db(before);
    TMainDataModule& dm = db.open();
    CsvFile csv(file);
    dialogs.answers.push_back(csv.path());

    runGuarded([&] { importAccountsFromCsv(dm); });

    QCOMPARE(shownMessages(shown), messages);
    QCOMPARE(storedNames(db.path(), "Accounts", "AccountName"), names);
    for (const QString& f : fields) {
        const QString column = f.section('=', 0, 0), value = f.section('=', 1);
        QCOMPARE(lastValue(db, "Accounts", column).toString(), value);
    }
    QCOMPARE(dm.AccountsTable->recordCount(), names.size());
    QCOMPARE(db.scalar("SELECT count(*) FROM People").toInt(), 0);
}

// ---------------------------------------------------------------- batches

void TestImports::batchesAreCommittedAndTheRuleDeferred()
{
    TestDatabase db({"CREATE TRIGGER NoBad BEFORE INSERT ON People WHEN NEW.Name = 'Bad' "
                     "BEGIN SELECT RAISE(ABORT, 'no Bad here'); END"});
    TMainDataModule& dm = db.open();
    Dataset& people = *dm.PeopleCompanyDet;
    int ruleRuns = 0;
    people.afterPost = [&](Dataset&) { ++ruleRuns; };
    const auto add = [&](BulkPost& bulk, const QString& name) {
        people.append();
        people.setValue("Name", name);
        bulk.post();
    };
    {
        BulkPost bulk(people, 2);
        add(bulk, "Ann");
        add(bulk, "Bea"); // the first batch is full: stored for everyone to see
        add(bulk, "Cy");
        QCOMPARE(storedNames(db.path()), (QStringList{"Ann", "Bea"}));
        QCOMPARE(ruleRuns, 0);
        try {
            add(bulk, "Bad");
            QFAIL("the file's refusal was not reported");
        } catch (const DatabaseError& e) {
            QCOMPARE(e.message(), QString("no Bad here"));
        }
        // What was posted before the refusal is stored; the refused row is gone, not left pending.
        QCOMPARE(storedNames(db.path()), (QStringList{"Ann", "Bea", "Cy"}));
        QCOMPARE(people.state(), DatasetState::Browse);
        QCOMPARE(people.recordCount(), 3);
        add(bulk, "Di");
        bulk.finish();
        QCOMPARE(ruleRuns, 1);
    }
    QCOMPARE(storedNames(db.path()), (QStringList{"Ann", "Bea", "Cy", "Di"}));
    // The rule is back in place once the bulk post is over.
    people.edit();
    people.setValue("Name", "Dina");
    people.post();
    QCOMPARE(ruleRuns, 2);
}

void TestImports::engineGivingUpABatchLeavesWhatTheFileHolds()
{
    // RAISE(ROLLBACK) ends the whole transaction, as a full disk does.
    TestDatabase db({"CREATE TRIGGER Full BEFORE INSERT ON People WHEN NEW.Name = 'Full' "
                     "BEGIN SELECT RAISE(ROLLBACK, 'database or disk is full'); END"});
    TMainDataModule& dm = db.open();
    Dataset& people = *dm.PeopleCompanyDet;
    BulkPost bulk(people, 2);
    QString error;
    try {
        for (const char* name : {"Ann", "Bea", "Cy", "Full"}) {
            people.append();
            people.setValue("Name", name);
            bulk.post();
        }
    } catch (const DatabaseError& e) {
        error = e.message();
    }
    QCOMPARE(error, QString("database or disk is full"));
    // Cy's batch was lost with the transaction: the dataset must not show it.
    QCOMPARE(storedNames(db.path()), (QStringList{"Ann", "Bea"}));
    QCOMPARE(people.recordCount(), 2);
    QCOMPARE(people.state(), DatasetState::Browse);
    // The connection is usable again.
    people.append();
    people.setValue("Name", "Di");
    bulk.post();
    bulk.finish();
    QCOMPARE(storedNames(db.path()), (QStringList{"Ann", "Bea", "Di"}));
}

// ---------------------------------------------------------------- progress

void TestImports::cancelKeepsWhatWasAdded_data()
{
    QTest::addColumn<bool>("accessible");
    QTest::newRow("Cancel clicked") << false;
    QTest::newRow("Cancel pressed by a screen reader") << true;
}

void TestImports::cancelKeepsWhatWasAdded()
{
    QFETCH(bool, accessible);
    ScriptedMessages shown;
    ScriptedFileDialogs dialogs;
    TestDatabase db;
    TMainDataModule& dm = db.open();
    // The accessible press animates the click and lets it go a moment later: give the import rows enough for that.
    const int rows = accessible ? 20000 : 40;
    QByteArray file = ContactsHeader + "\r\n";
    for (int i = 0; i < rows; ++i) file += "Mr.,Person " + QByteArray::number(i) + "\r\n";
    CsvFile csv(file);
    dialogs.answers.push_back(csv.path());
    // Every step is an update here, so that the dialog comes up at once and Cancel is seen at the next row.
    WorkProgress::setTiming({0, 0});
    QString label, title;
    QTimer watcher;
    watcher.setInterval(0);
    connect(&watcher, &QTimer::timeout, this, [&] {
        auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        const QString text = dialog->findChild<QLabel*>()->text();
        if (!text.startsWith("5 ")) return;
        label = text;
        title = dialog->windowTitle();
        watcher.stop();
        QPushButton* cancel = dialog->findChild<QPushButton*>();
        if (!accessible) return QTest::mouseClick(cancel, Qt::LeftButton);
        QAccessibleInterface* button = QAccessible::queryAccessibleInterface(cancel);
        QCOMPARE(button->text(QAccessible::Name), QString("Cancel"));
        button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    });
    watcher.start();
    SpeedButton14Click(dm);
    WorkProgress::setTiming({});
    watcher.stop();
    QCOMPARE(title, QString("Importing contacts"));
    QCOMPARE(label, QString("5 record(s) added."));
    // What was added stays, and the count says so.
    const int stored = db.scalar("SELECT count(*) FROM People").toInt();
    QCOMPARE(shown.texts(), QStringList{QString::number(stored) + " record(s) added."});
    if (accessible)
        QVERIFY2(stored >= 5 && stored < rows, qPrintable(QString::number(stored)));
    else
        QCOMPARE(stored, 5);
    QVERIFY(!QApplication::activeModalWidget());
}

// ---------------------------------------------------------------- what a new user does

void TestImports::exampleFilesFillAnEmptyDatabase()
{
    const QString folder = QCoreApplication::applicationDirPath() + "/examples/";
    QVERIFY2(QFile::exists(folder + "contacts-sample.csv"), "the example files are not beside the program");
    ScriptedMessages shown;
    ScriptedFileDialogs dialogs;
    TestDatabase db;
    TMainDataModule& dm = db.open();
    dialogs.answers = {folder + "accounts-sample.csv", folder + "contacts-sample.csv"};
    importAccountsFromCsv(dm);
    SpeedButton14Click(dm);
    QCOMPARE(shown.texts(), (QStringList{"10 record(s) added.", "48 record(s) added.\n\nLeft out: 3 without a name."}));
    QCOMPARE(db.scalar("SELECT count(*) FROM People WHERE Name = 'Łukasz Wiśniewski' AND HACity = 'Kraków'").toInt(),
             1);
    // Every column of the file is used somewhere.
    for (const char* column :
         {"Title",     "Profession",      "JobTitle", "HAStreet", "HACity",        "HAState",     "HAPostalCode",
          "HACountry", "HAPostOfficeBox", "Email1",   "Email2",   "TelCallback",   "Mobile",      "PrimaryTel",
          "TelH1",     "TelH2",           "FaxH",     "Telex",    "AssistantName", "ManagerName", "Hobbies"})
        QVERIFY2(db.scalar(QStringLiteral("SELECT count(*) FROM People WHERE %1 <> ''").arg(column)).toInt() > 0,
                 column);
    QCOMPARE(db.scalar("SELECT count(*) FROM Accounts WHERE AccountWebPage LIKE 'www.%'").toInt(), 10);
}

void TestImports::csvDialogsStartBesideTheExamplesWhileTheDatabaseIsEmpty_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<bool>("csvFolderUsed"); // a CSV file was chosen before, from a folder of the user's
    QTest::addColumn<QString>("shown");      // "examples", "home" or "used"
    QTest::newRow("empty database") << QStringList() << false << "examples";
    QTest::newRow("a contact stored") << QStringList{personInsert("Ann Lee")} << false << "home";
    QTest::newRow("an account stored") << QStringList{accountInsert("Acme")} << false << "home";
    QTest::newRow("empty, a CSV chosen before") << QStringList() << true << "used";
}

// Both CSV imports: the examples installed beside the database for a new user, the user's home once there is
// data, and the folder the last CSV file came from whenever there is one.
void TestImports::csvDialogsStartBesideTheExamplesWhileTheDatabaseIsEmpty()
{
    QFETCH(QStringList, rows);
    QFETCH(bool, csvFolderUsed);
    QFETCH(QString, shown);
    EmptyHome home;
    ScriptedMessages messages;
    ScriptedFileDialogs dialogs;
    TestDatabase db(rows);
    QVERIFY(QDir().mkpath(db.folder() + "examples"));
    const QString used = home.home() + "/lists";
    QVERIFY(QDir().mkpath(used));
    if (csvFolderUsed) {
        dialogs.answers = {used + "/none-yet.csv"}; // a missing file: only the folder is remembered
        runGuarded([&] { chooseFileToOpen("CSV (Comma delimited) (*.csv)|*.CSV"); });
    }
    TMainDataModule& dm = db.open();
    SpeedButton14Click(dm);
    importAccountsFromCsv(dm);
    const QString expected = shown == "examples" ? db.folder() + "examples" : shown == "home" ? home.home() : used;
    QCOMPARE(dialogs.requests.back().folder, expected);
    QCOMPARE(dialogs.requests[dialogs.requests.size() - 2].folder, expected);
}

void TestImports::importMenuItemsRunTheImports()
{
    FixedScreen screen(96, 768);
    ScriptedMessages shown;
    ScriptedFileDialogs dialogs;
    TestDatabase db;
    DesktopFolders desktop(db.folder() + "home"); // no mail client's address book there
    Program program(db.folder() + "quorvane");
    QVERIFY(program.start());
    TForm1* form = program.mainWindow();
    for (QAction* item : {form->ImportAccountsItem, form->ImportOutlookItem, form->ImportCsvItem})
        QVERIFY2(item->isVisible(), qPrintable(item->text()));
    CsvFile contacts(ContactsHeader + "\r\nMr.,Ann Lee\r\nMr.,  \r\n", "contacts.csv");
    CsvFile accounts(AccountsHeader + "\r\nAcme\r\n", "accounts.csv");
    dialogs.answers = {contacts.path(), accounts.path()};
    form->ImportCsvItem->trigger();
    form->ImportAccountsItem->trigger();
    form->ImportOutlookItem->trigger();
    // The blank name never reaches the name rule, which could not show the hidden window's box.
    QCOMPARE(shown.texts(), (QStringList{"1 record(s) added.\n\nLeft out: 1 without a name.", "1 record(s) added.",
                                         "MS Outlook is not installed."}));
    QCOMPARE(storedNames(db.path()), QStringList{"Ann Lee"});
    QCOMPARE(storedNames(db.path(), "Accounts", "AccountName"), QStringList{"Acme"});
    QVERIFY(!program.dataEntryForm()->isVisible());
}

QTEST_MAIN(TestImports)
#include "test_imports.moc"

// The data store: the encrypted file, the datasets' operations, master-detail links, the looked-up column, the
// profession suggestions and the failures a damaged or foreign file must produce.
#include "data/BulkPost.h"
#include "data/DataModule.h"
#include "data/DatabaseError.h"
#include "data/DatabaseFiles.h"
#include "data/EncryptedFile.h"
#include "data/FileLock.h"
#include "data/Installer.h"
#include "tests/support/FileFixtures.h"
#include "tests/support/OtherProcess.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QSignalSpy>
#include <QTimeZone>
#include <QtTest>
#include <sqlcipher/sqlite3.h>

using namespace qv;
using namespace qv::test;

namespace {

QStringList threeContacts() { return {personInsert("Adams"), personInsert("Baker"), personInsert("Clark")}; }

QStringList columnTexts(Dataset& ds, const QString& column)
{
    QStringList out;
    for (ds.first(); !ds.atEnd(); ds.next()) out << ds.text(column);
    return out;
}

// Accounts as another program may have declared it: the given columns with other types, defaults or none, and
// whatever more the file holds (triggers).
QStringList accountsDeclaredAs(const QMap<QString, QString>& declarations, const QStringList& more = {})
{
    QStringList columns;
    for (const ColumnDef& c : requireTable("Accounts").columns) {
        const QString ours =
            c.type == ColumnType::AutoIncrement ? "INTEGER PRIMARY KEY AUTOINCREMENT" : "VARCHAR(255) COLLATE NOCASE";
        columns << c.name + ' ' + declarations.value(c.name, ours);
    }
    return QStringList{"DROP TABLE Accounts", "CREATE TABLE Accounts (" + columns.join(", ") + ")"} + more;
}

// Another copy of the program on the same file, opened as start-up opens it.
std::unique_ptr<TMainDataModule> anotherCopy(const TestDatabase& db)
{
    auto other = std::make_unique<TMainDataModule>();
    other->MainADOConnection->setConnectionString(db.connectionString());
    other->MainADOConnection->open();
    other->openAll(true);
    return other;
}

// What that copy does to its current row: "delete", "Field=value" saved, or nothing for an empty text.
void changeElsewhere(Dataset& theirs, const QString& change)
{
    if (change == "delete") {
        theirs.remove();
    } else if (!change.isEmpty()) {
        theirs.edit();
        theirs.setValue(change.section('=', 0, 0), change.section('=', 1));
        theirs.post();
    }
}

// Every stored value of every row a dataset shows, in its order.
QList<QVariantList> heldRows(Dataset& ds)
{
    QList<QVariantList> out;
    const int columns = int(ds.tableDef()->columns.size());
    for (ds.first(); !ds.atEnd(); ds.next()) {
        QVariantList row;
        for (int i = 0; i < columns; ++i) row << ds.value(i);
        out << row;
    }
    return out;
}

// The same values as another connection reads them from the file, in rowid order.
QList<QVariantList> storedRows(const TestDatabase& db, const QString& table)
{
    QStringList columns;
    for (const ColumnDef& c : requireTable(table).columns) columns << '[' + c.name + ']';
    return db.rows(QStringLiteral("SELECT %1 FROM [%2] ORDER BY rowid").arg(columns.join(", "), table));
}

} // namespace

class TestData : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        useUnitedStatesLocale();
        // Run in a zone with summer time, the zone must really be in effect (its data installed).
        if (!qEnvironmentVariableIsEmpty("TZ") && qEnvironmentVariable("TZ") != "UTC")
            QVERIFY2(QTimeZone::systemTimeZone().hasDaylightTime(), "the time zone's data is missing");
    }

    void navigation_data();
    void navigation();
    void insertPlacesNewRowBeforeCurrentAndFillsLink();
    void editOnEmptyDatasetInserts();
    void deleteMakesNextRowCurrent();
    void removeAllDeletesExactlyTheRowsMeant_data();
    void removeAllDeletesExactlyTheRowsMeant();
    void cancelRestoresStoredValues();
    void refreshPostsOrDropsPendingEditAndKeepsPosition();
    void refreshSkipsUnchangedTableButSeesOtherWriters();
    void otherDatasetSeesPostOnlyAfterReread();
    void locate_data();
    void locate();
    void masterMoveRefiltersDetailsAndTheirDetails();
    void detailsWaitWhileTheirMasterIsQuiet();
    void followUpMovesWithItsPersonID_data();
    void followUpMovesWithItsPersonID();
    void noCompanyMeansNoContacts();
    void subprojectLookup();
    void professions();
    void professionsFollowPostsAndDeletes();
    void professionQueryRunsOnlyWhenItsAnswerMayChange();
    void tooLongTextIsRefusedAndEditStays();
    void widthsCountCharacters_data();
    void widthsCountCharacters();
    void storedRowsReadBackExactly_data();
    void storedRowsReadBackExactly();
    void integersReadBackExactly();
    void contactNullsReadBackExactly_data();
    void contactNullsReadBackExactly();
    void rowsOfATableWithoutKeyColumn();
    void postedRowIsWhatTheFileHolds_data();
    void postedRowIsWhatTheFileHolds();
    void changeMadeElsewhereIsRefusedNotOverwritten_data();
    void changeMadeElsewhereIsRefusedNotOverwritten();
    void deleteOfARowChangedElsewhereIsRefused_data();
    void deleteOfARowChangedElsewhereIsRefused();
    void failedCommitLeavesWhatTheFileHolds_data();
    void failedCommitLeavesWhatTheFileHolds();
    void rowsAroundALongRowReadBackExactly_data();
    void rowsAroundALongRowReadBackExactly();
    void everyCharacterReadsBackExactly_data();
    void everyCharacterReadsBackExactly();
    void alertTimeIsWallClockTime_data();
    void alertTimeIsWallClockTime();
    void invalidDateTimeIsAnErrorNotANull();
    void storedDateTimesReadInEveryForm_data();
    void storedDateTimesReadInEveryForm();
    void unknownFieldIsAnError();
    void openFailures_data();
    void openFailures();
    void openingInTwoHalves();
    void lockedFileFailsAfterWaiting();
    void rowsReadOnAnotherThread();
    void fileIsEncryptedAndPrivate();
};

// A table of move sequences over three contacts: the current name, at-end and the count afterwards.
void TestData::navigation_data()
{
    QTest::addColumn<QString>("moves");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("atEnd");
    QTest::newRow("opened stands on the first") << ""
                                                << "Adams" << false;
    QTest::newRow("next") << "next"
                          << "Baker" << false;
    QTest::newRow("next past the last stays, at end") << "next,next,next"
                                                      << "Clark" << true;
    QTest::newRow("last") << "last"
                          << "Clark" << false;
    QTest::newRow("prior on the first stays") << "prior"
                                              << "Adams" << false;
    QTest::newRow("last then prior") << "last,prior"
                                     << "Baker" << false;
    QTest::newRow("first after the end") << "next,next,next,first"
                                         << "Adams" << false;
}

void TestData::navigation()
{
    QFETCH(QString, moves);
    QFETCH(QString, name);
    QFETCH(bool, atEnd);
    TestDatabase db(threeContacts());
    Dataset& people = *db.open().PeopleCompanyDet;
    for (const QString& m : moves.split(',', Qt::SkipEmptyParts)) {
        if (m == "next") people.next();
        if (m == "prior") people.prior();
        if (m == "first") people.first();
        if (m == "last") people.last();
    }
    QCOMPARE(people.text("Name"), name);
    QCOMPARE(people.atEnd(), atEnd);
    QCOMPARE(people.recordCount(), 3);
}

void TestData::insertPlacesNewRowBeforeCurrentAndFillsLink()
{
    TestDatabase db(threeContacts());
    TMainDataModule& dm = db.open();
    Dataset& people = *dm.PeopleCompanyDet;
    people.next(); // Baker
    people.insert();
    QCOMPARE(people.state(), DatasetState::Insert);
    QCOMPARE(people.asInteger("CompanyID"), dm.CompaniesTable->asInteger("CompanyID"));
    people.setValue("Name", "Newman");
    people.post();
    QCOMPARE(people.recNo(), 1);
    people.next();
    QCOMPARE(people.text("Name"), QString("Baker"));
    QCOMPARE(people.recordCount(), 4);
    // Written at once, with the company of the current company row and nulls elsewhere.
    const auto row = db.rows("SELECT CompanyID, Mobile, PersonID FROM People WHERE Name = 'Newman'");
    QCOMPARE(row.size(), 1);
    QCOMPARE(row[0][0].toLongLong(), dm.CompaniesTable->asInteger("CompanyID"));
    QVERIFY(row[0][1].isNull());
    QVERIFY(row[0][2].toLongLong() > 3);
}

void TestData::editOnEmptyDatasetInserts()
{
    TestDatabase db;
    Dataset& people = *db.open().PeopleCompanyDet;
    QCOMPARE(people.recordCount(), 0);
    QVERIFY(people.atEnd());
    people.edit();
    QCOMPARE(people.state(), DatasetState::Insert);
    people.setValue("Name", "First contact");
    people.post();
    QCOMPARE(db.scalar("SELECT count(*) FROM People").toInt(), 1);
}

void TestData::deleteMakesNextRowCurrent()
{
    TestDatabase db(threeContacts() << "INSERT INTO PeopleFollowUp (PersonID, FUDescription) VALUES (1, 'kept')");
    Dataset& people = *db.open().PeopleCompanyDet;
    people.remove(); // Adams
    QCOMPARE(people.text("Name"), QString("Baker"));
    people.last();
    people.remove(); // Clark, the last: the new last becomes current
    QCOMPARE(people.text("Name"), QString("Baker"));
    QCOMPARE(people.recordCount(), 1);
    QCOMPARE(db.scalar("SELECT group_concat(Name) FROM People").toString(), QString("Baker"));
    // Deleting a contact deletes nothing that refers to it.
    QCOMPARE(db.scalar("SELECT count(*) FROM PeopleFollowUp").toInt(), 1);
}

// Deleting all contacts deletes the current company's contacts that the dataset shows, however their rowids
// interleave with other companies' rows, and never a row another copy of the program added meanwhile. A count
// taken before a pending new contact is posted deletes that many from the first.
void TestData::removeAllDeletesExactlyTheRowsMeant_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("pending");
    QTest::addColumn<QStringList>("left"); // names left in People, in rowid order
    QTest::newRow("every contact shown") << -1 << QString() << QStringList{"Other company", "Added elsewhere"};
    QTest::newRow("counted before a pending new contact")
        << 4 << "New" << QStringList{"Other company", "D", "Added elsewhere"};
}

void TestData::removeAllDeletesExactlyTheRowsMeant()
{
    QFETCH(int, limit);
    QFETCH(QString, pending);
    QFETCH(QStringList, left);
    TestDatabase db({"INSERT INTO Companies (Name) VALUES ('Second')", personInsert("A"), personInsert("B"),
                     "INSERT INTO People (CompanyID, Name) VALUES (2, 'Other company')", personInsert("C"),
                     personInsert("D"), "INSERT INTO PeopleFollowUp (PersonID, FUDescription) VALUES (1, 'kept')"});
    TMainDataModule& dm = db.open();
    Dataset& people = *dm.PeopleCompanyDet;
    db.execute({personInsert("Added elsewhere")});
    if (!pending.isEmpty()) {
        people.insert();
        people.setValue("Name", pending);
    }
    QCOMPARE(people.removeAll(limit), 4);
    QCOMPARE(people.state(), DatasetState::Browse);
    QCOMPARE(storedNames(db.path()), left);
    QCOMPARE(people.recordCount(), left.size() - 2);
    QCOMPARE(dm.FollowUp->recordCount(), 0);
    QCOMPARE(db.scalar("SELECT count(*) FROM PeopleFollowUp").toInt(), 1); // a contact's follow-ups stay
}

void TestData::cancelRestoresStoredValues()
{
    TestDatabase db(threeContacts());
    Dataset& people = *db.open().PeopleCompanyDet;
    people.edit();
    people.setValue("Name", "Changed");
    people.cancel();
    QCOMPARE(people.text("Name"), QString("Adams"));
    people.next();
    people.insert();
    people.setValue("Name", "Dropped");
    people.cancel();
    QCOMPARE(people.text("Name"), QString("Baker"));
    QCOMPARE(people.recordCount(), 3);
    QCOMPARE(db.scalar("SELECT count(*) FROM People").toInt(), 3);
}

void TestData::refreshPostsOrDropsPendingEditAndKeepsPosition()
{
    TestDatabase db(threeContacts());
    Dataset& people = *db.open().PeopleCompanyDet;
    people.next();
    people.edit();
    people.setValue("Mobile", "555-0100");
    people.refresh();
    QCOMPARE(people.state(), DatasetState::Browse);
    QCOMPARE(people.text("Name"), QString("Baker"));
    QCOMPARE(db.scalar("SELECT Mobile FROM People WHERE Name = 'Baker'").toString(), QString("555-0100"));

    people.edit(); // nothing changed: dropped, not written
    people.refresh();
    QCOMPARE(people.state(), DatasetState::Browse);
    QCOMPARE(people.text("Name"), QString("Baker"));
}

void TestData::refreshSkipsUnchangedTableButSeesOtherWriters()
{
    TestDatabase db(threeContacts());
    Dataset& people = *db.open().PeopleCompanyDet;
    people.refresh();
    QVERIFY(people.lastRefreshSkipped());
    // Another process adds a contact: the next refresh must read it.
    db.execute({personInsert("Zimmer")});
    people.refresh();
    QVERIFY(!people.lastRefreshSkipped());
    QCOMPARE(people.recordCount(), 4);
    people.refresh();
    QVERIFY(people.lastRefreshSkipped());
}

void TestData::otherDatasetSeesPostOnlyAfterReread()
{
    TestDatabase db(threeContacts());
    TMainDataModule& dm = db.open();
    Dataset other(dm.MainADOConnection, "OtherPeople", "People");
    other.open();
    dm.PeopleCompanyDet->edit();
    dm.PeopleCompanyDet->setValue("Name", "Abbott");
    dm.PeopleCompanyDet->post();
    QCOMPARE(other.text("Name"), QString("Adams"));
    other.refresh();
    QVERIFY(!other.lastRefreshSkipped());
    QCOMPARE(other.text("Name"), QString("Abbott"));
    // The dataset that wrote knows its own rows are current.
    dm.PeopleCompanyDet->refresh();
    QVERIFY(dm.PeopleCompanyDet->lastRefreshSkipped());
}

void TestData::locate_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("options");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("name");
    const int prefixCi = LocatePartialKey | LocateCaseInsensitive;
    QTest::newRow("prefix any case") << "sm" << prefixCi << true << "Smith";
    QTest::newRow("prefix upper") << "SMY" << prefixCi << true << "smyth";
    QTest::newRow("empty text matches the first") << "" << prefixCi << true << "Adams";
    QTest::newRow("no match keeps the position") << "Q" << prefixCi << false << "Baker";
    QTest::newRow("whole text, case ignored") << "SMITH" << int(LocateCaseInsensitive) << true << "Smith";
    QTest::newRow("whole text needs the whole") << "Smi" << int(LocateCaseInsensitive) << false << "Baker";
    QTest::newRow("case kept") << "smith" << int(LocatePartialKey) << false << "Baker";
    QTest::newRow("accented letters fold too") << "\u00c9mile" << prefixCi << true << "\u00e9mile Zola";
    QTest::newRow("past eight letters") << "SMYTHESON-J" << prefixCi << true << "Smytheson-Jones";
    QTest::newRow("past eight letters, differing late") << "smytheson-k" << prefixCi << false << "Baker";
    QTest::newRow("longer than the name") << "smyths" << prefixCi << false << "Baker";
    QTest::newRow("a letter outside ASCII folds to an ASCII one") << "k" << prefixCi << true << "\u212Aelvin";
    QTest::newRow("ASCII after a letter outside it") << "\u00e9MILE z" << prefixCi << true << "\u00e9mile Zola";
}

void TestData::locate()
{
    QFETCH(QString, value);
    QFETCH(int, options);
    QFETCH(bool, found);
    QFETCH(QString, name);
    TestDatabase db({personInsert("Adams"), personInsert("Baker"), personInsert("Smith"), personInsert("smyth"),
                     personInsert("\u00e9mile Zola"), personInsert("\u212Aelvin"), personInsert("Smytheson-Jones")});
    Dataset& people = *db.open().PeopleCompanyDet;
    people.next(); // Baker
    QCOMPARE(people.locate({"Name"}, {value}, options), found);
    QCOMPARE(people.text("Name"), name);
}

void TestData::masterMoveRefiltersDetailsAndTheirDetails()
{
    TestDatabase db({"INSERT INTO Companies (Name) VALUES ('Second')", personInsert("Adams"), personInsert("Baker"),
                     "INSERT INTO People (CompanyID, Name) VALUES (2, 'Other company')",
                     "INSERT INTO PeopleFollowUp (PersonID, FUDescription) VALUES (1, 'a1'), (1, 'a2'), (2, 'b1'), "
                     "(3, 'o1')"});
    TMainDataModule& dm = db.open();
    Dataset& people = *dm.PeopleCompanyDet;
    Dataset& followUps = *dm.FollowUp;
    QCOMPARE(people.recordCount(), 2);
    QCOMPARE(followUps.recordCount(), 2);
    QCOMPARE(followUps.text("FUDescription"), QString("a1"));
    people.next();
    QCOMPARE(followUps.recordCount(), 1);
    QCOMPARE(followUps.text("FUDescription"), QString("b1"));
    // A follow-up added here belongs to the current contact without anyone writing PersonID.
    followUps.append();
    followUps.setValue("FUDescription", "b2");
    followUps.post();
    QCOMPARE(db.scalar("SELECT PersonID FROM PeopleFollowUp WHERE FUDescription = 'b2'").toInt(), 2);
    // A pending follow-up edit is posted when its contact changes.
    followUps.edit();
    followUps.setValue("FUDescription", "b2 edited");
    people.first();
    QCOMPARE(db.scalar("SELECT count(*) FROM PeopleFollowUp WHERE FUDescription = 'b2 edited'").toInt(), 1);
    // Moving the company changes the contacts, and with them the follow-ups.
    dm.CompaniesTable->next();
    QCOMPARE(people.recordCount(), 1);
    QCOMPARE(people.text("Name"), QString("Other company"));
    QCOMPARE(followUps.text("FUDescription"), QString("o1"));
    // A new contact has no follow-ups yet.
    people.insert();
    QCOMPARE(followUps.recordCount(), 0);
    people.cancel();
    QCOMPARE(followUps.recordCount(), 1);
}

// A follow-up given another contact's PersonID leaves this contact's list and shows once among the other's, in
// the place a re-read gives it; a follow-up added with another contact's PersonID goes there at once.
// While nobody watches the contacts, nobody is told of their follow-ups either: a scan or an import that moves and
// adds contacts tells every watcher once, at the end, of the state it left.
void TestData::detailsWaitWhileTheirMasterIsQuiet()
{
    TestDatabase db({personInsert("Adams"), personInsert("Baker"),
                     "INSERT INTO PeopleFollowUp (PersonID, FUDescription) VALUES (2, 'Called')"});
    TMainDataModule& dm = db.open();
    Dataset& people = *dm.PeopleCompanyDet;
    Dataset& followUps = *dm.FollowUp;
    QSignalSpy peopleMoved(&people, &Dataset::currentChanged), peopleState(&people, &Dataset::stateChanged);
    QSignalSpy followUpsReset(&followUps, &Dataset::rowsReset), followUpsMoved(&followUps, &Dataset::currentChanged);
    people.disableControls();
    people.last();
    people.append();
    people.setValue("Name", "Clark");
    people.post();
    people.moveTo(1);
    QCOMPARE(followUps.text("FUDescription"), QString("Called")); // the details follow, unseen
    QCOMPARE(peopleMoved.count() + peopleState.count() + followUpsReset.count() + followUpsMoved.count(), 0);
    people.enableControls();
    QCOMPARE(peopleMoved.count(), 1);
    QCOMPARE(peopleState.count(), 1);
    QCOMPARE(peopleState.last().at(0).value<DatasetState>(), DatasetState::Browse);
    QCOMPARE(followUpsReset.count(), 1);
    QCOMPARE(followUpsMoved.count(), 1);
    // Told again as usual afterwards.
    people.first();
    QCOMPARE(followUpsReset.count(), 2);
}

void TestData::followUpMovesWithItsPersonID_data()
{
    QTest::addColumn<bool>("inserted");
    QTest::addColumn<QStringList>("adams");
    QTest::addColumn<QStringList>("baker");
    QTest::newRow("edited") << false << QStringList{"a2"} << QStringList{"a1", "b1"};
    QTest::newRow("inserted") << true << QStringList{"a1", "a2"} << QStringList{"b1", "new"};
}

void TestData::followUpMovesWithItsPersonID()
{
    QFETCH(bool, inserted);
    QFETCH(QStringList, adams);
    QFETCH(QStringList, baker);
    TestDatabase db({personInsert("Adams"), personInsert("Baker"), personInsert("Clark"),
                     "INSERT INTO PeopleFollowUp (PersonID, FUDescription) VALUES (1, 'a1'), (1, 'a2'), (2, 'b1'), "
                     "(3, 'c1')"});
    TMainDataModule& dm = db.open();
    Dataset& people = *dm.PeopleCompanyDet;
    Dataset& followUps = *dm.FollowUp;
    if (inserted) {
        followUps.append();
        followUps.setValue("FUDescription", "new");
    } else {
        followUps.edit(); // a1
    }
    followUps.setValue("PersonID", 2);
    followUps.post();
    QCOMPARE(followUps.state(), DatasetState::Browse);
    QCOMPARE(followUps.recordCount(), adams.size());
    QCOMPARE(followUps.text("FUDescription"), QString("a2")); // the row that took its place
    QCOMPARE(columnTexts(followUps, "FUDescription"), adams);
    people.next();
    QCOMPARE(columnTexts(followUps, "FUDescription"), baker);
    people.next();
    QCOMPARE(columnTexts(followUps, "FUDescription"), QStringList{"c1"});
    // What the file holds, and what a fresh read shows, are the same.
    QCOMPARE(db.scalar("SELECT count(*) FROM PeopleFollowUp WHERE PersonID = 2").toInt(), 2);
    followUps.close();
    followUps.open();
    people.first();
    QCOMPARE(columnTexts(followUps, "FUDescription"), adams);
    people.next();
    QCOMPARE(columnTexts(followUps, "FUDescription"), baker);
}

void TestData::noCompanyMeansNoContacts()
{
    TestDatabase db({"DELETE FROM Companies", "INSERT INTO People (CompanyID, Name) VALUES (1, 'Orphan')"});
    TMainDataModule& dm = db.open();
    QCOMPARE(dm.CompaniesTable->recordCount(), 0);
    QCOMPARE(dm.PeopleCompanyDet->recordCount(), 0);
    QVERIFY(dm.PeopleCompanyDet->atEnd());
}

void TestData::subprojectLookup()
{
    TestDatabase db({personInsert("Adams"),
                     "INSERT INTO Projects (ProjectID, CompanyID, Name) VALUES (1, 1, 'Current'), (2, 1, 'Later')",
                     "INSERT INTO SubProjects (SubProjectID, ProjectID, Name) VALUES (10, 1, 'Vans'), (20, 2, 'Desks')",
                     "INSERT INTO Business (PersonID, SubProjectID) VALUES (1, 10), (1, 20), (1, 99)"});
    TMainDataModule& dm = db.open();
    Dataset& roles = *dm.PeopleProjectDetail;
    QCOMPARE(roles.recordCount(), 3);
    QCOMPARE(roles.text("Subproject"), QString("Vans"));
    roles.next(); // a subproject of another project than the current one
    QCOMPARE(roles.text("Subproject"), QString());
    roles.next(); // no such subproject at all
    QCOMPARE(roles.text("Subproject"), QString());
    dm.ProjectsDetail->next(); // now the other project is current
    roles.first();
    roles.next();
    QCOMPARE(roles.text("Subproject"), QString("Desks"));
}

void TestData::professions()
{
    TestDatabase db({personInsert("A", {"Profession", "sales"}), personInsert("B", {"Profession", "Sales"}),
                     personInsert("C", {"Profession", QString()}), personInsert("D", {"Profession", ""}),
                     personInsert("E", {"Profession", "Architect"}), personInsert("F", {"Profession", "Zoologist"})});
    TMainDataModule& dm = db.open();
    const QStringList p = dm.professionSuggestions();
    QCOMPARE(p.size(), 3);
    QCOMPARE(p[0], QString("Architect"));
    QCOMPARE(p[1].toLower(), QString("sales")); // once, whichever spelling the engine keeps
    QCOMPARE(p[2], QString("Zoologist"));
    QCOMPARE(dm.ProfessionQuery->sql(),
             QString("SELECT DISTINCT People.Profession FROM People ORDER BY People.Profession;"));
}

void TestData::professionsFollowPostsAndDeletes()
{
    TestDatabase db({personInsert("A", {"Profession", "Banker"}), personInsert("B", {"Profession", "Dentist"})});
    TMainDataModule& dm = db.open();
    QSignalSpy changed(&dm, &TMainDataModule::professionSuggestionsChanged);
    Dataset& people = *dm.PeopleCompanyDet;
    people.last();
    people.insert();
    people.setValue("Name", "C");
    people.setValue("Profession", "Chemist");
    people.post();
    QCOMPARE(changed.size(), 1);
    QCOMPARE(dm.professionSuggestions(), (QStringList{"Banker", "Chemist", "Dentist"}));
    // Deleting keeps the suggestion until the next save of any contact.
    people.remove();
    QCOMPARE(dm.professionSuggestions(), (QStringList{"Banker", "Chemist", "Dentist"}));
    people.first();
    people.edit();
    people.setValue("Mobile", "1");
    people.post();
    QCOMPARE(dm.professionSuggestions(), (QStringList{"Banker", "Dentist"}));
}

// Saving a contact asks for the professions again only when the answer may have changed: the save wrote a
// profession, or People was written otherwise since (a deletion here, another copy of the program).
void TestData::professionQueryRunsOnlyWhenItsAnswerMayChange()
{
    TestDatabase db({personInsert("A", {"Profession", "Banker"}), personInsert("B", {"Profession", "Dentist"})});
    TMainDataModule& dm = db.open();
    QSignalSpy runs(dm.ProfessionQuery, &Dataset::opened);
    Dataset& people = *dm.PeopleCompanyDet;
    const auto save = [&](const char* field, const QString& value) {
        people.edit();
        people.setValue(field, value);
        people.post();
    };
    save("Mobile", "1");
    QCOMPARE(runs.size(), 0);
    save("Profession", "banker"); // the same profession to the engine, but a profession written
    QCOMPARE(runs.size(), 1);
    db.execute({personInsert("C", {"Profession", "Chemist"})}); // another copy adds one
    save("Mobile", "2");
    QCOMPARE(runs.size(), 2);
    QCOMPARE(dm.professionSuggestions().size(), 3);
    QVERIFY(dm.professionSuggestions().contains("Chemist"));
    people.last();
    people.remove(); // Chemist's only contact: the list keeps it until the next save
    QCOMPARE(dm.professionSuggestions().size(), 3);
    people.first();
    save("Mobile", "3");
    QCOMPARE(runs.size(), 3);
    QCOMPARE(dm.professionSuggestions().size(), 2);
    save("Info", "x");
    QCOMPARE(runs.size(), 3);
}

void TestData::tooLongTextIsRefusedAndEditStays()
{
    TestDatabase db(threeContacts());
    Dataset& people = *db.open().PeopleCompanyDet;
    people.edit();
    people.setValue("Gender", "Not telling anyone"); // Gender holds 10 characters
    try {
        people.post();
        QFAIL("a text longer than its column was accepted");
    } catch (const DatabaseError& e) {
        QVERIFY2(e.message().contains("Gender") && e.message().contains("10"), qPrintable(e.message()));
    }
    QCOMPARE(people.state(), DatasetState::Edit);
    QCOMPARE(people.text("Gender"), QString("Not telling anyone"));
    QVERIFY(db.scalar("SELECT Gender FROM People WHERE Name = 'Adams'").isNull());
    people.setValue("Gender", "Female");
    people.post();
    QCOMPARE(db.scalar("SELECT Gender FROM People WHERE Name = 'Adams'").toString(), QString("Female"));
}

// A width counts characters: one outside the basic plane is one character, though it takes two UTF-16 units.
void TestData::widthsCountCharacters_data()
{
    QTest::addColumn<QString>("gender"); // Gender holds 10 characters
    QTest::addColumn<bool>("stored");
    const QString face = QString::fromUtf8("\xF0\x9F\x98\x80");
    QTest::newRow("ten faces") << face.repeated(10) << true;
    QTest::newRow("eleven faces") << face.repeated(11) << false;
    QTest::newRow("nine letters and a face") << QString("abcdefghi") + face << true;
    QTest::newRow("ten accented letters") << QString::fromUtf8("\xC3\xA9").repeated(10) << true;
    QTest::newRow("eleven letters") << QString("abcdefghijk") << false;
}

void TestData::widthsCountCharacters()
{
    QFETCH(QString, gender);
    QFETCH(bool, stored);
    TestDatabase db(threeContacts());
    Dataset& people = *db.open().PeopleCompanyDet;
    people.edit();
    people.setValue("Gender", gender);
    bool refused = false;
    try {
        people.post();
    } catch (const DatabaseError& e) {
        refused = true;
        QVERIFY2(e.message().contains("at most 10"), qPrintable(e.message()));
    }
    QCOMPARE(!refused, stored);
    const QVariant inFile = db.scalar("SELECT Gender FROM People WHERE Name = 'Adams'");
    QCOMPARE(inFile.isNull(), !stored);
    if (stored) QCOMPARE(inFile.toString(), gender);
}

// What a post wrote, and what a fresh read of the file gives, are the values set: short and long texts, texts
// past 64 KiB, characters of every width, numbers and nulls, in every column position.
void TestData::storedRowsReadBackExactly_data()
{
    QTest::addColumn<QVariantMap>("values"); // of Accounts, as written into the file
    QTest::newRow("one short text, the rest null") << QVariantMap{{"AccountName", "A"}};
    QTest::newRow("empty texts are not null") << QVariantMap{{"AccountName", "B"}, {"Comments", ""}, {"TaxRegNo", ""}};
    QTest::newRow("texts past 239 bytes")
        << QVariantMap{{"AccountName", QString(240, 'n')},
                       {"AccountCity", QString::fromUtf8("Z\xC3\xBCrich").repeated(60)},
                       {"TaxAuthService", QString(1000, 't')}};
    QTest::newRow("a row past 64 KiB") << QVariantMap{
        {"AccountName", "Big"}, {"Comments", QString(70000, 'c')}, {"LocalCity", "Oslo"}, {"TaxAuthService", "last"}};
    QTest::newRow("every column") << [] {
        QVariantMap all;
        int i = 0;
        for (const ColumnDef& c : requireTable("Accounts").columns)
            if (c.type == ColumnType::Text) all[c.name] = QString::fromUtf8("\xF0\x9F\x98\x80 %1").arg(++i);
        return all;
    }();
}

void TestData::storedRowsReadBackExactly()
{
    QFETCH(QVariantMap, values);
    // Written as another program may write it, past the declared widths too; read, then re-read after a post.
    QStringList columns, literals;
    for (auto it = values.begin(); it != values.end(); ++it) {
        columns << it.key();
        literals << "'" + it.value().toString().replace("'", "''") + "'";
    }
    TestDatabase db(
        {QStringLiteral("INSERT INTO Accounts (%1) VALUES (%2)").arg(columns.join(", "), literals.join(", "))});
    TMainDataModule& dm = db.open();
    Dataset& accounts = *dm.AccountsTable;
    accounts.last();
    const auto check = [&](Dataset& ds) {
        for (const ColumnDef& c : requireTable("Accounts").columns) {
            if (c.type == ColumnType::AutoIncrement) continue;
            const QVariant expected = values.value(c.name);
            QCOMPARE(ds.isNull(c.name), expected.isNull());
            QCOMPARE(ds.text(c.name), expected.toString());
        }
    };
    check(accounts);
    accounts.edit();
    accounts.setValue("Importance", "High");
    accounts.post();
    values["Importance"] = "High";
    check(accounts); // the row as the post re-read it
    Dataset fresh(dm.MainADOConnection, "FreshAccounts", "Accounts");
    fresh.open();
    fresh.last();
    check(fresh);
}

// A contact's nulls are held as a map of a bit per column, sixty-four to a word: every column reads back as
// stored whichever columns around it are null, on both sides of a word's edge and of the offsets kept every sixteen.
void TestData::contactNullsReadBackExactly_data()
{
    QTest::addColumn<QList<int>>("set"); // the People columns given a value; the others stay null
    QList<int> all, alternate, edges{15, 16, 17, 31, 32, 33, 63, 64, 65};
    const int columns = int(requireTable("People").columns.size());
    for (int i = 1; i < columns; ++i) {
        all << i;
        if (i % 2) alternate << i;
    }
    QTest::newRow("every column") << all;
    QTest::newRow("every other column") << alternate;
    QTest::newRow("around checkpoints and the word's edge") << edges;
    QTest::newRow("only the last column") << QList<int>{columns - 1};
    QTest::newRow("only the link") << QList<int>{1};
}

void TestData::contactNullsReadBackExactly()
{
    QFETCH(QList<int>, set);
    const TableDef& people = requireTable("People");
    QStringList columns, literals;
    for (int i : set) {
        const ColumnDef& c = people.columns[size_t(i)];
        columns << c.name;
        literals << (c.type == ColumnType::Integer    ? QString::number(i == 1 ? 1 : 40000 + i)
                     : c.type == ColumnType::DateTime ? QStringLiteral("'2024-02-%1 00:00:00'").arg(i % 28 + 1)
                                                      : QStringLiteral("'v%1'").arg(i));
    }
    TestDatabase db(
        {QStringLiteral("INSERT INTO People (%1) VALUES (%2)").arg(columns.join(", "), literals.join(", "))});
    TMainDataModule& dm = db.open();
    // Through a dataset of its own: a row without a link belongs to no company.
    Dataset contacts(dm.MainADOConnection, "AllPeople", "People");
    contacts.open();
    contacts.last();
    for (int i = 1; i < int(people.columns.size()); ++i) {
        const QString name = people.columns[size_t(i)].name;
        const int at = int(set.indexOf(i));
        QCOMPARE(contacts.isNull(name), at < 0);
        if (at >= 0) QCOMPARE(contacts.value(name).toString(), QString(literals[at]).remove('\''));
    }
    QCOMPARE(contacts.rowId(), db.scalar("SELECT max(rowid) FROM People").toLongLong());
}

// A table whose first column is not its rowid: the rowid is kept with each row, and edits and deletes reach the
// rows meant.
void TestData::rowsOfATableWithoutKeyColumn()
{
    TestDatabase db({"INSERT INTO QuestionsMain (rowid, PersonID, QuestionID, Answer) VALUES (10, 7, 1, 1)",
                     "INSERT INTO QuestionsMain (rowid, PersonID, QuestionID, Answer) VALUES (11, 7, 2, 0)",
                     "INSERT INTO QuestionsMain (rowid, PersonID, QuestionID, Answer) VALUES (500000, NULL, 3, 1)",
                     "INSERT INTO QuestionsMain (rowid, PersonID, QuestionID, Answer) VALUES (12, 11, 4, 1)"});
    TMainDataModule& dm = db.open();
    Dataset answers(dm.MainADOConnection, "Answers", "QuestionsMain");
    answers.open();
    QList<qint64> rowids;
    for (answers.first(); !answers.atEnd(); answers.next()) rowids << answers.rowId();
    QCOMPARE(rowids, (QList<qint64>{10, 11, 12, 500000}));
    answers.moveTo(1); // rowid 11, whose PersonID is 7
    answers.edit();
    answers.setValue("Answer", 5);
    answers.post();
    QCOMPARE(answers.rowId(), 11);
    answers.moveTo(2); // rowid 12, whose PersonID 11 equals the rowid before it
    answers.remove();
    QCOMPARE(db.rows("SELECT rowid, PersonID, QuestionID, Answer FROM QuestionsMain ORDER BY rowid"),
             (QList<QVariantList>{{10, 7, 1, 1}, {11, 7, 2, 5}, {500000, QVariant(), 3, 1}}));
    QCOMPARE(answers.rowId(), 500000);
    QVERIFY(answers.isNull("PersonID"));
}

// Integers are held in as few bytes as hold them: every size's edges read back as stored, whether another program
// wrote them (up to 64 bits) or a post did (the file's 32 bits).
void TestData::integersReadBackExactly()
{
    const QList<qint64> values{0,
                               -1,
                               127,
                               -128,
                               128,
                               -129,
                               32767,
                               -32768,
                               32768,
                               -32769,
                               8388607,
                               -8388608,
                               8388608,
                               -8388609,
                               2147483647,
                               -2147483648LL,
                               2147483648LL,
                               -2147483649LL,
                               std::numeric_limits<qint64>::max(),
                               std::numeric_limits<qint64>::min()};
    QStringList inserts{personInsert("Adams")};
    for (qint64 v : values)
        inserts << QStringLiteral("INSERT INTO PeopleFollowUp (PersonID, ExpextedOrderValue) VALUES (1, %1)").arg(v);
    TestDatabase db(inserts);
    TMainDataModule& dm = db.open();
    Dataset& followUps = *dm.FollowUp;
    for (qint64 v : values) {
        QCOMPARE(followUps.asInteger("ExpextedOrderValue"), v);
        followUps.next();
    }
    followUps.first();
    for (qint64 v : values) {
        if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max()) {
            followUps.next();
            continue;
        }
        followUps.edit();
        followUps.setValue("FUContactMethod", v);
        followUps.post();
        QCOMPARE(followUps.asInteger("FUContactMethod"), v);
        followUps.next();
    }
    Dataset fresh(dm.MainADOConnection, "FreshFollowUps", "PeopleFollowUp");
    fresh.open();
    for (qint64 v : values) {
        QCOMPARE(fresh.asInteger("ExpextedOrderValue"), v);
        const bool posted = v >= std::numeric_limits<qint32>::min() && v <= std::numeric_limits<qint32>::max();
        QCOMPARE(fresh.isNull("FUContactMethod"), !posted);
        if (posted) QCOMPARE(fresh.asInteger("FUContactMethod"), v);
        fresh.next();
    }
}

// A posted row is held as the file holds it, whatever the file's declared types make of the values bound, type
// included: the next update finds the row by those values, byte for byte.
void TestData::postedRowIsWhatTheFileHolds_data()
{
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QString>("dataset");
    QTest::addColumn<QVariantMap>("values"); // set on a new row, which is posted
    QTest::addColumn<QString>("changed");    // then changed on the posted row, and posted again
    QTest::newRow("contact: texts, digits in text columns, a number typed as text, date-times")
        << QStringList{} << "PeopleCompanyDet"
        << QVariantMap{{"Name", QString::fromUtf8("Zo\xC3\xAB \xF0\x9F\x98\x80 Ng")},
                       {"Mobile", "0123"},
                       {"Income", " 1e3 "},
                       {"Info", ""},
                       {"ProfessionID", "42"},
                       {"Birthday", "2/29/1980"},
                       {"Anniversary", QDateTime(QDate(2001, 6, 2), QTime(14, 30))},
                       {"Hobbies", QString(250, QChar(0xE9))}}
        << "Email1";
    QTest::newRow("columns another program declared otherwise")
        << accountsDeclaredAs({{"AccountName", "INTEGER"},
                               {"AccountIndustry", "NUMERIC"},
                               {"AccountSize", "REAL"},
                               {"AccountCity", ""},
                               {"AccountState", "DATETIME"},
                               {"AccountManager", "INT"}})
        << "AccountsTable"
        << QVariantMap{{"AccountName", "12"},         {"AccountIndustry", "3.50"}, {"AccountSize", "Large"},
                       {"AccountCity", " 7 "},        {"AccountState", "12:30"},   {"AccountManager", "Lee"},
                       {"AccountPostalCode", "01234"}}
        << "Comments";
    QTest::newRow("a default for a column left empty")
        << accountsDeclaredAs({{"Importance", "VARCHAR(10) DEFAULT 'Normal'"}}) << "AccountsTable"
        << QVariantMap{{"AccountName", "Acme"}} << "Comments";
    QTest::newRow("triggers change the row on its way in")
        << accountsDeclaredAs({}, {"CREATE TRIGGER Stamped AFTER INSERT ON Accounts BEGIN UPDATE Accounts SET "
                                   "Comments = 'new' WHERE rowid = new.rowid; END",
                                   "CREATE TRIGGER Restamped AFTER UPDATE OF AccountCity ON Accounts BEGIN UPDATE "
                                   "Accounts SET Comments = 'changed' WHERE rowid = new.rowid; END"})
        << "AccountsTable" << QVariantMap{{"AccountName", "Acme"}} << "AccountCity";
    QTest::newRow("a key that is the rowid")
        << QStringList{} << "FollowMethod" << QVariantMap{{"FUmethodName", "Fax"}} << "FUmethodName";
}

void TestData::postedRowIsWhatTheFileHolds()
{
    QFETCH(QStringList, setup);
    QFETCH(QString, dataset);
    QFETCH(QVariantMap, values);
    QFETCH(QString, changed);
    TestDatabase db(setup);
    TMainDataModule& dm = db.open();
    Dataset& ds = *dm.dataset(dataset);
    const auto compareWithFile = [&] {
        Dataset fresh(dm.MainADOConnection, "Fresh", ds.tableName());
        fresh.open();
        for (fresh.first(); !fresh.atEnd() && fresh.rowId() != ds.rowId();) fresh.next();
        QCOMPARE(fresh.rowId(), ds.rowId());
        for (const QString& field : ds.fieldNames()) {
            const int i = ds.fieldIndex(field);
            const QVariant held = ds.value(i), stored = fresh.value(i);
            QVERIFY2(
                held.typeId() == stored.typeId() && held == stored,
                qPrintable(QStringLiteral("%1: held %2 (%3), stored %4 (%5)")
                               .arg(field, held.toString(), held.typeName(), stored.toString(), stored.typeName())));
            int heldSize = 0, storedSize = 0;
            const char* heldBytes = ds.utf8(i, &heldSize);
            const char* storedBytes = fresh.utf8(i, &storedSize);
            QCOMPARE(QByteArray(heldBytes, heldSize), QByteArray(storedBytes, storedSize));
        }
    };
    ds.append();
    for (auto it = values.begin(); it != values.end(); ++it) ds.setValue(it.key(), it.value());
    ds.post();
    compareWithFile();
    ds.edit();
    ds.setValue(changed, "changed");
    ds.post(); // refused if the row held were not the row stored
    compareWithFile();
    QCOMPARE(ds.text(changed), QString("changed"));
}

// Two copies of the program on one file: a save made from a row read before another copy changed it is refused
// with the engine's words, the edit stays for the user to keep or drop, and the other copy's change survives.
void TestData::changeMadeElsewhereIsRefusedNotOverwritten_data()
{
    QTest::addColumn<QString>("elsewhere"); // what the other copy does to Adams
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("mobile"); // Adams's Mobile in the file afterwards
    QTest::newRow("same column") << "Mobile=555-THEIRS" << true << "555-THEIRS";
    QTest::newRow("same column, letter case only") << "Mobile=555-abc" << true << "555-abc";
    QTest::newRow("null column filled") << "Info=theirs" << true << "555-ABC";
    QTest::newRow("another column") << "JobTitle=Buyer" << false << "555-MINE";
    QTest::newRow("row deleted") << "delete" << true << QString();
}

void TestData::changeMadeElsewhereIsRefusedNotOverwritten()
{
    QFETCH(QString, elsewhere);
    QFETCH(bool, refused);
    QFETCH(QString, mobile);
    TestDatabase db({personInsert("Adams", {"Mobile", "555-ABC"}), personInsert("Baker")});
    Dataset& mine = *db.open().PeopleCompanyDet;
    const auto other = anotherCopy(db);
    changeElsewhere(*other->PeopleCompanyDet, elsewhere);
    mine.edit();
    mine.setValue("Mobile", "555-MINE");
    if (elsewhere.startsWith("Info")) mine.setValue("Info", "mine");
    try {
        mine.post();
        QVERIFY(!refused);
    } catch (const DatabaseError& e) {
        QVERIFY2(refused, qPrintable(e.message()));
        QVERIFY2(e.message().startsWith("Row cannot be located for updating"), qPrintable(e.message()));
        QCOMPARE(mine.state(), DatasetState::Edit);
        QCOMPARE(mine.text("Mobile"), QString("555-MINE"));
    }
    QCOMPARE(db.scalar("SELECT Mobile FROM People WHERE rowid = 1").toString(), mobile);
    if (elsewhere.startsWith("JobTitle")) {
        QCOMPARE(db.scalar("SELECT JobTitle FROM People WHERE rowid = 1").toString(), QString("Buyer"));
        QCOMPARE(mine.text("JobTitle"), QString("Buyer")); // the row held after the save is the row stored
    }
    // Dropping the edit and re-reading shows the other copy's work.
    mine.cancel();
    mine.refresh();
    QCOMPARE(mine.recordCount(), elsewhere == "delete" ? 1 : 2);
}

// A copy of the program showing a contact as it was deletes it only if nobody changed it meanwhile: a change made
// by another copy is refused with the same words as a save of such a row, never deleted unseen.
void TestData::deleteOfARowChangedElsewhereIsRefused_data()
{
    QTest::addColumn<QString>("elsewhere"); // what the other copy does to Adams, or to Baker after "Baker:"
    QTest::addColumn<bool>("refused");
    QTest::newRow("a column changed") << "Mobile=555-THEIRS" << true;
    QTest::newRow("letter case only") << "Mobile=555-abc" << true;
    QTest::newRow("a null column filled") << "Info=theirs" << true;
    QTest::newRow("the last column changed") << "ApproachType=Direct" << true;
    QTest::newRow("deleted") << "delete" << true;
    QTest::newRow("another contact changed") << "Baker:Mobile=555-0199" << false;
    QTest::newRow("nothing") << QString() << false;
}

void TestData::deleteOfARowChangedElsewhereIsRefused()
{
    QFETCH(QString, elsewhere);
    QFETCH(bool, refused);
    TestDatabase db(
        {personInsert("Adams", {"Mobile", "555-ABC", "Hobbies", QString(240, QChar(0x4E2D))}), personInsert("Baker")});
    Dataset& mine = *db.open().PeopleCompanyDet;
    const auto other = anotherCopy(db);
    QString change = elsewhere;
    if (change.startsWith("Baker:")) {
        other->PeopleCompanyDet->next();
        change = change.section(':', 1);
    }
    changeElsewhere(*other->PeopleCompanyDet, change);
    const QList<QVariantList> before = storedRows(db, "People");
    try {
        mine.remove();
        QVERIFY(!refused);
    } catch (const DatabaseError& e) {
        QVERIFY2(refused, qPrintable(e.message()));
        QCOMPARE(e.message(), QString("Row cannot be located for updating. Some values may have been changed since "
                                      "it was last read."));
        // Nothing deleted; the row stays shown until a re-read shows the other copy's work.
        QCOMPARE(storedRows(db, "People"), before);
        QCOMPARE(mine.state(), DatasetState::Browse);
        QCOMPARE(mine.recordCount(), 2);
        QCOMPARE(mine.text("Name"), QString("Adams"));
        mine.refresh();
        if (change != "delete") {
            QCOMPARE(mine.text(change.section('=', 0, 0)), change.section('=', 1));
            mine.remove(); // seen now: deleted
        }
    }
    QCOMPARE(db.scalar("SELECT group_concat(Name) FROM People").toString(), QString("Baker"));
    QCOMPARE(mine.recordCount(), 1);
    QCOMPARE(mine.text("Name"), QString("Baker"));
}

// A commit that fails (another process holds a read lock until our wait runs out) ends the transaction: the file
// keeps what it held, the dataset shows just that, the error reaches the user, and the next save is stored for good.
void TestData::failedCommitLeavesWhatTheFileHolds_data()
{
    QTest::addColumn<QString>("work");
    QTest::newRow("delete all accounts") << "delete all";
    QTest::newRow("imported accounts") << "bulk post";
}

void TestData::failedCommitLeavesWhatTheFileHolds()
{
    QFETCH(QString, work);
    TestDatabase db({accountInsert("Ash"), accountInsert("Birch"), accountInsert("Cedar")});
    TMainDataModule& dm = db.open();
    Connection& connection = *dm.MainADOConnection;
    Dataset& accounts = *dm.AccountsTable;
    const QList<QVariantList> before = storedRows(db, "Accounts");
    {
        OtherProcess reader("read", db.path());
        QVERIFY(reader.ready());
        QString error;
        try {
            if (work == "delete all") {
                accounts.removeAll();
            } else {
                BulkPost bulk(accounts);
                for (const char* name : {"Dogwood", "Elm"}) {
                    accounts.append();
                    accounts.setValue("AccountName", name);
                    bulk.post();
                }
                bulk.finish();
            }
        } catch (const DatabaseError& e) {
            error = e.message();
        }
        QCOMPARE(error, QString("database is locked"));
        QVERIFY(sqlite3_get_autocommit(connection.handle())); // no transaction left open in the engine
        QCOMPARE(storedRows(db, "Accounts"), before);
        QCOMPARE(heldRows(accounts), before);
        QCOMPARE(accounts.state(), DatasetState::Browse);
    }
    accounts.last();
    accounts.edit();
    accounts.setValue("Comments", "kept");
    accounts.post();
    QString why;
    QVERIFY2(dbfiles::copyOpenDatabase(connection, db.folder() + "Copy.qv", &why), qPrintable(why));
    dm.openAll(false);
    connection.close();
    QCOMPARE(db.scalar("SELECT Comments FROM Accounts WHERE AccountName = 'Cedar'").toString(), QString("kept"));
    QCOMPARE(db.scalar("SELECT count(*) FROM Accounts").toInt(), 3);
}

// A row too large for what is left of its block of memory takes a block of its own: the rows around it read back
// exactly, whether read from the file, posted, or copied when replaced rows are compacted away.
void TestData::rowsAroundALongRowReadBackExactly_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("a 9,000-character comment between two accounts, written by another program") << "read";
    QTest::newRow("an account filled to its widths in a three-byte script, then another one saved") << "posted";
    QTest::newRow("a 70,000-character comment's row replaced until compacted") << "compacted";
}

void TestData::rowsAroundALongRowReadBackExactly()
{
    QFETCH(QString, how);
    const int comment = how == "read" ? 9000 : how == "compacted" ? 70000 : 0;
    TestDatabase db({accountInsert("Ash"),
                     comment ? accountInsert("Birch", {"Comments", QString(comment, 'c')}) : accountInsert("Birch"),
                     accountInsert("Cedar", {"AccountCity", "Oslo"})});
    TMainDataModule& dm = db.open();
    Dataset& accounts = *dm.AccountsTable;
    if (how == "posted") {
        accounts.moveTo(1);
        accounts.edit();
        for (const ColumnDef& c : requireTable("Accounts").columns)
            if (c.type == ColumnType::Text) accounts.setValue(c.name, QString(c.width, QChar(0x4E2D)));
        accounts.post();
        accounts.moveTo(2);
        accounts.edit();
        accounts.setValue("Importance", "High");
        accounts.post();
    } else if (how == "compacted") {
        // Each save of the long row leaves its old bytes behind, until they outweigh the live rows.
        accounts.moveTo(1);
        for (int i = 0; i < 24; ++i) {
            accounts.edit();
            accounts.setValue("Importance", QString::number(i));
            accounts.post();
        }
    }
    QCOMPARE(heldRows(accounts), storedRows(db, "Accounts"));
    QCOMPARE(accounts.recordCount(), 3);
    accounts.last();
    QCOMPARE(accounts.text("AccountName"), QString("Cedar"));
    QCOMPARE(accounts.text("AccountCity"), QString("Oslo"));
}

// What is stored comes back exactly, every character: a byte-order mark at the start of a text included, which the
// toolkit's plain conversion drops. A text that cannot be stored as it is (a lone surrogate) is refused on saving,
// the field named, nothing written and the edit kept.
void TestData::everyCharacterReadsBackExactly_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("stored");
    const QChar bom(0xFEFF);
    QTest::newRow("byte-order mark at the start") << QString(bom) + "Ann" << true;
    QTest::newRow("two byte-order marks at the start") << QString(bom) + bom + "Ann" << true;
    QTest::newRow("byte-order mark alone") << QString(bom) << true;
    QTest::newRow("byte-order marks inside and at the end") << "An" + QString(bom) + "n" + bom << true;
    QTest::newRow("noncharacters") << QString(QChar(0xFFFE)) + "Ann" + QChar(0xFFFF) << true;
    QTest::newRow("replacement character") << QString(QChar(0xFFFD)) + "Ann" << true;
    QTest::newRow("four-byte characters") << QString::fromUtf8("\xF0\x9F\x98\x80 Ann \xF4\x8F\xBF\xBF") << true;
    QTest::newRow("separators and next-line") << "A" + QString(QChar(0x2028)) + QChar(0x2029) + QChar(0x85) << true;
    QTest::newRow("null character inside") << "An" + QString(QChar(0)) + "n" << true;
    QTest::newRow("null character at the start") << QString(QChar(0)) + "Ann" << true;
    QTest::newRow("lone high surrogate at the end") << "Ann" + QString(QChar(0xD83D)) << false;
    QTest::newRow("lone low surrogate at the start") << QString(QChar(0xDE00)) + "Ann" << false;
    QTest::newRow("surrogates in the wrong order") << "A" + QString(QChar(0xDE00)) + QChar(0xD83D) << false;
}

void TestData::everyCharacterReadsBackExactly()
{
    QFETCH(QString, text);
    QFETCH(bool, stored);
    TestDatabase db({personInsert("Adams")});
    TMainDataModule& dm = db.open();
    Dataset& people = *dm.PeopleCompanyDet;
    people.edit();
    people.setValue("Name", text);
    try {
        people.post();
        QVERIFY(stored);
    } catch (const DatabaseError& e) {
        QVERIFY2(!stored, qPrintable(e.message()));
        QVERIFY2(e.message().contains("'Name'"), qPrintable(e.message()));
        QCOMPARE(people.state(), DatasetState::Edit);
        QCOMPARE(people.text("Name"), text);
        QCOMPARE(db.scalar("SELECT Name FROM People").toString(), QString("Adams"));
        return;
    }
    const QByteArray utf8 = text.toUtf8();
    QCOMPARE(db.scalar("SELECT hex(Name) FROM People").toByteArray(), utf8.toHex().toUpper());
    QCOMPARE(people.text("Name"), text);
    QCOMPARE(people.displayText("Name"), text);
    QCOMPARE(db.scalar("SELECT Name FROM People").toString(), text);
    QVERIFY(people.locate({"Name"}, {text}, LocateCaseInsensitive));
    // Written by another program, and read afresh.
    db.execute({personInsert("Baker"), "UPDATE People SET Name = CAST(X'" + QString::fromLatin1(utf8.toHex()) +
                                           "' AS TEXT) WHERE Name = 'Baker'"});
    people.refresh();
    QCOMPARE(people.recordCount(), 2);
    for (people.first(); !people.atEnd(); people.next()) QCOMPARE(people.text("Name"), text);
}

// The alert time is the day's date and the start time as a clock on the wall shows them, less the lead time,
// whatever the time zone: also inside the hour a change to summer time skips and the hour it repeats.
void TestData::alertTimeIsWallClockTime_data()
{
    QTest::addColumn<QString>("day");
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("before");
    QTest::addColumn<QString>("stored");
    QTest::newRow("plain") << "12/8/2026"
                           << "9:30 AM" << 15 << "2026-12-08 09:15:00";
    QTest::newRow("alert in the skipped hour") << "3/8/2026"
                                               << "3:00 AM" << 30 << "2026-03-08 02:30:00";
    QTest::newRow("start in the skipped hour") << "3/29/2026"
                                               << "2:30 AM" << 0 << "2026-03-29 02:30:00";
    QTest::newRow("alert in the repeated hour") << "11/1/2026"
                                                << "2:00 AM" << 45 << "2026-11-01 01:15:00";
}

void TestData::alertTimeIsWallClockTime()
{
    QFETCH(QString, day);
    QFETCH(QString, start);
    QFETCH(int, before);
    QFETCH(QString, stored);
    TestDatabase db({"INSERT INTO CalendarDays (Day) VALUES ('" + day + "')"});
    TMainDataModule& dm = db.open();
    Dataset& events = *dm.DayEvents;
    events.append();
    events.setValue("Action", "Call");
    events.setValue("StartTime", start);
    events.setValue("ReminderBefore", before);
    events.post();
    QCOMPARE(db.scalar("SELECT Time FROM CalendarEvents").toString(), stored);
    const QDateTime alert = events.asDateTime("Time");
    QVERIFY(alert.isValid());
    QCOMPARE(alert.toString("yyyy-MM-dd HH:mm:ss"), stored);
}

void TestData::storedDateTimesReadInEveryForm_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("read"); // "yyyy-MM-dd HH:mm:ss.zzz" on the wall clock, or "" for no date
    QTest::newRow("date") << "2026-12-10"
                          << "2026-12-10 00:00:00.000";
    QTest::newRow("date and time") << "2026-12-10 14:05:09"
                                   << "2026-12-10 14:05:09.000";
    QTest::newRow("blanks around") << "  2026-12-10 14:05:09 "
                                   << "2026-12-10 14:05:09.000";
    QTest::newRow("the hour summer time skips") << "2026-03-08 02:30:00"
                                                << "2026-03-08 02:30:00.000";
    QTest::newRow("milliseconds") << "2026-12-10 14:05:09.250"
                                  << "2026-12-10 14:05:09.250";
    QTest::newRow("hours and minutes") << "2026-12-10 14:05"
                                       << "2026-12-10 14:05:00.000";
    QTest::newRow("ISO with a T") << "2026-12-10T14:05:09"
                                  << "2026-12-10 14:05:09.000";
    QTest::newRow("year before 1000") << "0999-01-02 03:04:05"
                                      << "0999-01-02 03:04:05.000";
    QTest::newRow("no such day") << "2026-02-30 10:00:00"
                                 << "";
    QTest::newRow("no such hour") << "2026-12-10 25:00:00"
                                  << "";
    QTest::newRow("year 0") << "0000-01-01"
                            << "";
    QTest::newRow("letters") << "2026-1x-10 10:00:00"
                             << "";
}

// The stored form as the program writes it, and the other forms other programs and older files hold.
void TestData::storedDateTimesReadInEveryForm()
{
    QFETCH(QString, stored);
    QFETCH(QString, read);
    const QDateTime dt = Dataset::parseStoredDateTime(stored);
    QCOMPARE(dt.isValid() ? dt.toString("yyyy-MM-dd HH:mm:ss.zzz") : QString(), read);
    // Written back in the stored form, to the second.
    QCOMPARE(Dataset::dateTimeStorageText(dt), read.left(19));
}

void TestData::invalidDateTimeIsAnErrorNotANull()
{
    TestDatabase db({personInsert("Adams", {"Birthday", "1980-05-06 00:00:00"})});
    Dataset& people = *db.open().PeopleCompanyDet;
    people.edit();
    QVERIFY_THROWS_EXCEPTION(DatabaseError, people.setValue("Birthday", QDateTime()));
    QVERIFY_THROWS_EXCEPTION(DatabaseError, people.setValue("Birthday", QDate(2026, 2, 30)));
    QCOMPARE(people.text("Birthday"), QString("1980-05-06 00:00:00"));
    people.setValue("Birthday", QVariant()); // clearing is not an error
    people.post();
    QVERIFY(db.scalar("SELECT Birthday FROM People").isNull());
}

void TestData::unknownFieldIsAnError()
{
    TestDatabase db(threeContacts());
    Dataset& people = *db.open().PeopleCompanyDet;
    QVERIFY_THROWS_EXCEPTION(DatabaseError, people.value("NoSuchColumn"));
    QCOMPARE(people.text("name"), QString("Adams")); // names ignore letter case
}

// Every way the file can be wrong fails with the engine's error, and nothing is left behind.
void TestData::openFailures_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("expected");
    QTest::newRow("missing file") << "missing"
                                  << "unable to open database file";
    QTest::newRow("wrong password") << "password"
                                    << "file is encrypted or is not a database";
    QTest::newRow("damaged file") << "garbage"
                                  << "file is encrypted or is not a database";
    QTest::newRow("missing table") << "DROP TABLE SubProjectHistory"
                                   << "no such table: SubProjectHistory";
    QTest::newRow("missing column of People") << "people-without-email"
                                              << "no such column: Email";
}

void TestData::openFailures()
{
    QFETCH(QString, damage);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString path = dir.path() + "/Quorvane.qv";
    if (damage == "missing" || damage == "password" || damage == "garbage") {
        placeFile(path, damage);
    } else {
        createDatabaseFile(path);
        QStringList statements{damage};
        if (damage == "people-without-email") {
            QStringList cols;
            for (const ColumnDef& c : requireTable("People").columns)
                if (c.name != "Email") cols << c.name;
            statements = {"ALTER TABLE People RENAME TO OldPeople",
                          "CREATE TABLE People AS SELECT " + cols.join(", ") + " FROM OldPeople",
                          "DROP TABLE OldPeople"};
        }
        executeOnFile(path, DatabasePassword, statements);
    }
    const QByteArray before = bytesOf(path);

    // Opened at once, and opened in two halves as start-up does: the failure reaches open() the same.
    for (const bool begunEarly : {false, true}) {
        TMainDataModule dm;
        dm.MainADOConnection->setConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=" + path +
                                                  ";Mode=Share Deny None;Jet OLEDB:Database Password=\"QvLtR\";");
        if (begunEarly) dm.MainADOConnection->startOpening();
        try {
            dm.MainADOConnection->open();
            dm.openAll(true);
            QFAIL("opening succeeded");
        } catch (const DatabaseError& e) {
            QVERIFY2(e.message().contains(expected), qPrintable(e.message()));
            if (damage == "password") QCOMPARE(e.code(), SQLITE_NOTADB);
        }
        dm.MainADOConnection->close();
    }
    // Nothing created, nothing written.
    if (damage == "missing") {
        QVERIFY(!QFile::exists(path));
    } else {
        QCOMPARE(bytesOf(path), before);
    }
    QVERIFY(!QFile::exists(path + "-journal"));
}

void TestData::openingInTwoHalves()
{
    TestDatabase db(threeContacts());
    {
        // Begun and never finished: the file is left free for a restore, which takes it whole.
        Connection abandoned;
        abandoned.setConnectionString(db.connectionString());
        abandoned.startOpening();
    }
    FileLock restore;
    QVERIFY(restore.acquire(db.path(), FileLock::Kind::Exclusive, 0));
    restore.release();

    TMainDataModule dm;
    dm.MainADOConnection->setConnectionString(db.connectionString());
    dm.MainADOConnection->startOpening();
    // Until open() finishes it the connection is closed, whatever the other thread has done meanwhile.
    QVERIFY(!dm.MainADOConnection->isOpen());
    QVERIFY_THROWS_EXCEPTION(DatabaseError, dm.MainADOConnection->handle());
    dm.MainADOConnection->open();
    QVERIFY(dm.MainADOConnection->writeProblem().isEmpty());
    dm.openAll(true);
    QCOMPARE(dm.PeopleCompanyDet->recordCount(), 3);
    QVERIFY(!restore.acquire(db.path(), FileLock::Kind::Exclusive, 0));
}

void TestData::lockedFileFailsAfterWaiting()
{
    TestDatabase db(threeContacts());
    // Another process holds a write lock for the whole test.
    const EngineHandle other = openEncryptedFile(db.path(), DatabasePassword, FileOpening::ReadWrite);
    runOrThrow(other.get(), "BEGIN EXCLUSIVE");
    TMainDataModule dm;
    dm.MainADOConnection->setConnectionString(db.connectionString());
    dm.MainADOConnection->setBusyTimeout(100);
    try {
        dm.MainADOConnection->open();
        dm.openAll(true);
        QFAIL("opened a locked file");
    } catch (const DatabaseError& e) {
        QVERIFY2(e.message().contains("locked"), qPrintable(e.message()));
    }
    runOrThrow(other.get(), "ROLLBACK");
}

// Start-up's reading on a thread of its own: the connection refuses this thread until the rows are taken, and then
// every dataset holds what open-all on this thread holds, the search keys found at once.
void TestData::rowsReadOnAnotherThread()
{
    TestDatabase db({personInsert("Adams", {"Profession", "Baker"}), personInsert("Clark", {"Profession", "Cook"}),
                     accountInsert("Ash"), accountInsert("Birch", {"AccountCity", "Oslo"})});
    const std::unique_ptr<TMainDataModule> here = anotherCopy(db);
    TMainDataModule dm;
    dm.MainADOConnection->setConnectionString(db.connectionString());
    dm.MainADOConnection->open();
    QSignalSpy read(&dm, &TMainDataModule::rowsRead);
    dm.startReadingAll();
    try {
        Statement st(*dm.MainADOConnection, "SELECT count(*) FROM People");
        QFAIL("the connection was used by two threads at once");
    } catch (const DatabaseError& e) {
        QVERIFY2(e.message().contains("in use by the reading"), qPrintable(e.message()));
    }
    QVERIFY(!dm.PeopleCompanyDet->isOpen());
    QVERIFY(read.wait(10000));
    dm.openAllRead();
    for (Dataset* theirs : here->datasets()) {
        Dataset* ours = dm.dataset(theirs->name());
        QVERIFY2(ours->isOpen(), qPrintable(theirs->name()));
        QCOMPARE(ours->recordCount(), theirs->recordCount());
        if (ours->tableDef()) QCOMPARE(heldRows(*ours), heldRows(*theirs));
    }
    QCOMPARE(dm.professionSuggestions(), (QStringList{"Baker", "Cook"}));
    QVERIFY(dm.AccountsTable->locate({"AccountName"}, {"bir"}, LocatePartialKey | LocateCaseInsensitive));
    QCOMPARE(dm.AccountsTable->text("AccountCity"), QString("Oslo"));
    QCOMPARE(Statement(*dm.MainADOConnection, "SELECT count(*) FROM People").step(), true);
}

void TestData::fileIsEncryptedAndPrivate()
{
    TestDatabase db({personInsert("Findable Name")});
    QFile f(db.path());
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QVERIFY(!bytes.contains("Findable Name"));
    QVERIFY(!bytes.startsWith("SQLite format 3"));
    QCOMPARE(int(f.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther)), 0);
    // Case-insensitive comparison in SQL, as the file's texts have always compared.
    QCOMPARE(db.scalar("SELECT count(*) FROM People WHERE Name = 'FINDABLE NAME'").toInt(), 1);
    // A second day with the same text is refused by the file itself.
    db.execute({"INSERT INTO CalendarDays (Day) VALUES ('12/8/2026')"});
    QVERIFY_THROWS_EXCEPTION(DatabaseError, db.execute({"INSERT INTO CalendarDays (Day) VALUES ('12/8/2026')"}));
}

QTEST_GUILESS_MAIN(TestData)
#include "test_data.moc"

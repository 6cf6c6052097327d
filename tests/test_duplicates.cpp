// Finding and merging duplicate contacts: which contacts go together and why, the window's list and side by side,
// the merge with everything that names the contacts, and a merge that cannot happen leaving the file as it was:
// another copy of the program changed a contact, another process writes meanwhile, or any one step fails.
#include "activities/FollowUp.h"
#include "analysis/ContactMerge.h"
#include "analysis/DuplicateContacts.h"
#include "analysis/DuplicatesForm.h"
#include "app/MainFrameUnit.h"
#include "app/Program.h"
#include "data/DataModule.h"
#include "data/DatabaseError.h"
#include "platform/DBGrid.h"
#include "platform/DataControls.h"
#include "platform/WorkProgress.h"
#include "records/DataEntry.h"
#include "tests/support/OtherProcess.h"
#include "tests/support/RecordingPreviewer.h"
#include "tests/support/StartedProgram.h"
#include "tests/support/TestSupport.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>
#include <sqlcipher/sqlite3.h>

using namespace qv;
using namespace qv::test;

namespace {

const QString RowNotLocatedText =
    "Row cannot be located for updating. Some values may have been changed since it was last read.";

// Three records of Ann Lee, made by hand, an import and the mail client, and Bob Stone. Ann Lee (1) has the most
// fields filled; "ann lee" (2) shares her name and e-mail, "Lee, Ann" (3) her name and her mobile as a home
// number with the country code. Follow-ups: 1 one, 2 two, 3 one, Bob one. Answers: 1 has question 1 open and
// question 2 answered, 2 has questions 1 to 3 answered, 3 questions 3 and 4. Roles: 1 and 2 in subproject 1, 2
// also in subproject 2.
QStringList annLee()
{
    return {personInsert("Ann Lee", {"Email1", "ann@example.com", "Mobile", "555 123 4567", "JobTitle", "Buyer", "Info",
                                     "Met in May"}),
            personInsert("ann lee", {"Email1", "ANN@example.com", "HACity", "Springfield", "JobTitle", "Head buyer"}),
            personInsert("Lee, Ann", {"TelH1", "+1 555-123-4567", "Profession", "Engineer"}),
            personInsert("Bob Stone", {"Email1", "bob@example.com"}),
            "INSERT INTO PeopleFollowUp (PersonID, FUDescription) VALUES (1, 'first call'), (2, 'offer sent'), "
            "(2, 'visit'), (3, 'trade fair'), (4, 'Bob''s call')",
            "INSERT INTO QuestionsMain (PersonID, QuestionID, Answer) VALUES (1, 1, -1), (1, 2, 1), (2, 1, 0), "
            "(2, 2, 0), (2, 3, 1), (3, 3, 0), (3, 4, 1)",
            "INSERT INTO Business (PersonID, SubProjectID, SPWeight) VALUES (1, 1, 60), (2, 1, 10), (2, 2, 20)"};
}

const QStringList MergedTables{"People", "PeopleFollowUp", "QuestionsMain", "Business"};

QList<QVariantList> storedRows(const TestDatabase& db, const QString& table)
{
    return db.rows(QStringLiteral("SELECT * FROM [%1] ORDER BY rowid").arg(table));
}

std::map<QString, QList<QVariantList>> snapshot(const TestDatabase& db)
{
    std::map<QString, QList<QVariantList>> all;
    for (const QString& t : MergedTables) all[t] = storedRows(db, t);
    return all;
}

// Groups as "1 2 3 (same name)", each contact by PersonID.
QStringList described(const std::vector<duplicates::Group>& groups)
{
    QStringList out;
    for (const auto& g : groups) {
        QStringList ids;
        for (qint64 p : g.people) ids << QString::number(p);
        out << ids.join(' ') + " (" + duplicates::reasonText(g.reasons) + ")";
    }
    return out;
}

std::vector<duplicates::Group> groupsOf(TMainDataModule& dm) { return *duplicates::findGroups(*dm.PeopleCompanyDet); }

// The radio button of a row and a contact's column in the side by side; null where the contacts agree.
QRadioButton* choiceAt(const TDuplicatesForm& form, int row, int column)
{
    return qobject_cast<QRadioButton*>(form.ContactsGrid->cellWidget(row, column));
}

void choose(const TDuplicatesForm& form, int row, int column)
{
    QRadioButton* choice = choiceAt(form, row, column);
    QVERIFY(choice);
    choice->click();
}

int fieldRow(const TDuplicatesForm& form, const QString& field)
{
    for (size_t f = 0; f < form.comparison().fields.size(); ++f)
        if (form.comparison().fields[f].name == field) return int(f);
    return -1;
}

void selectContactColumn(TDuplicatesForm& form, int column)
{
    form.ContactsGrid->selectColumn(column);
    QVERIFY(form.NotSameButton->isEnabled());
}

// Fails the nth statement of a kind on the program's own connection, as a full disk or a broken file would.
void failStep(Connection& c, const QString& operation, const QString& table, int nth)
{
    c.exec("CREATE TEMP TABLE IF NOT EXISTS StepsDone (n INTEGER)");
    c.exec(QStringLiteral("CREATE TEMP TRIGGER StepFails BEFORE %1 ON %2 WHEN (SELECT count(*) FROM StepsDone) >= %3 "
                          "BEGIN SELECT RAISE(ABORT, 'step failed'); END")
               .arg(operation, table)
               .arg(nth - 1));
    c.exec(QStringLiteral("CREATE TEMP TRIGGER StepCounted AFTER %1 ON %2 BEGIN INSERT INTO StepsDone VALUES (1); END")
               .arg(operation, table));
}

void letStepsPass(Connection& c)
{
    c.exec("DROP TRIGGER IF EXISTS temp.StepFails");
    c.exec("DROP TRIGGER IF EXISTS temp.StepCounted");
    c.exec("DROP TABLE IF EXISTS temp.StepsDone");
}

} // namespace

class TestDuplicates : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { useUnitedStatesLocale(); }
    void pairsGoTogetherOrNot_data();
    void pairsGoTogetherOrNot();
    void aGroupIsEveryContactJoinedByAChain();
    void notTheSamePersonTakesAContactOut();
    void sideBySideShowsWhatIsFilledAndWhereTheyDiffer();
    void mergeMovesEverythingThatNamesTheContacts();
    void mergeRefusedWhenAnotherCopyChangedAContact_data();
    void mergeRefusedWhenAnotherCopyChangedAContact();
    void mergeTakesTheRowsAnotherCopyAddedOrRemoved_data();
    void mergeTakesTheRowsAnotherCopyAddedOrRemoved();
    void mergeWhileAnotherProcessWrites();
    void failureAtAnyStepLeavesNothingMerged_data();
    void failureAtAnyStepLeavesNothingMerged();
    void realConfirmationBoxAnswersByKey();
    void chosenByKeyboardAlone();
    void largeGroupIsMergedTenAtATime();
    void searchShowsProgressAndCanBeCancelled();
    void menuItemOpensTheWindow();
};

// ---------------------------------------------------------------- which contacts go together

void TestDuplicates::pairsGoTogetherOrNot_data()
{
    QTest::addColumn<QStringList>("first");  // Name, then column, value pairs
    QTest::addColumn<QStringList>("second"); // the same
    QTest::addColumn<QString>("reason");     // empty when the two stay apart

    QTest::newRow("accents") << QStringList{"José Müller"} << QStringList{"Jose Muller"} << "same name";
    QTest::newRow("letters kept in their mark")
        << QStringList{"Łukasz Øster"} << QStringList{"lukasz oster"} << "same name";
    QTest::newRow("letter case") << QStringList{"ANN LEE"} << QStringList{"ann lee"} << "same name";
    QTest::newRow("family name first") << QStringList{"Lee, Ann"} << QStringList{"Ann Lee"} << "same name";
    QTest::newRow("punctuation") << QStringList{"Sean O'Brien"} << QStringList{"OBrien Sean"} << "same name";
    QTest::newRow("blanks") << QStringList{"Mary-Ann Smith"} << QStringList{"Maryann  Smith"} << "same name";
    QTest::newRow("initials") << QStringList{"J.R. Smith"} << QStringList{"JR Smith"} << "same name";
    QTest::newRow("typographic apostrophe")
        << QStringList{"Seán O’Brien"} << QStringList{"OBRIEN, Sean"} << "same name";
    QTest::newRow("punctuation only") << QStringList{"-"} << QStringList{"-"} << "";
    QTest::newRow("one letter apart") << QStringList{"Ann Lee"} << QStringList{"Anne Lee"} << "";
    QTest::newRow("a word more") << QStringList{"Ann Lee"} << QStringList{"Ann Lee Jr"} << "";
    QTest::newRow("e-mail in capitals") << QStringList{"A", "Email1", "Ann@Example.COM"}
                                        << QStringList{"B", "TelCallback", " ann@example.com"} << "same e-mail";
    QTest::newRow("e-mail with accented capitals") << QStringList{"A", "Email1", "ÉLISE@example.com"}
                                                   << QStringList{"B", "Email2", "élise@EXAMPLE.com"} << "same e-mail";
    QTest::newRow("e-mail of another column") << QStringList{"A", "Email", "ann@example.com"}
                                              << QStringList{"B", "Email2", "ann@example.com"} << "same e-mail";
    QTest::newRow("other e-mail") << QStringList{"A", "Email1", "ann@example.com"}
                                  << QStringList{"B", "Email1", "ann@example.org"} << "";
    QTest::newRow("no address") << QStringList{"A", "Email1", "n/a"} << QStringList{"B", "Email1", "n/a"} << "";
    QTest::newRow("country code") << QStringList{"A", "Mobile", "+1 (555) 123-4567"}
                                  << QStringList{"B", "TelB1", "555-123-4567"} << "same telephone";
    QTest::newRow("international prefix") << QStringList{"A", "PrimaryTel", "0044 20 7946 0958"}
                                          << QStringList{"B", "TelB2", "020 7946 0958"} << "same telephone";
    QTest::newRow("local number") << QStringList{"A", "TelH2", "123-4567"}
                                  << QStringList{"B", "Mobile", "(555) 123-4567"} << "same telephone";
    QTest::newRow("extension") << QStringList{"A", "TelB1", "555 123 4567 ext. 12"}
                               << QStringList{"B", "TelB1", "5551234567"} << "same telephone";
    QTest::newRow("same last seven only")
        << QStringList{"A", "Mobile", "(555) 123-4567"} << QStringList{"B", "Mobile", "(666) 123-4567"} << "";
    QTest::newRow("too short to tell") << QStringList{"A", "Mobile", "12345"} << QStringList{"B", "Mobile", "12345"}
                                       << "";
    QTest::newRow("family sharing a home telephone")
        << QStringList{"John Smith", "TelH1", "555 987 6543", "Email1", "john@example.com"}
        << QStringList{"Mary Smith", "TelH1", "(555) 987-6543", "Email1", "mary@example.com"} << "same telephone";
    QTest::newRow("colleagues sharing the switchboard")
        << QStringList{"A", "TelMain", "555 100 2000"} << QStringList{"B", "TelMain", "555 100 2000"} << "";
    QTest::newRow("colleagues sharing a fax")
        << QStringList{"A", "FaxB1", "555 100 2001"} << QStringList{"B", "FaxB1", "555 100 2001"} << "";
    QTest::newRow("name and e-mail") << QStringList{"Ann Lee", "Email1", "ann@example.com"}
                                     << QStringList{"Lee Ann", "Email2", "ANN@example.com"} << "same name, same e-mail";
}

void TestDuplicates::pairsGoTogetherOrNot()
{
    QFETCH(QStringList, first);
    QFETCH(QStringList, second);
    QFETCH(QString, reason);
    TestDatabase db({personInsert(first.front(), first.mid(1)), personInsert(second.front(), second.mid(1)),
                     personInsert("Somebody Else", {"Email1", "else@example.com", "Mobile", "555 000 0000"})});
    TMainDataModule& dm = db.open();
    QCOMPARE(described(groupsOf(dm)), reason.isEmpty() ? QStringList() : QStringList{"1 2 (" + reason + ")"});
}

// A group holds every contact joined by a chain of matches, whatever joined each link, and only the contacts of
// the current company; groups come in the order of their first contact.
void TestDuplicates::aGroupIsEveryContactJoinedByAChain()
{
    TestDatabase db({personInsert("Carl Ash", {"Email1", "carl@example.com"}),
                     personInsert("Dora Birch", {"Mobile", "555 222 3333"}),
                     personInsert("Carl Ashe", {"Email2", "CARL@example.com", "TelB1", "555-222-3333"}),
                     personInsert("Eve Cedar"), personInsert("Cedar Eve"),
                     "INSERT INTO Companies (Name) VALUES ('Other company')",
                     "INSERT INTO People (CompanyID, Name) VALUES (2, 'Eve Cedar')"});
    TMainDataModule& dm = db.open();
    QCOMPARE(described(groupsOf(dm)), (QStringList{"1 2 3 (same e-mail, same telephone)", "4 5 (same name)"}));
}

// A family sharing a home telephone is one group by that number; "Not the same person" takes one of them out, and
// with only one left the group goes. A contact that joined two others is taken out and the two part.
void TestDuplicates::notTheSamePersonTakesAContactOut()
{
    TestDatabase db(
        {personInsert("John Smith", {"TelH1", "555 987 6543"}), personInsert("Mary Smith", {"TelH1", "(555) 987-6543"}),
         personInsert("Carl Ash", {"Email1", "carl@example.com"}),
         personInsert("Dora Birch", {"Mobile", "555 222 3333"}),
         personInsert("Carl A.", {"Email2", "carl@example.com", "TelB1", "555-222-3333"}), personInsert("Dora Birch")});
    TMainDataModule& dm = db.open();
    TDuplicatesForm form(dm);
    QAbstractItemModelTester tester(form.GroupsGrid->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    form.FindButtonClick();
    QCOMPARE(described(form.groups()), (QStringList{"1 2 (same telephone)", "3 4 5 6 (same name, same e-mail, same "
                                                                            "telephone)"}));
    QCOMPARE(form.GroupsGrid->model()->index(0, 0).data().toString(), QString("John Smith; Mary Smith"));
    QCOMPARE(form.GroupsGrid->model()->index(1, 0).data().toString(), QString("Carl Ash; Dora Birch; Carl A.; ..."));
    QCOMPARE(form.GroupsGrid->model()->index(1, 2).data().toString(), QString("4"));
    QCOMPARE(form.currentGroup(), 0);
    QVERIFY(!form.NotSameButton->isEnabled()); // no contact chosen yet

    selectContactColumn(form, 1);
    form.NotSameButton->click();
    QCOMPARE(described(form.groups()), (QStringList{"3 4 5 6 (same name, same e-mail, same telephone)"}));
    QCOMPARE(form.currentGroup(), 0);
    QCOMPARE(form.comparison().people, (std::vector<qint64>{3, 4, 5, 6}));

    selectContactColumn(form, 2); // Carl A., the link between Carl Ash and Dora Birch
    form.NotSameButton->click();
    QCOMPARE(described(form.groups()), (QStringList{"4 6 (same name)"}));
    QVERIFY(form.MergeButton->isEnabled());

    form.SkipButton->click(); // the only group: it stays
    QCOMPARE(described(form.groups()), (QStringList{"4 6 (same name)"}));
    selectContactColumn(form, 0);
    form.NotSameButton->click();
    QVERIFY(form.groups().empty());
    QCOMPARE(form.ContactsGrid->columnCount(), 0);
    QVERIFY(!form.MergeButton->isEnabled());
    QVERIFY(!form.SkipButton->isEnabled());

    form.FindButtonClick(); // a new search: every contact is back
    QCOMPARE(form.groups().size(), size_t(2));
}

// One column per contact, one row per field filled in at least one; rows that differ stand out with a choice.
// The contact with most fields filled is kept first, each differing field keeps its value or, where empty, the
// first other's; choosing another contact to keep (also through the screen reader's toggle) starts the choices over.
void TestDuplicates::sideBySideShowsWhatIsFilledAndWhereTheyDiffer()
{
    TestDatabase db(annLee());
    TMainDataModule& dm = db.open();
    TDuplicatesForm form(dm);
    form.FindButtonClick();
    QCOMPARE(described(form.groups()), (QStringList{"1 2 3 (same name, same e-mail, same telephone)"}));
    const QModelIndex reason = form.GroupsGrid->model()->index(0, 1);
    QVERIFY(form.GroupsGrid->visualRect(reason).width() >
            form.GroupsGrid->fontMetrics().horizontalAdvance(reason.data().toString())); // shown whole
    QTableWidget* grid = form.ContactsGrid;
    QCOMPARE(grid->columnCount(), 3);
    QCOMPARE(grid->horizontalHeaderItem(2)->text(), QString("Lee, Ann"));
    QStringList rows;
    for (int r = 0; r < grid->rowCount(); ++r) rows << grid->verticalHeaderItem(r)->text();
    QCOMPARE(rows, (QStringList{"Keep this contact", "Name", "Mobile", "Comments", "Job title", "Profession",
                                "Home city", "Home tel 1", "Email 1"}));
    QCOMPARE(form.keptColumn(), 0);
    QVERIFY(choiceAt(form, 0, 0)->isChecked());

    struct Expected {
        const char* field;
        int chosen;
    };
    for (const Expected& e : {Expected{"Name", 0}, Expected{"JobTitle", 0}, Expected{"HACity", 1}, Expected{"TelH1", 2},
                              Expected{"Email1", 0}}) {
        const int f = fieldRow(form, e.field);
        QVERIFY2(f >= 0, e.field);
        QCOMPARE(form.chosenColumn(f), e.chosen);
        QVERIFY(choiceAt(form, f + 1, e.chosen)->isChecked());
        QVERIFY(!choiceAt(form, f + 1, (e.chosen + 1) % 3)->isChecked());
        QVERIFY(grid->item(f + 1, 0)->background().color() != grid->palette().base().color());
    }
    QCOMPARE(choiceAt(form, fieldRow(form, "HACity") + 1, 0)->accessibleName(), QString("Home city of Ann Lee: empty"));

    // Both e-mails read alike to the search, yet they differ as stored: the user chooses.
    const int email = fieldRow(form, "Email1");
    QCOMPARE(choiceAt(form, email + 1, 1)->text(), QString("ANN@example.com"));
    choose(form, email + 1, 1);
    QCOMPARE(form.chosenColumn(email), 1);
    QVERIFY(!choiceAt(form, email + 1, 0)->isChecked());

    QAccessibleInterface* keepThird = QAccessible::queryAccessibleInterface(choiceAt(form, 0, 2));
    QVERIFY(keepThird && keepThird->actionInterface());
    QCOMPARE(keepThird->text(QAccessible::Name), QString("Keep this contact of Lee, Ann: Keep"));
    keepThird->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QCOMPARE(form.keptColumn(), 2);
    QCOMPARE(form.chosenColumn(email), 0); // the kept contact has none: the first other's
    QCOMPARE(form.chosenColumn(fieldRow(form, "JobTitle")), 0);
    QCOMPARE(form.chosenColumn(fieldRow(form, "Profession")), 2);
    QCOMPARE(form.chosenColumn(fieldRow(form, "Name")), 2);
}

// ---------------------------------------------------------------- the merge

// Three records of one person become one: the chosen values stored, every follow-up under the kept contact, the
// answers it lacked and the roles in subprojects it had none in moved to it, the others gone. The Files window,
// the follow-up window and the contact report show the merged contact at once.
void TestDuplicates::mergeMovesEverythingThatNamesTheContacts()
{
    StartedProgram p(annLee());
    QVERIFY(p.started);
    TDuplicatesForm& form = *p.program.duplicates();
    form.FindButtonClick();
    choose(form, fieldRow(form, "JobTitle") + 1, 1); // "Head buyer"
    p.messages.answers.push_back(MessageAnswer::Ok);
    form.MergeButton->click();
    QCOMPARE(p.messages.texts(), QStringList{"2 contacts will be merged into Ann Lee; their 3 follow-ups move to Ann "
                                             "Lee; the other contacts are deleted."});
    QCOMPARE(p.messages.shown.front().kind, MessageKind::Confirmation);
    QVERIFY(form.groups().empty());

    const TestDatabase& db = p.db;
    QCOMPARE(db.rows("SELECT PersonID, Name, Email1, Mobile, JobTitle, Info, HACity, TelH1, Profession FROM People"),
             (QList<QVariantList>{{1, "Ann Lee", "ann@example.com", "555 123 4567", "Head buyer", "Met in May",
                                   "Springfield", "+1 555-123-4567", "Engineer"},
                                  {4, "Bob Stone", "bob@example.com", QVariant(), QVariant(), QVariant(), QVariant(),
                                   QVariant(), QVariant()}}));
    QCOMPARE(db.rows("SELECT PersonID, FUDescription FROM PeopleFollowUp ORDER BY ID"),
             (QList<QVariantList>{
                 {1, "first call"}, {1, "offer sent"}, {1, "visit"}, {1, "trade fair"}, {4, "Bob's call"}}));
    QCOMPARE(db.rows("SELECT PersonID, QuestionID, Answer FROM QuestionsMain ORDER BY QuestionID"),
             (QList<QVariantList>{{1, 1, 0}, {1, 2, 1}, {1, 3, 1}, {1, 4, 1}}));
    QCOMPARE(db.rows("SELECT PersonID, SubProjectID, SPWeight FROM Business ORDER BY SubProjectID"),
             (QList<QVariantList>{{1, 1, 60}, {1, 2, 20}}));

    TMainDataModule& dm = *p.dm;
    QCOMPARE(dm.PeopleCompanyDet->recordCount(), 2);
    QCOMPARE(dm.PeopleCompanyDet->text("JobTitle"), QString("Head buyer"));
    QCOMPARE(dm.FollowUp->recordCount(), 4);
    QString shownName;
    auto files = whenModal([&](QWidget* w) {
        shownName = p.files->NameEdit->text() + " / " + findNamed<QLineEdit>(p.files, "JobTitle")->text();
        w->close();
    });
    p.files->showContactsPage(1);
    QVERIFY2(files->ok(), files->failure());
    QCOMPARE(shownName, QString("Ann Lee / Head buyer"));
    int followUpRows = -1;
    auto followUps = whenModal([&](QWidget* w) {
        followUpRows = p.program.followUp()->FollowUpGrid->model()->rowCount();
        w->close();
    });
    p.program.followUp()->ShowModal();
    QVERIFY2(followUps->ok(), followUps->failure());
    QCOMPARE(followUpRows, 4);
    RecordingPreviewer previewer;
    p.program.printContactReport();
    const QString report = previewer.lastText().join('\n');
    QVERIFY2(report.contains("Head buyer") && report.contains("Springfield") && report.contains("Engineer"),
             qPrintable(report));
}

void TestDuplicates::mergeRefusedWhenAnotherCopyChangedAContact_data()
{
    QTest::addColumn<QString>("change"); // SQL of another copy, or "process" for the writing process
    QTest::newRow("the kept contact, a field the merge does not write")
        << "UPDATE People SET Spouse = 'Jim' WHERE PersonID = 1";
    QTest::newRow("a contact merged into it") << "UPDATE People SET Info = 'new' WHERE PersonID = 3";
    QTest::newRow("a contact deleted") << "DELETE FROM People WHERE PersonID = 2";
    QTest::newRow("another process writing") << "process";
}

// A change another copy of the program made after the search to any contact of the group refuses the merge with
// the save's own message; nothing changes, the side by side shows the file's values, and a new search merges.
void TestDuplicates::mergeRefusedWhenAnotherCopyChangedAContact()
{
    QFETCH(QString, change);
    ScriptedMessages messages;
    TestDatabase db(annLee());
    TMainDataModule& dm = db.open();
    TDuplicatesForm form(dm);
    form.FindButtonClick();
    if (change == "process") {
        // It changes every 37th contact per commit, from the first on: after four commits Ann's three are changed.
        OtherProcess writer("write", db.path());
        QVERIFY(writer.ready());
        QTRY_VERIFY_WITH_TIMEOUT(writer.commits() >= 4, 20000);
    } else {
        db.execute({change});
    }
    const auto before = snapshot(db);
    messages.answers.push_back(MessageAnswer::Ok);
    form.MergeButton->click();
    QCOMPARE(messages.texts().size(), 2);
    QCOMPARE(messages.texts().at(1), RowNotLocatedText);
    QCOMPARE(messages.shown.at(1).kind, MessageKind::Error);
    QCOMPARE(snapshot(db), before);
    QCOMPARE(dm.PeopleCompanyDet->recordCount(), int(before.at("People").size()));
    QCOMPARE(dm.FollowUp->isEditing(), false);

    messages.shown.clear();
    form.FindButtonClick();
    messages.answers.push_back(MessageAnswer::Ok);
    form.MergeButton->click();
    QCOMPARE(messages.shown.size(), size_t(1));
    QCOMPARE(db.scalar("SELECT count(*) FROM People WHERE Name LIKE '%Lee%'").toInt(), 1);
    QCOMPARE(db.scalar("SELECT count(*) FROM PeopleFollowUp WHERE PersonID = 1").toInt(),
             change.startsWith("DELETE") ? 2 : 4);
}

void TestDuplicates::mergeTakesTheRowsAnotherCopyAddedOrRemoved_data()
{
    QTest::addColumn<QString>("change"); // SQL of another copy, after the search
    QTest::addColumn<int>("followUps");  // of the kept contact afterwards
    QTest::newRow("a follow-up added") << "INSERT INTO PeopleFollowUp (PersonID, FUDescription) VALUES (3, 'late')"
                                       << 5;
    QTest::newRow("a follow-up deleted") << "DELETE FROM PeopleFollowUp WHERE FUDescription = 'visit'" << 3;
    QTest::newRow("an answer added") << "INSERT INTO QuestionsMain (PersonID, QuestionID, Answer) VALUES (3, 5, 1)"
                                     << 4;
    QTest::newRow("a role added") << "INSERT INTO Business (PersonID, SubProjectID, SPWeight) VALUES (3, 3, 5)" << 4;
}

// Rows of the group's contacts that another copy added or deleted after the search: the merge moves what the file
// holds, leaves nothing naming a deleted contact, and the windows show the file's rows.
void TestDuplicates::mergeTakesTheRowsAnotherCopyAddedOrRemoved()
{
    QFETCH(QString, change);
    QFETCH(int, followUps);
    ScriptedMessages messages;
    TestDatabase db(annLee());
    TMainDataModule& dm = db.open();
    TDuplicatesForm form(dm);
    form.FindButtonClick();
    db.execute({change});
    messages.answers.push_back(MessageAnswer::Ok);
    form.MergeButton->click();
    QVERIFY2(messages.texts().size() == 1, qPrintable(messages.texts().join('|')));
    for (const QString& table : {"PeopleFollowUp", "QuestionsMain", "Business"})
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM %1 WHERE PersonID IN (2, 3)").arg(table)).toInt(), 0);
    QCOMPARE(db.scalar("SELECT count(*) FROM PeopleFollowUp WHERE PersonID = 1").toInt(), followUps);
    QCOMPARE(dm.PeopleCompanyDet->text("Name"), QString("Ann Lee"));
    QCOMPARE(dm.FollowUp->recordCount(), followUps);
}

// Another process keeps adding contacts while the merge runs: the merge waits its turn for the file, changes
// nothing of theirs and moves every follow-up.
void TestDuplicates::mergeWhileAnotherProcessWrites()
{
    ScriptedMessages messages;
    TestDatabase db(annLee());
    TMainDataModule& dm = db.open();
    dm.MainADOConnection->setBusyTimeout(10000); // as long as the other process waits for us
    TDuplicatesForm form(dm);
    int added = 0;
    {
        OtherProcess adder("add", db.path());
        QVERIFY(adder.ready());
        QTRY_VERIFY_WITH_TIMEOUT(adder.commits() >= 2, 20000);
        form.FindButtonClick();
        QCOMPARE(described(form.groups()), (QStringList{"1 2 3 (same name, same e-mail, same telephone)"}));
        messages.answers.push_back(MessageAnswer::Ok);
        form.MergeButton->click();
        QVERIFY2(messages.texts().size() == 1, qPrintable(messages.texts().join('|')));
        const int seen = adder.commits();
        QTRY_VERIFY_WITH_TIMEOUT(adder.commits() > seen, 20000); // it went on meanwhile
        adder.stop();
        added = adder.commits();
    }
    QCOMPARE(db.scalar("SELECT count(*) FROM People WHERE Name LIKE 'Writer %'").toInt(), added);
    QCOMPARE(db.rows("SELECT PersonID, count(*) FROM PeopleFollowUp GROUP BY PersonID"),
             (QList<QVariantList>{{1, 4}, {4, 1}}));
    QCOMPARE(db.scalar("SELECT count(*) FROM QuestionsMain WHERE PersonID <> 1").toInt(), 0);
    dm.FollowUp->refresh();
    QCOMPARE(dm.FollowUp->recordCount(), 4);
}

void TestDuplicates::failureAtAnyStepLeavesNothingMerged_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("nth"); // the step fails at this statement of its kind; 0 for the commit
    QTest::newRow("kept contact's values") << "UPDATE"
                                           << "People" << 1;
    QTest::newRow("kept contact's open answer") << "UPDATE"
                                                << "QuestionsMain" << 1;
    QTest::newRow("first follow-up") << "UPDATE"
                                     << "PeopleFollowUp" << 1;
    QTest::newRow("second follow-up") << "UPDATE"
                                      << "PeopleFollowUp" << 2;
    QTest::newRow("role moved") << "UPDATE"
                                << "Business" << 1;
    QTest::newRow("role the kept contact has") << "DELETE"
                                               << "Business" << 1;
    QTest::newRow("answer moved") << "UPDATE"
                                  << "QuestionsMain" << 2;
    QTest::newRow("answer the kept contact has") << "DELETE"
                                                 << "QuestionsMain" << 1;
    QTest::newRow("first contact deleted") << "DELETE"
                                           << "People" << 1;
    QTest::newRow("last follow-up") << "UPDATE"
                                    << "PeopleFollowUp" << 3;
    QTest::newRow("last answer moved") << "UPDATE"
                                       << "QuestionsMain" << 3;
    QTest::newRow("last contact deleted") << "DELETE"
                                          << "People" << 2;
    QTest::newRow("commit") << "COMMIT"
                            << "" << 0;
}

// Whichever step fails, the file holds what it held, the datasets show just that, the user is told, and the same
// merge succeeds once the fault is gone.
void TestDuplicates::failureAtAnyStepLeavesNothingMerged()
{
    QFETCH(QString, operation);
    QFETCH(QString, table);
    QFETCH(int, nth);
    ScriptedMessages messages;
    TestDatabase db(annLee());
    TMainDataModule& dm = db.open();
    Connection& connection = *dm.MainADOConnection;
    TDuplicatesForm form(dm);
    form.FindButtonClick();
    const auto before = snapshot(db);
    {
        std::unique_ptr<OtherProcess> reader;
        if (nth == 0) {
            // It reads until our wait for the commit's lock runs out.
            connection.setBusyTimeout(100);
            reader = std::make_unique<OtherProcess>("read", db.path());
            QVERIFY(reader->ready());
        } else {
            failStep(connection, operation, table, nth);
        }
        messages.answers.push_back(MessageAnswer::Ok);
        form.MergeButton->click();
        letStepsPass(connection);
    }
    QCOMPARE(messages.texts().size(), 2);
    QCOMPARE(messages.texts().at(1), nth == 0 ? QString("database is locked") : QString("step failed"));
    QVERIFY(sqlite3_get_autocommit(connection.handle()));
    QCOMPARE(snapshot(db), before);
    QCOMPARE(dm.PeopleCompanyDet->recordCount(), 4);
    QCOMPARE(form.comparison().people.size(), size_t(3));
    int followUps = 0;
    for (dm.PeopleCompanyDet->first(); !dm.PeopleCompanyDet->atEnd(); dm.PeopleCompanyDet->next())
        followUps += dm.FollowUp->recordCount();
    QCOMPARE(followUps, 5);

    connection.setBusyTimeout(5000);
    messages.answers.push_back(MessageAnswer::Ok);
    form.MergeButton->click();
    QCOMPARE(messages.texts().size(), 3);
    QCOMPARE(db.rows("SELECT PersonID, count(*) FROM PeopleFollowUp GROUP BY PersonID"),
             (QList<QVariantList>{{1, 4}, {4, 1}}));
    QCOMPARE(db.rows("SELECT QuestionID, Answer FROM QuestionsMain WHERE PersonID = 1 ORDER BY QuestionID"),
             (QList<QVariantList>{{1, 0}, {2, 1}, {3, 1}, {4, 1}}));
    QCOMPARE(db.scalar("SELECT count(*) FROM People").toInt(), 2);
}

// The real question box: Escape cancels and nothing is merged, Enter takes the default, OK, and the merge runs.
void TestDuplicates::realConfirmationBoxAnswersByKey()
{
    TestDatabase db(annLee());
    TMainDataModule& dm = db.open();
    TDuplicatesForm form(dm);
    form.show();
    form.FindButtonClick();
    QString asked;
    for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
        auto modal = whenModal([&](QWidget* w) {
            if (auto* box = qobject_cast<QMessageBox*>(w)) asked = box->text();
            QTest::keyClick(w, key);
        });
        form.MergeButton->click();
        QVERIFY2(modal->ok(), modal->failure());
        QCOMPARE(asked, QString("2 contacts will be merged into Ann Lee; their 3 follow-ups move to Ann Lee; the other "
                                "contacts are deleted."));
        QCOMPARE(db.scalar("SELECT count(*) FROM People").toInt(), key == Qt::Key_Escape ? 4 : 2);
    }
}

// The window by keyboard alone: Tab leaves the list of groups for the choices, in reading order, and goes on to the
// buttons; the arrow keys choose within a row and Space chooses; a choice reached below the visible rows is
// scrolled into view.
void TestDuplicates::chosenByKeyboardAlone()
{
    TestDatabase db(annLee());
    TMainDataModule& dm = db.open();
    TDuplicatesForm form(dm);
    form.resize(780, 420); // fewer rows than the side by side has
    form.show();
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.FindButtonClick();
    form.GroupsGrid->setFocus();
    const auto press = [](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    };
    const auto focusedRow = [] { return QApplication::focusWidget()->objectName().section('_', 0, 0); };
    QStringList order, expected;
    for (int row = 0; row < form.ContactsGrid->rowCount(); ++row)
        if (choiceAt(form, row, 0)) expected << QStringLiteral("Choice%1").arg(row);
    expected << "MergeButton";
    for (int i = 0; i < 40 && QApplication::focusWidget() != form.MergeButton; ++i) {
        press(Qt::Key_Tab);
        order << focusedRow();
    }
    QCOMPARE(order, expected); // one stop a row, the rows where the contacts agree have none

    const int email = fieldRow(form, "Email1"), city = fieldRow(form, "HACity");
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(focusedRow(), QStringLiteral("Choice%1").arg(email + 1));
    QVERIFY(form.ContactsGrid->viewport()->rect().contains(QApplication::focusWidget()->geometry()));
    press(Qt::Key_Right);
    QCOMPARE(form.chosenColumn(email), 1);

    while (focusedRow() != QStringLiteral("Choice%1").arg(city + 1)) press(Qt::Key_Backtab, Qt::ShiftModifier);
    const int focusedColumn = QApplication::focusWidget()->objectName().section('_', 1).toInt();
    press(Qt::Key_Space);
    QCOMPARE(form.chosenColumn(city), focusedColumn);

    while (focusedRow() != "Choice0") press(Qt::Key_Backtab, Qt::ShiftModifier);
    QVERIFY(form.ContactsGrid->viewport()->rect().contains(QApplication::focusWidget()->geometry()));
    QCOMPARE(form.keptColumn(), 0);
    press(Qt::Key_Right);
    QCOMPARE(form.keptColumn(), 1);
    QCOMPARE(form.chosenColumn(city), 1); // another contact kept: the choices start over
}

// A group larger than the side by side holds is merged ten contacts at a time; the rest stay grouped with the
// contact kept.
void TestDuplicates::largeGroupIsMergedTenAtATime()
{
    QStringList rows;
    for (int i = 1; i <= 12; ++i)
        rows << personInsert(i % 2 ? "Pat Quinn" : "QUINN, PAT", {"Info", QString::number(i)});
    ScriptedMessages messages;
    TestDatabase db(rows);
    TMainDataModule& dm = db.open();
    TDuplicatesForm form(dm);
    form.FindButtonClick();
    QCOMPARE(form.ContactsGrid->columnCount(), TDuplicatesForm::MostShown);
    QVERIFY(!form.ShownLabel->isHidden());
    QCOMPARE(form.ShownLabel->text(),
             QString("The first 10 of the group's 12 contacts are shown; Merge merges these."));
    messages.answers.push_back(MessageAnswer::Ok);
    form.MergeButton->click();
    QCOMPARE(messages.texts().front(),
             QString("9 contacts will be merged into Pat Quinn; their 0 follow-ups move to Pat "
                     "Quinn; the other contacts are deleted."));
    QCOMPARE(described(form.groups()), (QStringList{"1 11 12 (same name)"}));
    QVERIFY(form.ShownLabel->isHidden());
    messages.answers.push_back(MessageAnswer::Ok);
    form.MergeButton->click();
    QCOMPARE(messages.texts().back(),
             QString("2 contacts will be merged into Pat Quinn; their 0 follow-ups move to Pat "
                     "Quinn; the other contacts are deleted."));
    QVERIFY(form.groups().empty());
    QCOMPARE(db.rows("SELECT PersonID, Info FROM People"), (QList<QVariantList>{{1, "1"}}));
}

// A long search shows how far it is; Cancel stops it and leaves no groups.
void TestDuplicates::searchShowsProgressAndCanBeCancelled()
{
    TestDatabase db({"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 9000) "
                     "INSERT INTO People (CompanyID, Name) SELECT 1, 'Person ' || i FROM n",
                     personInsert("Person 1")});
    TMainDataModule& dm = db.open();
    TDuplicatesForm form(dm);
    WorkProgress::setTiming({0, 0});
    QStringList seen;
    bool cancel = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QProgressDialog*>(w); dialog && dialog->isVisible()) {
                seen << dialog->windowTitle() + ": " + dialog->labelText();
                if (cancel) QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
            }
    });
    watch.start(0);
    form.FindButtonClick();
    QCOMPARE(described(form.groups()), (QStringList{"1 9001 (same name)"}));
    QVERIFY2(seen.contains("Finding duplicate contacts: 8192 contact(s) compared."), qPrintable(seen.join('|')));

    cancel = true;
    form.FindButtonClick();
    watch.stop();
    WorkProgress::setTiming({});
    QVERIFY(form.groups().empty());
    QCOMPARE(form.StatusLabel->text(), QString("The search was cancelled."));
}

// Tools -> "Find duplicate contacts...", with its own letter key among the menu's, opens the window modally and
// searches at once; with no contacts it says so and opens nothing.
void TestDuplicates::menuItemOpensTheWindow()
{
    {
        StartedProgram empty;
        QVERIFY(empty.started);
        empty.program.mainWindow()->FindDuplicatesItem->trigger();
        QCOMPARE(empty.messages.texts(), QStringList{"The database is empty."});
    }
    StartedProgram p(annLee());
    QVERIFY(p.started);
    QAction* item = p.program.mainWindow()->FindDuplicatesItem;
    QCOMPARE(item->text(), QString("Find &duplicate contacts..."));
    QStringList keys;
    for (QAction* a : p.program.mainWindow()->findChild<QMenu*>("ToolsMenu")->actions())
        if (!a->isSeparator()) keys << QKeySequence::mnemonic(a->text()).toString().toLower();
    QCOMPARE(keys.removeDuplicates(), qsizetype(0));
    QString shown;
    auto modal = whenModal([&](QWidget* w) {
        auto* form = qobject_cast<TDuplicatesForm*>(w);
        for (int i = 0; form && i < 100 && form->groups().empty(); ++i) QTest::qWait(10);
        if (form) shown = w->objectName() + ": " + form->StatusLabel->text();
        w->close();
    });
    item->trigger();
    QVERIFY2(modal->ok(), modal->failure());
    QCOMPARE(shown, QString("TDuplicatesForm: 1 group(s) of possible duplicates among 4 contacts."));
}

QTEST_MAIN(TestDuplicates)
#include "test_duplicates.moc"

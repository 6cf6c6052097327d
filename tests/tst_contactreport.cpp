// The contact report, read back from the composed pages: its captions and values in order, and its tactics.

#include "analysis/RetailForm.h"
#include "analysis/Tactics.h"
#include "data/Dataset.h"
#include "platform/Clock.h"
#include "reports/QVPersons.h"
#include "tests/support/RecordingPreviewer.h"
#include "tests/support/TestSupport.h"

#include <QtTest>

using namespace qv;

namespace {

// Every text field of a contact, with a value that tells it apart.
const QStringList filledContact = {"Title",
                                   "Mr.",
                                   "Gender",
                                   "Male",
                                   "PersonType",
                                   "Customer",
                                   "CustoemrImportance",
                                   "High",
                                   "Language",
                                   "English, French",
                                   "Household",
                                   "Full nest I",
                                   "Spouse",
                                   "Mary Doe",
                                   "Children",
                                   "Tom, Lisa",
                                   "HAStreet",
                                   "12 Elm Street",
                                   "HACity",
                                   "Springfield",
                                   "HAState",
                                   "IL",
                                   "HAPostalCode",
                                   "62704",
                                   "HACountry",
                                   "USA",
                                   "HAPostOfficeBox",
                                   "PO 77",
                                   "PrimaryTel",
                                   "555-0100",
                                   "Mobile",
                                   "555-0101",
                                   "TelH1",
                                   "555-0102",
                                   "TelH2",
                                   "555-0103",
                                   "FaxH",
                                   "555-0104",
                                   "Telex",
                                   "TX-9",
                                   "Email1",
                                   "john@home.example",
                                   "Email2",
                                   "jd@mail.example",
                                   "HomePage",
                                   "www.doe.example",
                                   "ProspectingMethod",
                                   "Referrals",
                                   "Innovation",
                                   "Early adopters",
                                   "ApproachType",
                                   "Telephone",
                                   "Ethnic",
                                   "Italian food",
                                   "Hobbies",
                                   "Sailing",
                                   "Profession",
                                   "Engineer",
                                   "JobTitle",
                                   "Head of IT",
                                   "Company",
                                   "Acme Corp",
                                   "Department",
                                   "Purchasing",
                                   "CompanySize",
                                   "51-200",
                                   "Industry",
                                   "Manufacturing",
                                   "EducationLevel",
                                   "Masters",
                                   "Income",
                                   "$50,000-$75,000",
                                   "BAStreet",
                                   "1 Industrial Way",
                                   "BACity",
                                   "Shelbyville",
                                   "BAState",
                                   "IN",
                                   "BAPostalCode",
                                   "46176",
                                   "BACountry",
                                   "USA",
                                   "BAPostOfficeBox",
                                   "PO 5",
                                   "MailingAddress",
                                   "Business",
                                   "BillingAddress",
                                   "Home",
                                   "TelMain",
                                   "555-0200",
                                   "TelCallback",
                                   "orders@acme.example",
                                   "TelB1",
                                   "555-0201",
                                   "TelB2",
                                   "555-0202",
                                   "Ext",
                                   "42",
                                   "FaxB1",
                                   "555-0203",
                                   "FaxB2",
                                   "555-0204",
                                   "WebPage",
                                   "www.acme.example",
                                   "AssistantName",
                                   "Sue Smith",
                                   "ManagerName",
                                   "Bob Brown",
                                   "Info",
                                   "Prefers morning calls"};

// The report's texts as a reader sees them, top to bottom.
const QStringList filledReport = {"Contact Report",
                                  "6/1/2026, 3:04:05 PM",
                                  "Title",
                                  "Mr.",
                                  "Name",
                                  "John Doe",
                                  "Gender",
                                  "Male",
                                  "Type",
                                  "Customer",
                                  "Importance",
                                  "High",
                                  "Language(s)",
                                  "English, French",
                                  "Lifecycle Position",
                                  "Full nest I",
                                  "Spouse/Partner",
                                  "Mary Doe",
                                  "Children",
                                  "Tom, Lisa",
                                  "Birthday",
                                  "5/17/1970",
                                  "Anniversary",
                                  "6/20/1995 6:30:00 PM",
                                  "Home Address",
                                  "12 Elm Street",
                                  "Springfield",
                                  "IL",
                                  "62704",
                                  "USA",
                                  "PO 77",
                                  "Home and personal telephone(s), fax, email(s), and URL",
                                  "Primary Tel",
                                  "555-0100",
                                  "Mobile",
                                  "555-0101",
                                  "Tel 1",
                                  "555-0102",
                                  "Tel 2",
                                  "555-0103",
                                  "Fax",
                                  "555-0104",
                                  "Telex",
                                  "TX-9",
                                  "Email 1",
                                  "john@home.example",
                                  "Email 2",
                                  "jd@mail.example",
                                  "Home Page",
                                  "www.doe.example",
                                  "Prospecting Method",
                                  "Referrals",
                                  "Diffusion of Innovation",
                                  "Early adopters",
                                  "First Time Approach Method",
                                  "Telephone",
                                  "Ethnic Interest",
                                  "Italian food",
                                  "Hobbies",
                                  "Sailing",
                                  "Profession",
                                  "Engineer",
                                  "Job Title",
                                  "Head of IT",
                                  "Company",
                                  "Acme Corp",
                                  "Department",
                                  "Purchasing",
                                  "Company Size",
                                  "51-200",
                                  "Industry",
                                  "Manufacturing",
                                  "Education",
                                  "Masters",
                                  "Income",
                                  "$50,000-$75,000",
                                  "Business Address",
                                  "1 Industrial Way",
                                  "Shelbyville",
                                  "IN",
                                  "46176",
                                  "USA",
                                  "PO 5",
                                  "Mailing Address",
                                  "Business",
                                  "Billing Address",
                                  "Home",
                                  "Business telephone(s), fax(es), and URL",
                                  "Main Tel",
                                  "555-0200",
                                  "Email",
                                  "orders@acme.example",
                                  "Tel 1",
                                  "555-0201",
                                  "Tel 2",
                                  "555-0202",
                                  "Ext",
                                  "42",
                                  "Fax 1",
                                  "555-0203",
                                  "Fax 2",
                                  "555-0204",
                                  "Web Site",
                                  "www.acme.example",
                                  "Assistant Name",
                                  "Sue Smith",
                                  "Manager Name",
                                  "Bob Brown",
                                  "Comments",
                                  "Prefers morning calls",
                                  "Suggested Tactics"};

QString filledInsert()
{
    QStringList pairs = filledContact;
    pairs << "Birthday"
          << "1970-05-17 00:00:00"
          << "Anniversary"
          << "1995-06-20 18:30:00";
    return test::personInsert("John Doe", pairs);
}

QStringList captionsOnly(const QStringList& report)
{
    // The texts of the empty contact: every caption and heading, each value empty.
    QStringList out;
    const QStringList values = filledContact;
    for (const QString& text : report) {
        const int at = values.indexOf(text);
        const bool isValue =
            (at >= 0 && at % 2 == 1) || text == "John Doe" || text == "5/17/1970" || text == "6/20/1995 6:30:00 PM";
        out << (isValue ? QString() : text);
    }
    return out;
}

} // namespace

class ContactReportTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::useUnitedStatesLocale(); }
    void init() { clock::setFixed(QDateTime(QDate(2026, 6, 1), QTime(15, 4, 5))); }
    void cleanup() { clock::setFixed({}); }

    void filledContactPrintsEveryFieldInOrder();
    void emptyContactPrintsCaptionsAndTheMissingAnswersLine();
    void tacticsMatchTheWindowAndFollowTheHeading();
    void noContactGivesMessageAndNoPreview();
    void pendingEditIsPostedFirst();
};

void ContactReportTest::filledContactPrintsEveryFieldInOrder()
{
    test::TestDatabase db({filledInsert()});
    TMainDataModule& dm = db.open();
    TRetail retail(dm);
    test::RecordingPreviewer previewer;
    printContactReport(dm, [&] { return retail.prepareAndCalculate(); });
    QCOMPARE(previewer.reports.size(), size_t(1));
    QCOMPARE(previewer.lastText(), filledReport + QStringList{personality::NoTacticsLine});
}

void ContactReportTest::emptyContactPrintsCaptionsAndTheMissingAnswersLine()
{
    test::TestDatabase db({test::personInsert("John Doe")});
    TMainDataModule& dm = db.open();
    dm.PeopleCompanyDet->first();
    TRetail retail(dm);
    test::RecordingPreviewer previewer;
    contactReportClick(dm, [&] { return retail.prepareAndCalculate(); });
    QStringList expected = captionsOnly(filledReport);
    expected[5] = "John Doe";
    QCOMPARE(previewer.lastText(), expected + QStringList{personality::NoTacticsLine});
    const qint64 id = dm.PeopleCompanyDet->asInteger("PersonID");
    QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM QuestionsMain WHERE PersonID = %1 AND Answer = -1").arg(id))
                 .toInt(),
             24);
}

void ContactReportTest::tacticsMatchTheWindowAndFollowTheHeading()
{
    test::TestDatabase db({test::personInsert("Ann")});
    TMainDataModule& dm = db.open();
    TRetail retail(dm);
    retail.prepareAndCalculate();
    const qint64 id = dm.PeopleCompanyDet->asInteger("PersonID");
    db.execute({QStringLiteral("UPDATE QuestionsMain SET Answer = 1 WHERE PersonID = %1").arg(id)});
    test::RecordingPreviewer previewer;
    contactReportClick(dm, [&] { return retail.prepareAndCalculate(); });
    const QStringList text = previewer.lastText();
    const int heading = int(text.indexOf("Suggested Tactics"));
    QVERIFY(heading > 0);
    QCOMPARE(text.mid(heading + 1), retail.tactics());
    QCOMPARE(retail.tactics().size(), 16);
    // The window shows the same list the report printed.
    QCOMPARE(retail.tactics(), personality::computeTactics(retail.answers()).lines);
}

void ContactReportTest::noContactGivesMessageAndNoPreview()
{
    test::TestDatabase db;
    TMainDataModule& dm = db.open();
    TRetail retail(dm);
    test::RecordingPreviewer previewer;
    test::ScriptedMessages messages;
    bool asked = false;
    contactReportClick(dm, [&] {
        asked = true;
        return QStringList();
    });
    QCOMPARE(messages.texts(), QStringList{"No record selected."});
    QCOMPARE(messages.shown.at(0).kind, MessageKind::Error);
    QVERIFY(previewer.reports.empty());
    QVERIFY(!asked);
}

void ContactReportTest::pendingEditIsPostedFirst()
{
    test::TestDatabase db({test::personInsert("Ann")});
    TMainDataModule& dm = db.open();
    TRetail retail(dm);
    dm.PeopleCompanyDet->edit();
    dm.PeopleCompanyDet->setValue("Profession", "Pilot");
    test::RecordingPreviewer previewer;
    contactReportClick(dm, [&] { return retail.prepareAndCalculate(); });
    QVERIFY(previewer.lastText().contains("Pilot"));
    QCOMPARE(db.scalar("SELECT Profession FROM People").toString(), QStringLiteral("Pilot"));
    QCOMPARE(dm.PeopleCompanyDet->state(), DatasetState::Browse);
}

QTEST_MAIN(ContactReportTest)
#include "tst_contactreport.moc"

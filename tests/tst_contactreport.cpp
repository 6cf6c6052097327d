// The contact report as the contacts toolbar's "Report" produces it, read back from the composed pages: its
// captions and values in order, its tactics, and values of every length printed whole.

#include "analysis/RetailForm.h"
#include "analysis/Tactics.h"
#include "app/Program.h"
#include "data/Dataset.h"
#include "data/Domains.h"
#include "platform/Clock.h"
#include "platform/ProgramEnd.h"
#include "platform/RecordToolbar.h"
#include "platform/ReportLayout.h"
#include "records/ContactPages.h"
#include "records/DataEntry.h"
#include "tests/support/RecordingPreviewer.h"
#include "tests/support/ReportChecks.h"
#include "tests/support/StartedProgram.h"

#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>
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

// The program started on a database, its "Files" window shown on the contacts page: "Report" is clicked there.
struct Started : test::StartedProgram {
    explicit Started(const QStringList& rows) : StartedProgram(rows)
    {
        if (!started) qFatal("the program did not start");
        files->show();
    }
    void clickReport() { QTest::mouseClick(files->ContactToolbar->button("Report"), Qt::LeftButton); }
};

// The widest text a field can hold: its declared width in the widest letter.
QString widestText(const Dataset& people, const QString& field)
{
    return QStringLiteral("W").repeated(people.declaredWidth(field));
}

// The longest entry of each field that takes its values from a pick list.
const QList<std::pair<const char*, const QStringList& (*)()>> pickListFields = {
    {"Title", qv::domains::title},
    {"Gender", qv::domains::gender},
    {"PersonType", qv::domains::personType},
    {"CustoemrImportance", qv::domains::importance},
    {"Household", qv::domains::household},
    {"ProspectingMethod", qv::domains::prospectingMethod},
    {"Innovation", qv::domains::innovation},
    {"ApproachType", qv::domains::approachType},
    {"CompanySize", qv::domains::companySize},
    {"Industry", qv::domains::industry},
    {"EducationLevel", qv::domains::educationLevel},
    {"Income", qv::domains::income},
    {"MailingAddress", qv::domains::addressChoice},
    {"BillingAddress", qv::domains::addressChoice},
};

} // namespace

class ContactReportTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::useUnitedStatesLocale(); }
    void init()
    {
        clock::setFixed(QDateTime(QDate(2026, 6, 1), QTime(15, 4, 5)));
        resetProgramEndRequest();
    }
    void cleanup() { clock::setFixed({}); }

    void filledContactPrintsEveryFieldInOrder();
    void emptyContactPrintsCaptionsAndTheMissingAnswersLine();
    void tacticsMatchTheWindowAndFollowTheHeading();
    void noContactGivesMessageAndNoPreview_data();
    void noContactGivesMessageAndNoPreview();
    void pendingEditIsPostedFirst();
    void longestValuesArePrintedWhole_data();
    void longestValuesArePrintedWhole();
};

void ContactReportTest::filledContactPrintsEveryFieldInOrder()
{
    Started s({filledInsert()});
    test::RecordingPreviewer previewer;
    s.clickReport();
    QCOMPARE(previewer.reports.size(), size_t(1));
    QCOMPARE(previewer.lastText(), filledReport + QStringList{personality::NoTacticsLine});
    QVERIFY(previewer.reports.back().clippedTexts().empty());
    QCOMPARE(s.messages.texts(), QStringList());
}

void ContactReportTest::emptyContactPrintsCaptionsAndTheMissingAnswersLine()
{
    Started s({test::personInsert("John Doe")});
    test::RecordingPreviewer previewer;
    s.clickReport();
    QStringList expected = captionsOnly(filledReport);
    expected[5] = "John Doe";
    QCOMPARE(previewer.lastText(), expected + QStringList{personality::NoTacticsLine});
    const qint64 id = s.dm->PeopleCompanyDet->asInteger("PersonID");
    QCOMPARE(
        s.db.scalar(QStringLiteral("SELECT count(*) FROM QuestionsMain WHERE PersonID = %1 AND Answer = -1").arg(id))
            .toInt(),
        24);
}

void ContactReportTest::tacticsMatchTheWindowAndFollowTheHeading()
{
    Started s({test::personInsert("Ann")});
    TRetail* retail = s.program.retail();
    retail->prepareAndCalculate();
    const qint64 id = s.dm->PeopleCompanyDet->asInteger("PersonID");
    s.db.execute({QStringLiteral("UPDATE QuestionsMain SET Answer = 1 WHERE PersonID = %1").arg(id)});
    test::RecordingPreviewer previewer;
    s.clickReport();
    const QStringList text = previewer.lastText();
    const int heading = int(text.indexOf("Suggested Tactics"));
    QVERIFY(heading > 0);
    QCOMPARE(text.mid(heading + 1), retail->tactics());
    QCOMPARE(retail->tactics().size(), 16);
    // The window shows the same list the report printed.
    QCOMPARE(retail->tactics(), personality::computeTactics(retail->answers()).lines);
}

// No contact, also while a new one with a blank name is being entered (its post is refused, so the count stays
// 0): the message, no preview, and no tactics computed.
void ContactReportTest::noContactGivesMessageAndNoPreview_data()
{
    QTest::addColumn<bool>("newContact");
    QTest::newRow("empty company") << false;
    QTest::newRow("a new contact without a name") << true;
}

void ContactReportTest::noContactGivesMessageAndNoPreview()
{
    QFETCH(bool, newContact);
    Started s({});
    if (newContact) QTest::mouseClick(s.files->ContactToolbar->button("New record"), Qt::LeftButton);
    test::RecordingPreviewer previewer;
    s.clickReport();
    QCOMPARE(s.messages.texts(), QStringList{"No record selected."});
    QCOMPARE(s.messages.shown.at(0).kind, MessageKind::Error);
    QVERIFY(previewer.reports.empty());
    QCOMPARE(s.db.scalar("SELECT count(*) FROM QuestionsMain").toInt(), 0);
    QCOMPARE(s.db.scalar("SELECT count(*) FROM People").toInt(), 0);
}

void ContactReportTest::pendingEditIsPostedFirst()
{
    Started s({test::personInsert("Ann")});
    s.files->Pages->setCurrentIndex(1);
    auto* profession = s.files->findChild<QComboBox*>("Profession");
    QTest::keyClicks(profession->lineEdit(), "Pilot");
    test::RecordingPreviewer previewer;
    s.clickReport();
    QVERIFY(previewer.lastText().contains("Pilot"));
    QCOMPARE(s.db.scalar("SELECT Profession FROM People").toString(), QStringLiteral("Pilot"));
    QCOMPARE(s.dm->PeopleCompanyDet->state(), DatasetState::Browse);
}

// Every field at its longest: pick-list fields at their longest entry (or, as an import may leave them, at their
// widest allowed text), free text at its widest allowed text. Nothing painted is cut, and every value is there
// whole, line by line, in the order of the fields.
void ContactReportTest::longestValuesArePrintedWhole_data()
{
    QTest::addColumn<bool>("widestEverywhere");
    QTest::newRow("pick lists at their longest entry") << false;
    QTest::newRow("widest allowed text everywhere") << true;
}

void ContactReportTest::longestValuesArePrintedWhole()
{
    QFETCH(bool, widestEverywhere);
    Started s({test::personInsert("Someone")});
    Dataset* people = s.dm->PeopleCompanyDet;
    people->edit();
    QStringList fields;
    for (const auto& [field, entries] : pickListFields) {
        people->setValue(field, widestEverywhere ? widestText(*people, field) : test::longestEntry(entries()));
        fields << field;
    }
    for (const char* field :
         {"Name",         "Language",  "Spouse",          "Children",   "HAStreet",      "HACity",      "HAState",
          "HAPostalCode", "HACountry", "HAPostOfficeBox", "PrimaryTel", "Mobile",        "TelH1",       "TelH2",
          "FaxH",         "Telex",     "Email1",          "Email2",     "HomePage",      "Ethnic",      "Hobbies",
          "Profession",   "JobTitle",  "Company",         "Department", "BAStreet",      "BACity",      "BAState",
          "BAPostalCode", "BACountry", "BAPostOfficeBox", "TelMain",    "TelCallback",   "TelB1",       "TelB2",
          "Ext",          "FaxB1",     "FaxB2",           "WebPage",    "AssistantName", "ManagerName", "Info"}) {
        people->setValue(field, widestText(*people, field));
        fields << field;
    }
    people->setValue("Birthday", QDateTime(QDate(2000, 12, 28), QTime(22, 58, 58)));
    people->setValue("Anniversary", QDateTime(QDate(2000, 12, 28), QTime(23, 59, 59)));
    people->post();
    fields << "Birthday"
           << "Anniversary";

    test::RecordingPreviewer previewer;
    s.clickReport();
    QCOMPARE(previewer.reports.size(), size_t(1));
    const report::ComposedReport& r = previewer.reports.back();
    test::saveForLooking(r, QStringLiteral("contact-report-%1").arg(widestEverywhere ? "widest" : "entries"));
    QVERIFY(r.pageCount() > 1);
    const QString cut = test::clippedTexts(r);
    QVERIFY2(cut.isEmpty(), qPrintable(cut));

    // Each field's value is painted whole: the lines of its item(s) put together give the value.
    for (const QString& field : fields)
        QCOMPARE(test::paintedText(r, field).remove(' '), people->displayText(field).remove(' '));
    // The tactics still follow the fields, after them on the last page.
    const QStringList text = previewer.lastText();
    QCOMPARE(text.last(), personality::NoTacticsLine);
    QVERIFY(text.indexOf("Suggested Tactics") > text.indexOf("Comments"));
}

QTEST_MAIN(ContactReportTest)
#include "tst_contactreport.moc"

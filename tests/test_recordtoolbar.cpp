// The record toolbar of both pages of the "Files" window, one table over the two: each command's messages, what
// is stored, where the record and the keyboard focus end, and what else the command set off.
#include "platform/DataControls.h"
#include "platform/RecordToolbar.h"
#include "records/AccountsPage.h"
#include "records/ContactPages.h"
#include "records/DataEntry.h"
#include "tests/support/FileFixtures.h"
#include "tests/support/TestSupport.h"

#include <QToolButton>
#include <QtTest>

using namespace qv;
using namespace qv::test;

namespace {

enum class Page { Contacts, Accounts };

// A contact of another company stands in the file too: no command of the contacts page may reach it.
QStringList pageRows(Page page, const QStringList& names)
{
    QStringList rows;
    if (page == Page::Contacts)
        rows << "INSERT INTO Companies (Name) VALUES ('Another company')"
             << "INSERT INTO People (CompanyID, Name) VALUES ((SELECT max(CompanyID) FROM Companies), 'Outsider')";
    for (const QString& n : names)
        rows << (page == Page::Contacts ? personInsert(n, {"ProspectingMethod", n == "Adams" ? "other" : "News"})
                                        : accountInsert(n));
    return rows;
}

// The window shown (not modally) over a fresh database, on the page under test.
struct Files {
    Files(Page page, const QStringList& names) : page(page), db(pageRows(page, names)), dm(db.open()), form(dm)
    {
        if (page == Page::Accounts) form.PageControl->setCurrentIndex(TDataEntryForm::AccountsPageIndex);
        form.show();
        // The accounts page follows the keyboard focus, which moves only within the active window.
        form.activateWindow();
        if (!QTest::qWaitForWindowActive(&form)) qWarning("the Files window did not become active");
    }
    RecordToolbar* toolbar() const { return page == Page::Contacts ? form.ContactToolbar : form.Accounts->Toolbar; }
    Dataset* dataset() const { return page == Page::Contacts ? dm.PeopleCompanyDet : dm.AccountsTable; }
    QString nameField() const { return page == Page::Contacts ? "Name" : "AccountName"; }
    QString current() const { return currentRecord(*dataset(), nameField()); }
    QString storedNames() const
    {
        const QStringList names =
            page == Page::Contacts
                ? test::storedNames(db.path(), "People", "Name", "CompanyID = (SELECT min(CompanyID) FROM Companies)")
                : test::storedNames(db.path(), "Accounts", "AccountName");
        return names.join(',');
    }
    void typeName(const QString& text)
    {
        typeOver(page == Page::Contacts ? form.NameEdit : form.Accounts->NameEdit, text);
    }
    // A control of the page that no command has a reason to focus, so that a focus move shows.
    QWidget* somewhereElse() const
    {
        return page == Page::Contacts ? static_cast<QWidget*>(form.TitleBox)
                                      : findNamed<QWidget>(form.Accounts, "Comments");
    }

    const Page page;
    TestDatabase db;
    TMainDataModule& dm;
    TDataEntryForm form;
};

// What differs between the pages for one command: where the focus ends ("" not checked) and what else happened.
struct Outcome {
    QString focus;
    QString after; // "explanations refreshed", "personality", "report", "tax information" or ""
};

} // namespace

class TestRecordToolbar : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { useUnitedStatesLocale(); }
    void command_data();
    void command();
};

void TestRecordToolbar::command_data()
{
    QTest::addColumn<Page>("page");
    QTest::addColumn<QStringList>("names"); // in the file before
    QTest::addColumn<QString>("typed");     // into the name box first; null for nothing
    QTest::addColumn<bool>("fromTheLast");  // the last record made current before the click
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QList<int>>("answers"); // the message boxes' answers, in order
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("stored"); // the page's names in the file after
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("after");

    const QStringList two{"Adams", "Baker"}, empty;
    const QString nothing, deleteOne = "This will delete the current record. Proceed?",
                           deleteAll = "This will delete ALL records in your database. Proceed?";
    const QStringList silent;
    const QList<int> noAnswers;
    const int No = int(MessageAnswer::No), Yes = int(MessageAnswer::Yes), YesToAll = int(MessageAnswer::YesToAll);

    // The contacts page sends the focus to its search box and refreshes the explanation boxes after a move; the
    // accounts page leaves the focus where it was. A refused name takes the focus to the name box on both.
    const QString refreshed = "explanations refreshed";
    const Outcome contactsMove{"SearchEdit", refreshed}, accountsMove{"Comments", ""};
    const Outcome contactsNameRefused{"Name", ""}, accountsNameRefused{"AccountName", ""};
    const Outcome contactsRefreshOnly{"", refreshed}, accountsStay{"Comments", ""};

    auto row = [&](Page page, const QString& title, const QStringList& names, const QString& typed, bool fromTheLast,
                   const QString& hint, const QList<int>& answers, const QStringList& messages, const QString& stored,
                   const QString& current, const Outcome& outcome) {
        const char* pageName = page == Page::Contacts ? "contacts" : "accounts";
        QTest::addRow("%s: %s", pageName, qPrintable(title))
            << page << names << typed << fromTheLast << hint << answers << messages << stored << current
            << outcome.focus << outcome.after;
    };
    // The commands both pages have, and what each page does differently.
    auto both = [&](const QString& title, const QStringList& names, const QString& typed, const QString& hint,
                    const QList<int>& answers, const QStringList& messages, const QString& stored,
                    const QString& current, const Outcome& contacts, const Outcome& accounts) {
        row(Page::Contacts, title, names, typed, false, hint, answers, messages, stored, current, contacts);
        row(Page::Accounts, title, names, typed, false, hint, answers, messages, stored, current, accounts);
    };

    both("new, empty list", empty, nothing, "New record", noAnswers, silent, "", "(new)", contactsMove, accountsMove);
    both("new posts the pending edit", two, "Zed", "New record", noAnswers, silent, "Zed,Baker", "(new)", contactsMove,
         accountsMove);
    both("new refused by a blank name", two, "   ", "New record", noAnswers, silent, "Adams,Baker", "   ",
         contactsNameRefused, accountsNameRefused);
    both("delete, empty list", empty, nothing, "Delete record", noAnswers, {"The database is empty."}, "", "(none)",
         {"", ""}, accountsStay);
    both("delete, No", two, nothing, "Delete record", {No}, {deleteOne}, "Adams,Baker", "Adams", contactsMove,
         accountsMove);
    both("delete, Yes", two, nothing, "Delete record", {Yes}, {deleteOne}, "Baker", "Baker", contactsMove,
         accountsMove);
    both("delete all, No", two, nothing, "Delete all records", {No}, {deleteAll}, "Adams,Baker", "Adams",
         contactsRefreshOnly, accountsStay);
    both("delete all, Yes to All", two, nothing, "Delete all records", {YesToAll}, {deleteAll}, "", "(none)",
         contactsRefreshOnly, accountsStay);
    both("delete all, empty list still asks", empty, nothing, "Delete all records", {YesToAll}, {deleteAll}, "",
         "(none)", contactsRefreshOnly, accountsStay);
    both("save keeps the blanks", two, " Zed ", "Save record", noAnswers, silent, " Zed ,Baker", " Zed ", contactsMove,
         accountsMove);
    both("save, blank name", two, "   ", "Save record", noAnswers, silent, "Adams,Baker", "   ", contactsNameRefused,
         accountsNameRefused);
    both("discard", two, "Zed", "Discard changes", noAnswers, silent, "Adams,Baker", "Adams", contactsRefreshOnly,
         accountsStay);
    both("refresh posts", two, "Zed", "Refresh", noAnswers, silent, "Zed,Baker", "Zed", contactsRefreshOnly,
         accountsStay);
    both("next", two, nothing, "Next record", noAnswers, silent, "Adams,Baker", "Baker", contactsMove, accountsMove);
    both("next refused by a blank name", two, "  ", "Next record", noAnswers, silent, "Adams,Baker", "  ",
         {"SearchEdit", ""}, accountsNameRefused);
    both("prior on the first", two, nothing, "Prior record", noAnswers, silent, "Adams,Baker", "Adams", contactsMove,
         accountsMove);
    both("last", two, nothing, "Last record", noAnswers, silent, "Adams,Baker", "Baker", contactsMove, accountsMove);

    // The pending edit goes with the record it was typed into, whichever way round the move and the typing come.
    row(Page::Contacts, "first after typing and moving to the last", two, "Zed", true, "First record", noAnswers,
        silent, "Zed,Baker", "Zed", contactsMove);
    row(Page::Accounts, "first after moving to the last and typing", two, "Zed", true, "First record", noAnswers,
        silent, "Adams,Zed", "Adams", accountsMove);

    // Each page's own commands.
    row(Page::Contacts, "personality, empty list", empty, nothing, false, "Personality identification", noAnswers,
        {"Contacts database is empty."}, "", "(none)", {"", ""});
    row(Page::Contacts, "personality ignores a refused post", two, "  ", false, "Personality identification", noAnswers,
        silent, "Adams,Baker", "  ", {"", "personality"});
    row(Page::Contacts, "report, empty list", empty, nothing, false, "Report", noAnswers, {"No record selected."}, "",
        "(none)", {"", ""});
    row(Page::Contacts, "report posts the pending edit", two, "Zed", false, "Report", noAnswers, silent, "Zed,Baker",
        "Zed", {"", "report"});
    const QStringList noAccounts{"Accounts database is empty."};
    row(Page::Accounts, "tax information, empty list", empty, nothing, false, "Tax information", noAnswers, noAccounts,
        "", "(none)", accountsStay);
    row(Page::Accounts, "tax information saves first", two, "Zed", false, "Tax information", noAnswers, silent,
        "Zed,Baker", "Zed", {"Comments", "tax information"});
    row(Page::Accounts, "tax information after a refused save", two, "   ", false, "Tax information", noAnswers, silent,
        "Adams,Baker", "   ", {"AccountName", "tax information"});
    row(Page::Accounts, "tax information, new unnamed account only", empty, "   ", false, "Tax information", noAnswers,
        noAccounts, "", "(new)", accountsNameRefused);
    row(Page::Accounts, "report, empty list", empty, nothing, false, "Report", noAnswers, noAccounts, "", "(none)",
        accountsStay);
    row(Page::Accounts, "report saves first", two, "Zed", false, "Report", noAnswers, silent, "Zed,Baker", "Zed",
        {"Comments", "report"});
}

void TestRecordToolbar::command()
{
    QFETCH(Page, page);
    QFETCH(QStringList, names);
    QFETCH(QString, typed);
    QFETCH(bool, fromTheLast);
    QFETCH(QString, hint);
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, messages);
    QFETCH(QString, stored);
    QFETCH(QString, current);
    QFETCH(QString, focus);
    QFETCH(QString, after);

    ScriptedMessages box;
    for (int a : answers) box.answers.push_back(MessageAnswer(a));
    Files f(page, names);
    QString happened;
    f.form.onPersonality = [&] { happened = "personality"; };
    f.form.onContactReport = [&] { happened = "report"; };
    f.form.Accounts->onTaxInformation = [&] { happened = "tax information"; };
    f.form.Accounts->onReport = [&] { happened = "report"; };
    // The contacts page types first and the accounts page moves first, as their own tests of a pending edit do.
    if (page == Page::Accounts && fromTheLast) f.dataset()->last();
    if (!typed.isNull()) f.typeName(typed);
    if (page == Page::Contacts && fromTheLast) f.dataset()->last();
    // A stale explanation box, so that a refresh shows.
    auto* explanation = findNamed<ExplanationBox>(&f.form, "ProspectingMethodExplanation");
    explanation->showPosition(0);
    const QString stale = explanation->text();
    f.somewhereElse()->setFocus();

    QTest::mouseClick(f.toolbar()->button(hint), Qt::LeftButton);

    QCOMPARE(box.texts(), messages);
    QCOMPARE(f.storedNames(), stored);
    QCOMPARE(f.current(), current);
    if (!focus.isEmpty()) QCOMPARE(f.form.focusWidget()->objectName(), focus);
    const bool refreshExpected = after == "explanations refreshed";
    if (page == Page::Contacts) {
        QCOMPARE(f.db.scalar("SELECT count(*) FROM People WHERE Name = 'Outsider'").toInt(), 1);
        const QString method = f.dataset()->isOpen() ? f.dataset()->text("ProspectingMethod") : QString();
        const QString fresh = domains::explanationAt(
            domains::prospectingExplanations(), domains::positionIgnoringCase(domains::prospectingMethod(), method));
        QCOMPARE(explanation->text(), refreshExpected ? fresh : stale);
    }
    QCOMPARE(happened, refreshExpected ? QString() : after);
}

QTEST_MAIN(TestRecordToolbar)
#include "test_recordtoolbar.moc"

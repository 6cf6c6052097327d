// The "Files" window driven through its widgets: the contact toolbar, the search box, the page-change message,
// the company choices with the account copy, the date picker, the e-mail and web buttons, and the record rules
// that read the window's name box.
#include "app/MainFrameUnit.h"
#include "app/Program.h"
#include "data/DatabaseError.h"
#include "data/DateFormats.h"
#include "platform/Clock.h"
#include "platform/DataControls.h"
#include "platform/RecordToolbar.h"
#include "records/ContactPages.h"
#include "records/DataEntry.h"
#include "records/PickDate.h"
#include "tests/support/StartedProgram.h"
#include "tests/support/FileFixtures.h"
#include "tests/support/TestSupport.h"

#include <QCalendarWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QToolButton>
#include <QtTest>
#include <functional>

using namespace qv;
using namespace qv::test;

namespace {

QString otherCompanyContact()
{
    return "INSERT INTO People (CompanyID, Name) VALUES ((SELECT max(CompanyID) FROM Companies), 'Outsider')";
}

QStringList contactRows(const QStringList& names)
{
    QStringList rows{"INSERT INTO Companies (Name) VALUES ('Another company')", otherCompanyContact()};
    for (const QString& n : names) rows << personInsert(n, {"ProspectingMethod", n == "Adams" ? "other" : "News"});
    return rows;
}

// The window shown (not modally) over a fresh database.
struct Files {
    explicit Files(const QStringList& rows, bool seedRows = true) : db(rows, seedRows), dm(db.open()), form(dm)
    {
        form.show();
    }
    QToolButton* button(const QString& hint) const { return form.ContactToolbar->button(hint); }
    template <class T> T* find(const QString& name) const { return findNamed<T>(&form, name); }
    Dataset* people() const { return dm.PeopleCompanyDet; }
    QString storedNames() const
    {
        return test::storedNames(db.path(), "People", "Name", "CompanyID = (SELECT min(CompanyID) FROM Companies)")
            .join(',');
    }
    QString current() const { return currentRecord(*people(), "Name"); }
    void typeName(const QString& text) { typeOver(form.NameEdit, text); }
    void showPage(int page) { form.Pages->setCurrentIndex(page); }

    TestDatabase db;
    TMainDataModule& dm;
    TDataEntryForm form;
};

} // namespace

class TestRecords : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { useUnitedStatesLocale(); }

    void search_data();
    void search();
    void pageChangeMessageOnlyWhenTheUserTurnsToContacts();
    void menuOpensOnTheRequestedSubPageModally();
    void mainWindowCommandsWithoutContacts();
    void mainWindowItemsOpenTheFilesWindow_data();
    void mainWindowItemsOpenTheFilesWindow();
    void accountCopyWhenBusinessInfoIsShown_data();
    void accountCopyWhenBusinessInfoIsShown();
    void pickingACompanyCopiesItsAccount();
    void showingBusinessInfoSavesThePendingChange();
    void blankNameStopsTheRebuildSilently();
    void withoutContactsBusinessInfoStartsANewContact();
    void tooLongCopiedValueIsRefusedAndTheEditStays();
    void savedProfessionIsOfferedAtOnce();
    void closingKeepsThePendingEdit();
    void datePickerKeepsItsDateAfterCancel();
    void datePickerReturnsATypedYear();
    void dateButtonStoresThePickedDateInTheEdit();
    void emailAndWebButtonsHandOverTheBoxes();
    void nameRuleWhileTheWindowIsHidden();
    void nameRulesRefuseABlankBoxOrABlankValue_data();
    void nameRulesRefuseABlankBoxOrABlankValue();
    void alertTime_data();
    void alertTime();
    void dayEventPostSetsTheAlertTime();
    void pagesFitTheSmallestScreen();
};

void TestRecords::search_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("found");
    QTest::newRow("prefix in lower case") << "sm"
                                          << "smith";
    QTest::newRow("prefix in upper case") << "SMY"
                                          << "Smythe";
    QTest::newRow("no match stays") << "zz"
                                    << "Baker";
    QTest::newRow("emptied matches the first") << "\b"
                                               << "Adams";
}

void TestRecords::search()
{
    QFETCH(QString, typed);
    QFETCH(QString, found);
    Files f(contactRows({"Adams", "smith", "Baker", "Smythe"}));
    f.people()->moveTo(2);
    typeSearch(f.form.SearchEdit, typed);
    QCOMPARE(f.current(), found);
    QCOMPARE(f.form.NameEdit->text(), found);
    QCOMPARE(f.dm.CompaniesTable->recNo(), 0);
}

void TestRecords::pageChangeMessageOnlyWhenTheUserTurnsToContacts()
{
    ScriptedMessages box;
    Files f({}, false); // no company row at all
    QTabBar* tabs = f.form.PageControl->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(TDataEntryForm::AccountsPageIndex).center());
    QCOMPARE(box.texts(), QStringList());
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(TDataEntryForm::ContactsPageIndex).center());
    QCOMPARE(box.texts(), QStringList{"Please, Select company first."});
    QCOMPARE(box.shown.front().kind, MessageKind::Plain);
    QCOMPARE(f.form.PageControl->currentIndex(), int(TDataEntryForm::ContactsPageIndex));

    // Selected by the program, the page change says nothing.
    f.form.hide();
    f.form.PageControl->setCurrentIndex(TDataEntryForm::AccountsPageIndex);
    auto modal = whenModal([](QWidget* w) { w->close(); });
    f.form.showContactsPage(0);
    QVERIFY2(modal->ok(), modal->failure());
    QCOMPARE(box.texts().size(), 1);
}

void TestRecords::menuOpensOnTheRequestedSubPageModally()
{
    ScriptedMessages box;
    Files f(contactRows({"Adams"}));
    f.form.hide();
    f.form.PageControl->setCurrentIndex(TDataEntryForm::AccountsPageIndex);
    f.showPage(ContactPages::MarketingInfo);
    int page = -1, subPage = -1;
    bool wasModal = false;
    QString focus;
    auto script = whenModal([&](QWidget* w) {
        page = f.form.PageControl->currentIndex();
        subPage = f.form.Pages->currentIndex();
        wasModal = w == &f.form;
        focus = f.form.focusWidget() ? f.form.focusWidget()->objectName() : QString();
        w->close();
    });
    f.form.showContactsPage(ContactPages::BusinessInfo);
    QVERIFY2(script->ok(), script->failure());
    QVERIFY(wasModal);
    QCOMPARE(page, int(TDataEntryForm::ContactsPageIndex));
    QCOMPARE(subPage, int(ContactPages::BusinessInfo));
    QCOMPARE(focus, QString("SearchEdit"));
    QCOMPARE(box.texts(), QStringList());

    script = whenModal([&](QWidget* w) {
        page = f.form.PageControl->currentIndex();
        w->close();
    });
    f.form.showAccountsPage();
    QVERIFY2(script->ok(), script->failure());
    QCOMPARE(page, int(TDataEntryForm::AccountsPageIndex));
}

void TestRecords::mainWindowCommandsWithoutContacts()
{
    ScriptedMessages box;
    Files f({});
    int filters = 0, followUps = 0;
    f.form.onShowFilters = [&] { ++filters; };
    f.form.onShowFollowUp = [&] { ++followUps; };
    f.form.filtersCommand();
    f.form.followUpCommand();
    QCOMPARE(box.texts(), (QStringList{"The database is empty.", "The database is empty."}));
    QCOMPARE(box.shown.front().kind, MessageKind::Information);
    QCOMPARE(filters + followUps, 0);
    f.db.execute({personInsert("Adams")});
    f.people()->refresh();
    f.form.filtersCommand();
    f.form.followUpCommand();
    QCOMPARE(filters, 1);
    QCOMPARE(followUps, 1);
}

// The program's own start-up wires the three contact items to the Files window on their sub-page.
void TestRecords::mainWindowItemsOpenTheFilesWindow_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("subPage");
    QTest::newRow("Personal info...") << "PersonalInfoItem" << int(ContactPages::PersonalInfo);
    QTest::newRow("Business info...") << "BusinessInfoItem" << int(ContactPages::BusinessInfo);
    QTest::newRow("Marketing info...") << "MarketingInfoItem" << int(ContactPages::MarketingInfo);
}

void TestRecords::mainWindowItemsOpenTheFilesWindow()
{
    QFETCH(QString, item);
    QFETCH(int, subPage);
    StartedProgram p({personInsert("Adams")});
    QVERIFY(p.started);
    TForm1* main = p.program.mainWindow();
    QAction* action = main->findChild<QAction*>(item);
    QVERIFY(action && action->isVisible());
    TDataEntryForm* files = p.files;
    QCOMPARE(files->objectName(), QString("TDataEntryForm"));
    files->Pages->setCurrentIndex((subPage + 1) % 3); // whatever was in front when it was last closed
    QString opened;
    int page = -1, shownSubPage = -1;
    auto modal = whenModal([&](QWidget* w) {
        opened = w->objectName();
        page = files->PageControl->currentIndex();
        shownSubPage = files->Pages->currentIndex();
        w->close();
    });
    action->trigger();
    QVERIFY2(modal->ok(), modal->failure());
    QCOMPARE(opened, QString("TDataEntryForm"));
    QCOMPARE(page, int(TDataEntryForm::ContactsPageIndex));
    QCOMPARE(shownSubPage, subPage);
    QCOMPARE(p.messages.texts(), QStringList());
}

// The company choices are the accounts in order; the copy follows the chooser's entry, which matches the stored
// company ignoring case, and leaves the business fields alone when there is no such account.
void TestRecords::accountCopyWhenBusinessInfoIsShown_data()
{
    QTest::addColumn<QStringList>("accounts"); // name|street|size
    QTest::addColumn<QString>("company");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("street");
    QTest::addColumn<QString>("size");
    const QStringList two{"Acme||Large", "Beta|2 Beta Rd|Small"};
    QTest::newRow("an account") << two << "Beta"
                                << "Beta"
                                << "2 Beta Rd"
                                << "Small";
    QTest::newRow("an account in other letter case") << two << "beta"
                                                     << "Beta"
                                                     << "2 Beta Rd"
                                                     << "Small";
    QTest::newRow("empty account values are copied too") << two << "Acme"
                                                         << "Acme"
                                                         << ""
                                                         << "Large";
    QTest::newRow("a company that is no account") << two << "Gamma"
                                                  << ""
                                                  << "Old street"
                                                  << "Huge";
    QTest::newRow("no company") << two << ""
                                << ""
                                << "Old street"
                                << "Huge";
    QTest::newRow("no accounts at all") << QStringList() << "Beta"
                                        << ""
                                        << "Old street"
                                        << "Huge";
}

void TestRecords::accountCopyWhenBusinessInfoIsShown()
{
    QFETCH(QStringList, accounts);
    QFETCH(QString, company);
    QFETCH(QString, shown);
    QFETCH(QString, street);
    QFETCH(QString, size);
    QStringList rows{personInsert("Adams", {"Company", company, "BAStreet", "Old street", "CompanySize", "Huge"})};
    QStringList names;
    for (const QString& a : accounts) {
        const QStringList p = a.split('|');
        names << p[0];
        rows << QString("INSERT INTO Accounts (AccountName, AccountStreet, AccountSize) VALUES ('%1', %2, '%3')")
                    .arg(p[0], p[1].isEmpty() ? "NULL" : "'" + p[1] + "'", p[2]);
    }
    ScriptedMessages box;
    Files f(rows);
    f.showPage(ContactPages::BusinessInfo);
    DBLookupList* chooser = f.form.Pages->companyChooser();
    QCOMPARE(chooser->entries(), names);
    QCOMPARE(chooser->currentText(), shown);
    QCOMPARE(f.people()->state(), DatasetState::Edit);
    QCOMPARE(f.find<DBEdit>("BAStreet")->text(), street);
    QCOMPARE(f.find<DBLookupList>("CompanySize")->currentText(), size);
    QTest::mouseClick(f.button("Save record"), Qt::LeftButton);
    QCOMPARE(box.texts(), QStringList());
    const auto row = f.db.rows("SELECT Company, ifnull(BAStreet, ''), CompanySize FROM People").value(0);
    QCOMPARE(row.value(0).toString(), company); // the stored company keeps its own letter case
    QCOMPARE(row.value(1).toString(), street);
    QCOMPARE(row.value(2).toString(), size);
}

void TestRecords::pickingACompanyCopiesItsAccount()
{
    Files f({personInsert("Adams"),
             "INSERT INTO Accounts (AccountName, AccountIndustry, AccountWebPage, AccountFax2) VALUES "
             "('Acme', 'Retail', 'http://acme.example', '555-2')"});
    f.showPage(ContactPages::BusinessInfo);
    DBLookupList* chooser = f.form.Pages->companyChooser();
    QCOMPARE(chooser->currentIndex(), -1);
    chooser->setFocus();
    QTest::keyClick(chooser, Qt::Key_Down);
    QCOMPARE(f.people()->text("Company"), QString("Acme"));
    QCOMPARE(f.find<DBLookupList>("Industry")->currentText(), QString("Retail"));
    QCOMPARE(f.find<DBEdit>("WebPage")->text(), QString("http://acme.example"));
    QCOMPARE(f.find<DBEdit>("FaxB2")->text(), QString("555-2"));
    QVERIFY(!f.find<DBLookupList>("Industry")->isEnabled());
    QVERIFY(f.find<DBEdit>("WebPage")->isReadOnly());
}

void TestRecords::showingBusinessInfoSavesThePendingChange()
{
    Files f({personInsert("Adams"), "INSERT INTO Accounts (AccountName) VALUES ('Acme')"});
    f.typeName("Zed");
    f.showPage(ContactPages::BusinessInfo);
    QCOMPARE(f.storedNames(), QString("Zed"));
}

void TestRecords::blankNameStopsTheRebuildSilently()
{
    ScriptedMessages box;
    Files f({personInsert("Adams", {"Company", "Beta"}), "INSERT INTO Accounts (AccountName) VALUES ('Acme')",
             "INSERT INTO Accounts (AccountName, AccountStreet) VALUES ('Beta', '2 Beta Rd')"});
    f.typeName("  ");
    f.showPage(ContactPages::BusinessInfo);
    QCOMPARE(f.form.Pages->companyChooser()->entries(), QStringList{"Acme"});
    QCOMPARE(f.people()->text("BAStreet"), QString());
    QCOMPARE(box.texts(), QStringList());
    QCOMPARE(f.form.focusWidget(), f.form.NameEdit);
    QCOMPARE(f.storedNames(), QString("Adams"));
}

void TestRecords::withoutContactsBusinessInfoStartsANewContact()
{
    ScriptedMessages box;
    Files f({"INSERT INTO Accounts (AccountName) VALUES ('Acme')"});
    f.showPage(ContactPages::BusinessInfo);
    QCOMPARE(f.people()->state(), DatasetState::Insert);
    QCOMPARE(f.form.Pages->companyChooser()->entries(), QStringList{"Acme"});
    QTest::mouseClick(f.button("Save record"), Qt::LeftButton);
    QCOMPARE(f.db.scalar("SELECT count(*) FROM People").toInt(), 0); // no name yet
    QCOMPARE(f.form.focusWidget(), f.form.NameEdit);
    QCOMPARE(box.texts(), QStringList());
}

void TestRecords::tooLongCopiedValueIsRefusedAndTheEditStays()
{
    ScriptedMessages box;
    const QString state(60, 'S'); // BAState holds 50 characters
    Files f({personInsert("Adams", {"Company", "Acme"}),
             QString("INSERT INTO Accounts (AccountName, AccountState) VALUES ('Acme', '%1')").arg(state)});
    f.showPage(ContactPages::BusinessInfo);
    QTest::mouseClick(f.button("Save record"), Qt::LeftButton);
    QCOMPARE(box.shown.size(), size_t(1));
    QVERIFY(box.texts().first().contains("BAState"));
    QVERIFY(box.texts().first().contains("too long"));
    QCOMPARE(f.people()->state(), DatasetState::Edit);
    QCOMPARE(f.people()->text("BAState"), state);
    QVERIFY(f.db.scalar("SELECT BAState FROM People").isNull());
}

void TestRecords::savedProfessionIsOfferedAtOnce()
{
    Files f({personInsert("Adams", {"Profession", "Baker"}), personInsert("Clark", {"Profession", "Miller"})});
    auto* profession = f.find<DBComboBox>("Profession");
    QCOMPARE(profession->count(), 2);
    profession->lineEdit()->clear();
    QTest::keyClicks(profession->lineEdit(), "Cooper");
    QCOMPARE(profession->count(), 2); // typing alone offers nothing new
    QTest::mouseClick(f.button("Save record"), Qt::LeftButton);
    QStringList offered;
    for (int i = 0; i < profession->count(); ++i) offered << profession->itemText(i);
    QCOMPARE(offered, (QStringList{"Cooper", "Miller"})); // Baker was Adams's only; the list follows the file
    QCOMPARE(profession->currentText(), QString("Cooper"));
}

void TestRecords::closingKeepsThePendingEdit()
{
    Files f(contactRows({"Adams", "Baker"}));
    f.typeName("Zed");
    f.form.close();
    QCOMPARE(f.people()->state(), DatasetState::Edit);
    QCOMPARE(f.people()->text("Name"), QString("Zed"));
    f.people()->next();
    QCOMPARE(f.storedNames(), QString("Zed,Baker"));
    // Shown again, the window shows where the dataset went while it was closed.
    f.form.show();
    QCOMPARE(f.form.NameEdit->text(), QString("Baker"));
}

void TestRecords::datePickerKeepsItsDateAfterCancel()
{
    TPickDateForm& picker = pickDateForm();
    QCOMPARE(&picker, &pickDateForm());
    const QDate chosen(2021, 3, 14), cancelled(2022, 7, 1);
    auto modal = whenModal([&](QWidget* w) {
        auto* p = qobject_cast<TPickDateForm*>(w);
        p->MonthCalendar1->setSelectedDate(chosen);
        p->OKBtn->click();
    });
    QCOMPARE(picker.pick(), std::optional<QDate>(chosen));
    QVERIFY2(modal->ok(), modal->failure());
    modal = whenModal([&](QWidget* w) {
        auto* p = qobject_cast<TPickDateForm*>(w);
        p->MonthCalendar1->setSelectedDate(cancelled);
        p->CancelBtn->click();
    });
    QCOMPARE(picker.pick(), std::optional<QDate>());
    QVERIFY2(modal->ok(), modal->failure());
    QDate shownOnReopen;
    modal = whenModal([&](QWidget* w) {
        auto* p = qobject_cast<TPickDateForm*>(w);
        shownOnReopen = p->MonthCalendar1->selectedDate();
        QTest::keyClick(p->MonthCalendar1, Qt::Key_Return); // Enter chooses "OK"
    });
    QCOMPARE(picker.pick(), std::optional<QDate>(cancelled));
    QVERIFY2(modal->ok(), modal->failure());
    QCOMPARE(shownOnReopen, cancelled);
}

// Clicking the year, typing another and pressing Enter closes the picker with the date it shows as selected.
void TestRecords::datePickerReturnsATypedYear()
{
    TPickDateForm& picker = pickDateForm();
    auto modal = whenModal([](QWidget* w) {
        auto* p = qobject_cast<TPickDateForm*>(w);
        p->MonthCalendar1->setSelectedDate(QDate(2024, 2, 29));
        QTest::mouseClick(p->MonthCalendar1->findChild<QToolButton*>("qt_calendar_yearbutton"), Qt::LeftButton);
        auto* year = p->MonthCalendar1->findChild<QSpinBox*>("qt_calendar_yearedit");
        year->selectAll();
        QTest::keyClicks(year, "1990");
        QTest::keyClick(year, Qt::Key_Return);
    });
    const std::optional<QDate> picked = picker.pick();
    QVERIFY2(modal->ok(), modal->failure());
    QCOMPARE(picked, std::optional<QDate>(picker.MonthCalendar1->selectedDate()));
    QCOMPARE(picked, std::optional<QDate>(QDate(1990, 2, 28))); // the day kept, within the month

    // The month arrow takes the selected day along too.
    modal = whenModal([](QWidget* w) {
        auto* p = qobject_cast<TPickDateForm*>(w);
        p->MonthCalendar1->findChild<QToolButton*>("qt_calendar_nextmonth")->click();
        p->OKBtn->click();
    });
    QCOMPARE(picker.pick(), std::optional<QDate>(QDate(1990, 3, 28)));
    QVERIFY2(modal->ok(), modal->failure());
}

void TestRecords::dateButtonStoresThePickedDateInTheEdit()
{
    Files f({personInsert("Adams", {"Birthday", "1980-05-06 00:00:00"})});
    QCOMPARE(f.find<DBDateBox>("Birthday")->text(), QString("5/6/1980"));
    auto modal = whenModal([](QWidget* w) {
        auto* p = qobject_cast<TPickDateForm*>(w);
        p->MonthCalendar1->setSelectedDate(QDate(1981, 7, 8));
        p->OKBtn->click();
    });
    QTest::mouseClick(f.find<QToolButton>("BirthdayBtn"), Qt::LeftButton);
    QVERIFY2(modal->ok(), modal->failure());
    QCOMPARE(f.people()->state(), DatasetState::Edit);
    QCOMPARE(f.find<DBDateBox>("Birthday")->text(), QString("7/8/1981"));
    QCOMPARE(f.people()->asDateTime("Birthday"), dates::wallClock(QDate(1981, 7, 8), QTime(0, 0)));
    QTest::mouseClick(f.button("Discard changes"), Qt::LeftButton);
    QCOMPARE(f.find<DBDateBox>("Birthday")->text(), QString("5/6/1980"));
}

void TestRecords::emailAndWebButtonsHandOverTheBoxes()
{
    ScriptedShell shell;
    shell.result = 2; // a failure shows nothing
    ScriptedMessages box;
    Files f({personInsert("Adams", {"Email1", "ann@", "TelCallback", "ann@work.example", "WebPage", "acme.example"})});
    QTest::keyClick(f.find<DBEdit>("Email1"), Qt::Key_End);
    QTest::keyClicks(f.find<DBEdit>("Email1"), "home.example"); // not saved yet
    QTest::keyClicks(f.find<DBEdit>("HomePage"), "www.ann.example/?a=1&b");
    for (const char* b : {"SendEmail1Btn", "SendEmail2Btn", "SendBusinessEmailBtn", "HomePageBtn", "WebSiteBtn"})
        f.find<QPushButton>(b)->click();
    // What the box holds stays one address: "?" and "&" start no header of the mail.
    QTest::keyClicks(f.find<DBEdit>("Email2"), "bea@home.example?cc=eve@x.org&subject=hi");
    f.find<QPushButton>("SendEmail2Btn")->click();
    QCOMPARE(shell.targets,
             (QStringList{"mailto:ann@home.example", "mailto:", "mailto:ann@work.example", "www.ann.example/?a=1&b",
                          "acme.example", "mailto:bea@home.example%3Fcc%3Deve@x.org%26subject%3Dhi"}));
    QCOMPARE(shell.modes, (std::vector<ShowMode>{ShowMode::Maximized, ShowMode::Maximized, ShowMode::Maximized,
                                                 ShowMode::Normal, ShowMode::Normal, ShowMode::Maximized}));
    QCOMPARE(box.texts(), QStringList());
}

void TestRecords::nameRuleWhileTheWindowIsHidden()
{
    Files f({personInsert("Adams")});
    f.form.hide();
    Dataset* people = f.people();
    people->edit();
    people->setValue("Name", " \t ");
    try {
        people->post();
        QFAIL("a blank name was posted");
    } catch (const PostRefused&) {
        QFAIL("refused silently although the name box cannot take the focus");
    } catch (const DatabaseError& e) {
        QCOMPARE(e.message(), QString("Cannot focus a disabled or invisible window"));
    }
    QCOMPARE(people->state(), DatasetState::Edit);
    people->setValue("Name", "Baker");
    people->post();
    QCOMPARE(f.storedNames(), QString("Baker"));
}

// The name rules read the window's name box, and refuse a blank value being posted too, whatever way it was set:
// a box out of step with its field never lets a nameless contact or account through.
void TestRecords::nameRulesRefuseABlankBoxOrABlankValue_data()
{
    QTest::addColumn<QString>("dataset");
    QTest::addColumn<QString>("box");   // what the name box shows
    QTest::addColumn<QString>("value"); // the name being posted; null for none
    QTest::addColumn<bool>("stored");
    for (const char* ds : {"PeopleCompanyDet", "AccountsTable"}) {
        const QString d = QString::fromLatin1(ds);
        QTest::addRow("%s, both named", ds) << d << "Adams"
                                            << "Adams" << true;
        QTest::addRow("%s, blank box", ds) << d << " \t"
                                           << "Adams" << false;
        QTest::addRow("%s, box named, no value", ds) << d << "Adams" << QString() << false;
        QTest::addRow("%s, box named, blank value", ds) << d << "Adams"
                                                        << "  " << false;
        QTest::addRow("%s, blanks around a name", ds) << d << " Adams "
                                                      << " Adams " << true;
    }
}

void TestRecords::nameRulesRefuseABlankBoxOrABlankValue()
{
    QFETCH(QString, dataset);
    QFETCH(QString, box);
    QFETCH(QString, value);
    QFETCH(bool, stored);
    TestDatabase db({}, true);
    TMainDataModule& dm = db.open();
    bool focused = false;
    const TMainDataModule::NameBox nameBox{[box] { return box; }, [&focused] { return focused = true; }};
    const bool contacts = dataset == "PeopleCompanyDet";
    if (contacts)
        dm.setContactNameBox(nameBox);
    else
        dm.setAccountNameBox(nameBox);
    Dataset* ds = dm.dataset(dataset);
    const QString column = contacts ? "Name" : "AccountName";
    ds->insert();
    if (!value.isNull()) ds->setValue(column, value);
    bool refused = false;
    try {
        ds->post();
    } catch (const PostRefused&) {
        refused = true;
    }
    QCOMPARE(refused, !stored);
    QCOMPARE(focused, !stored);
    QCOMPARE(ds->state(), stored ? DatasetState::Browse : DatasetState::Insert);
    const QString table = contacts ? "People" : "Accounts";
    QCOMPARE(db.scalar(QString("SELECT count(*) FROM %1").arg(table)).toInt(), stored ? 1 : 0);
}

void TestRecords::alertTime_data()
{
    QTest::addColumn<QTime>("start");
    QTest::addColumn<int>("before");
    QTest::addColumn<QTime>("alert"); // invalid: refused
    QTest::newRow("9:30 less 15") << QTime(9, 30) << 15 << QTime(9, 15);
    QTest::newRow("10:00 less 180") << QTime(10, 0) << 180 << QTime(7, 0);
    QTest::newRow("6:00 less 0") << QTime(6, 0) << 0 << QTime(6, 0);
    QTest::newRow("1:10 less 15") << QTime(1, 10) << 15 << QTime(0, 55);
    QTest::newRow("seconds dropped") << QTime(14, 45, 30, 500) << 45 << QTime(14, 0);
    QTest::newRow("before midnight") << QTime(0, 10) << 15 << QTime();
    QTest::newRow("lead beyond minute plus 180") << QTime(9, 0) << 181 << QTime();
}

void TestRecords::alertTime()
{
    QFETCH(QTime, start);
    QFETCH(int, before);
    QFETCH(QTime, alert);
    const QDate day(2026, 12, 8);
    if (!alert.isValid()) {
        QVERIFY_THROWS_EXCEPTION(DatabaseError, TMainDataModule::eventAlertTime(day, start, before));
        return;
    }
    QCOMPARE(TMainDataModule::eventAlertTime(day, start, before), dates::wallClock(day, alert));
}

void TestRecords::dayEventPostSetsTheAlertTime()
{
    TestDatabase db({"INSERT INTO CalendarDays (Day) VALUES ('12/8/2026')"});
    Dataset* events = db.open().DayEvents;
    events->insert();
    events->setValue("StartTime", "9:30 AM");
    events->setValue("ReminderBefore", 15);
    events->post();
    events->insert();
    events->setValue("StartTime", "6:00 AM"); // lead time left empty
    events->post();
    events->insert();
    events->setValue("Action", "no start");
    events->post();
    const auto rows = db.rows("SELECT Time, ReminderBefore, StartTime FROM CalendarEvents ORDER BY EventID");
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0][0].toString(), QString("2026-12-08 09:15:00"));
    QCOMPARE(rows[1][0].toString(), QString("2026-12-08 06:00:00"));
    QCOMPARE(rows[1][1].toInt(), 0);
    QVERIFY(rows[2][0].isNull());
    QCOMPARE(rows[2][2].toString(), QString(""));
}

// Every contact page fits the window at its size on an 800x600 screen. With QV_SCREENSHOTS set to a folder the
// pages are also saved there as pictures, to be looked at.
void TestRecords::pagesFitTheSmallestScreen()
{
    Files f(contactRows({"Adams"}));
    f.form.resize(790, 560);
    const QString folder = qEnvironmentVariable("QV_SCREENSHOTS");
    for (int i = 0; i < f.form.Pages->count(); ++i) {
        f.showPage(i);
        QWidget* page = f.form.Pages->currentWidget();
        QVERIFY2(page->minimumSizeHint().height() <= page->height(), qPrintable(page->objectName()));
        QVERIFY2(page->minimumSizeHint().width() <= page->width(), qPrintable(page->objectName()));
        if (!folder.isEmpty()) f.form.grab().save(folder + "/" + page->objectName() + ".png");
    }
}

QTEST_MAIN(TestRecords)
#include "test_records.moc"

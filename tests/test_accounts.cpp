// The "Accounts" page of the "Files" window driven through its widgets: the account toolbar, the search box, the
// account fields, "Go to URL", leaving the page for the contacts, and the tax window's two buttons as the program
// wires them.
#include "app/MainFrameUnit.h"
#include "app/Program.h"
#include "app/TaxUnit.h"
#include "platform/DBGrid.h"
#include "platform/DBNavigator.h"
#include "platform/DataControls.h"
#include "platform/GridDelegates.h"
#include "platform/RecordToolbar.h"
#include "records/AccountsPage.h"
#include "records/ContactPages.h"
#include "records/DataEntry.h"
#include "records/PickDate.h"
#include "tests/support/StartedProgram.h"
#include "tests/support/FileFixtures.h"
#include "tests/support/TestSupport.h"

#include <QAccessible>
#include <QAction>
#include <QCalendarWidget>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QToolButton>
#include <QtTest>

using namespace qv;
using namespace qv::test;

namespace {

QStringList accountRows(const QStringList& names)
{
    QStringList rows;
    for (const QString& n : names) rows << accountInsert(n);
    return rows;
}

// The Files window shown (not modally) on its accounts page over a fresh database.
struct Files {
    explicit Files(const QStringList& rows) : db(rows), dm(db.open()), form(dm)
    {
        form.PageControl->setCurrentIndex(TDataEntryForm::AccountsPageIndex);
        form.show();
        // The keyboard focus, which the page follows, moves only within the active window.
        form.activateWindow();
        if (!QTest::qWaitForWindowActive(&form)) qWarning("the Files window did not become active");
    }
    AccountsPage& page() const { return *form.Accounts; }
    QToolButton* button(const QString& hint) const { return page().Toolbar->button(hint); }
    template <class T> T* find(const QString& name) const { return findNamed<T>(&page(), name); }
    Dataset* accounts() const { return dm.AccountsTable; }
    QString storedNames() const { return test::storedNames(db.path(), "Accounts", "AccountName").join(','); }
    QString current() const { return currentRecord(*accounts(), "AccountName"); }
    void typeName(const QString& text) { typeOver(page().NameEdit, text); }

    // Clicks the button of a related-files cell, as the user does: the row made current, then its button.
    void clickCellButton(int row, const QString& field) const
    {
        DBGrid* grid = page().RelatedFilesGrid;
        const QModelIndex cell = grid->cell(row, field);
        grid->setCurrentIndex(cell);
        const QRect button = ButtonCellDelegate::buttonRect(grid->visualRect(cell));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, button.center());
    }
    void postRelatedFile() const { page().RelatedFilesNavigator->button(DBNavigator::Post)->click(); }
    QList<QVariantList> relatedFiles() const
    {
        return db.rows("SELECT AccountID, Date, FilePath, OPENFILE, FileDescription FROM RelatedFiles ORDER BY rowid");
    }

    TestDatabase db;
    TMainDataModule& dm;
    TDataEntryForm form;
};

QString relatedFileInsert(int account, const QString& path)
{
    return QString("INSERT INTO RelatedFiles (AccountID, FilePath, OPENFILE, FileDescription) VALUES (%1, %2, %3, "
                   "'offer')")
        .arg(account)
        .arg(path.isNull() ? "NULL" : "'" + path + "'")
        .arg(path.isNull() ? "NULL" : "'OPEN FILE'");
}

} // namespace

class TestAccounts : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { useUnitedStatesLocale(); }

    void enabledToolbarIconsLookEnabled_data();
    void enabledToolbarIconsLookEnabled();
    void search_data();
    void search();
    void searchPostsThePendingAccountFirst();
    void fieldsStoreWhatIsTyped_data();
    void fieldsStoreWhatIsTyped();
    void listsAndImportanceStoreTheirEntries();
    void goToUrlHandsOverTheBoxUnchanged();
    void valuesSetAsAScreenReaderDoesAreStored();
    void leavingThePageCopiesTheAccountIntoTheCurrentContactOnly();
    void leavingThePageWithoutContactsStartsOne();
    void onlyAControlOfTheSameWindowIsLeaving();
    void enteringThePageFocusesTheSearchBox();
    void relatedFilesGridShowsTheAccountsFiles();
    void fileChosenInAnEmptyGridCreatesOneRow_data();
    void fileChosenInAnEmptyGridCreatesOneRow();
    void datePickedInAnEmptyGridCreatesOneRow();
    void openHandsTheFileToTheDesktop_data();
    void openHandsTheFileToTheDesktop();
    void openOnAMovedFileSaysSo();
    void databaseUsageButtonAsksForItsWindow();
    void taxWindowSavesOrDiscardsThroughThePage_data();
    void taxWindowSavesOrDiscardsThroughThePage();
    void accountsItemOpensTheAccountsPage();
    void pageFitsTheSmallestScreen();
};

void TestAccounts::enabledToolbarIconsLookEnabled_data()
{
    QTest::addColumn<QString>("hint");
    for (const char* hint : {"New record", "Delete record", "Save record", "Refresh"}) QTest::newRow(hint) << hint;
}

// An enabled button's picture has dark outlines and colour, as its neighbours do, and differs from its disabled
// form; a picture all pale grey reads as disabled.
void TestAccounts::enabledToolbarIconsLookEnabled()
{
    QFETCH(QString, hint);
    Files f({accountInsert("Acme")});
    QToolButton* button = f.button(hint);
    QVERIFY(button->isEnabled());
    const QImage normal = button->icon().pixmap(button->iconSize(), QIcon::Normal).toImage();
    const QImage disabled = button->icon().pixmap(button->iconSize(), QIcon::Disabled).toImage();
    int dark = 0, coloured = 0, drawn = 0;
    for (int y = 0; y < normal.height(); ++y)
        for (int x = 0; x < normal.width(); ++x) {
            const QColor c = normal.pixelColor(x, y);
            if (c.alpha() < 160) continue;
            ++drawn;
            if (c.lightness() < 110) ++dark;
            if (c.hsvSaturation() > 90 && c.value() > 60) ++coloured;
        }
    QVERIFY2(dark >= 10 && coloured >= 10,
             qPrintable(QString("%1 drawn, %2 dark, %3 coloured").arg(drawn).arg(dark).arg(coloured)));
    QVERIFY(normal != disabled);
}

void TestAccounts::search_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("found");
    QTest::newRow("prefix in lower case") << "gl"
                                          << "Globex";
    QTest::newRow("prefix in upper case") << "GLOBO"
                                          << "globotech";
    QTest::newRow("whole name") << "initech"
                                << "Initech";
    QTest::newRow("no match stays") << "zz"
                                    << "Initech";
    QTest::newRow("emptied matches the first") << "\b"
                                               << "Acme";
}

void TestAccounts::search()
{
    QFETCH(QString, typed);
    QFETCH(QString, found);
    Files f(accountRows({"Acme", "Globex", "Initech", "globotech"}));
    f.accounts()->moveTo(2);
    typeSearch(f.page().SearchEdit, typed);
    QCOMPARE(f.current(), found);
    QCOMPARE(f.page().NameEdit->text(), found);
}

void TestAccounts::searchPostsThePendingAccountFirst()
{
    ScriptedMessages box;
    Files f(accountRows({"Acme", "Beta"}));
    f.find<DBEdit>("AccountCity")->setFocus();
    QTest::keyClicks(f.find<DBEdit>("AccountCity"), "Springfield");
    QTest::keyClicks(f.page().SearchEdit, "b");
    QCOMPARE(f.current(), QString("Beta"));
    QCOMPARE(f.db.scalar("SELECT AccountCity FROM Accounts WHERE AccountName = 'Acme'").toString(),
             QString("Springfield"));
    QCOMPARE(box.texts(), QStringList());
}

// Every text box of the page stores what is typed into its own column, letters in capitals where the page says.
void TestAccounts::fieldsStoreWhatIsTyped_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("stored");
    const QString typed = "ab 12c";
    const QString upper = "AB 12C";
    const QStringList plain{"AccountName",
                            "Account name (required)",
                            "AccountManager",
                            "Salesperson (account manager)",
                            "AccountStreet",
                            "Street",
                            "AccountCity",
                            "City",
                            "AccountCountry",
                            "Country",
                            "AccountPostOfficeBox",
                            "P.O. box",
                            "AccountMainTel",
                            "Main tel",
                            "AccountTel1",
                            "Tel 1",
                            "AccountTel2",
                            "Tel 2",
                            "AccountFax1",
                            "Fax 1",
                            "AccountFax2",
                            "Fax 2",
                            "AccountWebPage",
                            "Web site",
                            "Comments",
                            "Comments"};
    for (int i = 0; i < plain.size(); i += 2) QTest::newRow(qPrintable(plain[i])) << plain[i] << plain[i + 1] << typed;
    QTest::newRow("AccountState") << "AccountState"
                                  << "State/Province" << upper;
    QTest::newRow("AccountPostalCode") << "AccountPostalCode"
                                       << "Postal/ZIP" << upper;
}

void TestAccounts::fieldsStoreWhatIsTyped()
{
    QFETCH(QString, field);
    QFETCH(QString, caption);
    QFETCH(QString, stored);
    ScriptedMessages box;
    Files f(accountRows({"Acme"}));
    auto* edit = f.find<DBEdit>(field);
    QCOMPARE(edit->accessibleName(), caption);
    edit->selectAll();
    QTest::keyClicks(edit, "ab 12c");
    QCOMPARE(edit->text(), stored);
    QTest::mouseClick(f.button("Save record"), Qt::LeftButton);
    QCOMPARE(box.texts(), QStringList());
    QCOMPARE(f.db.scalar(QString("SELECT %1 FROM Accounts").arg(field)).toString(), stored);
}

void TestAccounts::listsAndImportanceStoreTheirEntries()
{
    Files f({accountInsert("Acme", {"AccountSize", "small-medium", "Importance", "high"})});
    auto* size = f.find<DBLookupList>("AccountSize");
    auto* industry = f.find<DBLookupList>("AccountIndustry");
    auto* importance = f.find<DBRadioGroup>("Importance");
    // Shown as the entry equal to the stored text with letter case ignored (lists) or exactly (radio groups).
    QCOMPARE(size->currentText(), QString("Small-medium"));
    QCOMPARE(industry->currentIndex(), -1);
    QCOMPARE(importance->checkedPosition(), -1);
    QCOMPARE(size->accessibleName(), QString("Size"));
    QCOMPARE(industry->accessibleName(), QString("Industry"));
    QCOMPARE(importance->title(), QString("Importance"));
    QCOMPARE(industry->count(), int(domains::industry().size()));

    industry->setFocus();
    QTest::keyClick(industry, Qt::Key_End);
    QTest::mouseClick(importance->buttons().at(1), Qt::LeftButton);
    QTest::mouseClick(f.button("Save record"), Qt::LeftButton);
    const auto row = f.db.rows("SELECT AccountSize, AccountIndustry, Importance FROM Accounts").value(0);
    QCOMPARE(row.value(0).toString(), QString("small-medium")); // showing never rewrites
    QCOMPARE(row.value(1).toString(), QString("Travel and Tourism"));
    QCOMPARE(row.value(2).toString(), QString("Medium"));
}

void TestAccounts::goToUrlHandsOverTheBoxUnchanged()
{
    ScriptedShell shell;
    shell.result = 2; // a failure shows nothing
    ScriptedMessages box;
    Files f({accountInsert("Acme", {"AccountWebPage", "acme.example"})});
    QTest::keyClick(f.page().WebSiteEdit, Qt::Key_End);
    QTest::keyClicks(f.page().WebSiteEdit, "/Shop?a=1&b"); // not saved yet
    f.find<QPushButton>("AccountWebSiteBtn")->click();
    QCOMPARE(shell.targets, QStringList{"acme.example/Shop?a=1&b"});
    QCOMPARE(shell.modes, std::vector<ShowMode>{ShowMode::Normal});
    QCOMPARE(box.texts(), QStringList());
}

// A screen reader or an automation tool sets texts, toggles a radio button and presses the toolbar's buttons
// through the accessibility interface: the account gets the values as if they were typed and clicked, and a name
// emptied that way is refused like a typed one.
void TestAccounts::valuesSetAsAScreenReaderDoesAreStored()
{
    ScriptedMessages box;
    Files f(accountRows({"Acme"}));
    auto setText = [&](const QString& field, const QString& text) {
        QAccessible::queryAccessibleInterface(f.find<DBEdit>(field))->setText(QAccessible::Value, text);
    };
    auto press = [&](QAbstractButton* button, const QString& action) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(button);
        QVERIFY(a->actionInterface()->actionNames().contains(action));
        a->actionInterface()->doAction(action);
    };
    setText("AccountCity", "Springfield");
    setText("AccountState", "il");
    press(f.find<DBRadioGroup>("Importance")->buttons().at(2), QAccessibleActionInterface::toggleAction());
    press(f.button("Save record"), QAccessibleActionInterface::pressAction());
    const auto row = f.db.rows("SELECT AccountCity, AccountState, Importance FROM Accounts").value(0);
    QCOMPARE(row, (QVariantList{"Springfield", "IL", "Low"}));

    setText("AccountName", "");
    press(f.button("Save record"), QAccessibleActionInterface::pressAction());
    QCOMPARE(f.storedNames(), QString("Acme"));
    QCOMPARE(f.accounts()->state(), DatasetState::Edit);
    QCOMPARE(box.texts(), QStringList());
}

// Turning to the contacts rebuilds the company choices and copies the edited account into the current contact:
// its business fields, nothing else of it, and no other contact. The page then stands on that account.
void TestAccounts::leavingThePageCopiesTheAccountIntoTheCurrentContactOnly()
{
    ScriptedMessages box;
    Files f({accountInsert("Acme", {"AccountStreet", "1 Old Rd"}), accountInsert("Beta"),
             personInsert("Adams", {"Company", "Beta", "Mobile", "555-1", "BAStreet", "Old"}),
             personInsert("Baker", {"Company", "Beta", "BAStreet", "Old"})});
    f.accounts()->last();
    QLineEdit* street = f.find<DBEdit>("AccountStreet");
    street->setFocus();
    QTest::keyClicks(street, "2 New Rd");
    QTest::keyClicks(f.find<DBEdit>("AccountCity"), "Springfield");

    QTabBar* tabs = f.form.PageControl->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(TDataEntryForm::ContactsPageIndex).center());

    QCOMPARE(f.form.PageControl->currentIndex(), int(TDataEntryForm::ContactsPageIndex));
    QCOMPARE(f.db.scalar("SELECT AccountCity FROM Accounts WHERE AccountName = 'Beta'").toString(),
             QString("Springfield"));
    QCOMPARE(f.current(), QString("Beta"));
    QCOMPARE(f.form.Pages->companyChooser()->entries(), (QStringList{"Acme", "Beta"}));
    Dataset* people = f.dm.PeopleCompanyDet;
    QCOMPARE(people->text("Name"), QString("Adams"));
    QCOMPARE(people->state(), DatasetState::Edit);
    people->post();
    QCOMPARE(box.texts(), QStringList());
    const auto rows = f.db.rows("SELECT Name, BAStreet, BACity, Mobile, Company FROM People ORDER BY rowid");
    QCOMPARE(rows.value(0), (QVariantList{"Adams", "2 New Rd", "Springfield", "555-1", "Beta"}));
    QCOMPARE(rows.value(1), (QVariantList{"Baker", "Old", QVariant(), QVariant(), "Beta"}));
}

void TestAccounts::leavingThePageWithoutContactsStartsOne()
{
    ScriptedMessages box;
    Files f(accountRows({"Acme"}));
    f.page().SearchEdit->setFocus();
    QTabBar* tabs = f.form.PageControl->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(TDataEntryForm::ContactsPageIndex).center());
    QCOMPARE(f.dm.PeopleCompanyDet->state(), DatasetState::Insert);
    QTest::mouseClick(f.form.ContactToolbar->button("Save record"), Qt::LeftButton);
    QCOMPARE(f.db.scalar("SELECT count(*) FROM People").toInt(), 0); // no name yet
    QCOMPARE(box.texts(), QStringList());
}

// Leaving is the keyboard going to another control of the window; another window coming up is no leaving.
void TestAccounts::onlyAControlOfTheSameWindowIsLeaving()
{
    Files f(accountRows({"Acme"}));
    int left = 0;
    f.page().onLeave = [&] { ++left; };
    f.page().SearchEdit->setFocus();
    f.find<DBEdit>("AccountCity")->setFocus();
    QCOMPARE(left, 0);
    QDialog other;
    other.show();
    auto* box = new QLineEdit(&other);
    box->show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    box->setFocus();
    QCOMPARE(QApplication::focusWidget(), box);
    QCOMPARE(left, 0);
    f.form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f.form));
    f.page().SearchEdit->setFocus();
    f.form.PageControl->tabBar()->setFocus();
    QCOMPARE(left, 1);
}

void TestAccounts::enteringThePageFocusesTheSearchBox()
{
    Files f(accountRows({"Acme"}));
    QTabBar* tabs = f.form.PageControl->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(TDataEntryForm::ContactsPageIndex).center());
    QVERIFY(f.form.focusWidget() != f.page().SearchEdit);
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(TDataEntryForm::AccountsPageIndex).center());
    QCOMPARE(f.form.focusWidget(), f.page().SearchEdit);
}

void TestAccounts::relatedFilesGridShowsTheAccountsFiles()
{
    Files f({accountInsert("Acme"), accountInsert("Beta"), relatedFileInsert(1, "/a/offer.pdf"),
             relatedFileInsert(2, "/b/contract.odt"), relatedFileInsert(2, "/b/letter.txt")});
    DBGrid* grid = f.page().RelatedFilesGrid;
    QStringList captions;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        captions << grid->model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(captions, (QStringList{"Date", "File path", "Open", "Description"}));
    QCOMPARE(grid->model()->rowCount(), 1);
    QCOMPARE(grid->model()->data(grid->cell(0, "FilePath")).toString(), QString("/a/offer.pdf"));
    QTest::mouseClick(f.button("Next record"), Qt::LeftButton);
    QCOMPARE(grid->model()->rowCount(), 2);
    QCOMPARE(grid->model()->data(grid->cell(1, "FilePath")).toString(), QString("/b/letter.txt"));
    QCOMPARE(grid->model()->data(grid->cell(1, "OPENFILE")).toString(), QString("OPEN FILE"));
    QCOMPARE(f.page().RelatedFilesNavigator->dataset(), f.dm.RelatedFilesTable);
}

// A file chosen in the "File path" column of an account without related files makes its first one: that path,
// "OPEN FILE", and no date. A cancelled dialog and a path too long to keep store nothing.
void TestAccounts::fileChosenInAnEmptyGridCreatesOneRow_data()
{
    QTest::addColumn<QString>("chosen"); // empty: cancelled
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<int>("rows");
    QTest::newRow("a file") << "/home/ann/Offers/Acme offer 2026.pdf" << QStringList() << 1;
    QTest::newRow("cancelled") << "" << QStringList() << 0;
    QTest::newRow("a path too long to keep")
        << "/" + QString(300, 'p')
        << QStringList{"The path of this file is too long to be kept: it holds 301 "
                       "characters and at most 255 fit. Move the file to a folder with "
                       "a shorter path and choose it again."}
        << 0;
}

void TestAccounts::fileChosenInAnEmptyGridCreatesOneRow()
{
    QFETCH(QString, chosen);
    QFETCH(QStringList, messages);
    QFETCH(int, rows);
    ScriptedMessages box;
    ScriptedFileDialogs dialogs;
    dialogs.answers.push_back(chosen);
    Files f({accountInsert("Acme"), accountInsert("Beta"), relatedFileInsert(1, "/a/offer.pdf")});
    QTest::mouseClick(f.button("Last record"), Qt::LeftButton);
    QCOMPARE(f.page().RelatedFilesGrid->model()->rowCount(), 1); // the blank row to start in
    f.clickCellButton(0, "FilePath");
    QCOMPARE(dialogs.requests.size(), size_t(1));
    QCOMPARE(dialogs.requests[0].kind, FileDialogRequest::Kind::Open);
    QCOMPARE(dialogs.requests[0].filter, QString("All files (*.*)|*.*"));
    QCOMPARE(box.texts(), messages);
    f.postRelatedFile();
    const auto stored = f.relatedFiles();
    QCOMPARE(stored.size(), 1 + rows);
    if (rows) QCOMPARE(stored[1], (QVariantList{2, QVariant(), chosen, "OPEN FILE", QVariant()}));
    QCOMPARE(f.dm.RelatedFilesTable->state(), DatasetState::Browse);
}

void TestAccounts::datePickedInAnEmptyGridCreatesOneRow()
{
    ScriptedMessages box;
    Files f({accountInsert("Acme")});
    auto modal = whenModal([](QWidget* w) {
        auto* picker = qobject_cast<TPickDateForm*>(w);
        picker->MonthCalendar1->setSelectedDate(QDate(2026, 3, 9));
        picker->CancelBtn->click();
    });
    f.clickCellButton(0, "Date");
    QVERIFY2(modal->ok(), modal->failure());
    QCOMPARE(f.dm.RelatedFilesTable->state(), DatasetState::Browse);
    modal = whenModal([](QWidget* w) {
        auto* picker = qobject_cast<TPickDateForm*>(w);
        picker->MonthCalendar1->setSelectedDate(QDate(2026, 3, 9));
        picker->OKBtn->click();
    });
    f.clickCellButton(0, "Date");
    QVERIFY2(modal->ok(), modal->failure());
    QCOMPARE(f.page().RelatedFilesGrid->model()->data(f.page().RelatedFilesGrid->cell(0, "Date")).toString(),
             QString("3/9/2026"));
    f.postRelatedFile();
    const auto stored = f.relatedFiles();
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored[0].value(0).toInt(), 1);
    QCOMPARE(stored[0].value(1).toString(), QString("2026-03-09 00:00:00"));
    QVERIFY(stored[0].value(2).isNull());
    QCOMPARE(box.texts(), QStringList());
}

// "Open" hands the row's path to the desktop, maximised; what cannot be opened says so, a row without a path too.
void TestAccounts::openHandsTheFileToTheDesktop_data()
{
    QTest::addColumn<QString>("path"); // null: no path stored
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("targets");
    QTest::addColumn<QStringList>("messages");
    const QStringList notFound{"File not found. Please check the file path."};
    QTest::newRow("opened") << "/home/ann/offer.pdf" << 42 << QStringList{"/home/ann/offer.pdf"} << QStringList();
    QTest::newRow("just opened") << "/home/ann/offer.pdf" << 33 << QStringList{"/home/ann/offer.pdf"} << QStringList();
    QTest::newRow("nothing could open it")
        << "/home/ann/offer.pdf" << 32 << QStringList{"/home/ann/offer.pdf"} << notFound;
    QTest::newRow("no path") << QString() << 42 << QStringList() << notFound;
}

void TestAccounts::openHandsTheFileToTheDesktop()
{
    QFETCH(QString, path);
    QFETCH(int, result);
    QFETCH(QStringList, targets);
    QFETCH(QStringList, messages);
    ScriptedMessages box;
    ScriptedShell shell;
    shell.result = result;
    Files f({accountInsert("Acme"), relatedFileInsert(1, path)});
    f.clickCellButton(0, "OPENFILE");
    QCOMPARE(shell.targets, targets);
    if (!targets.isEmpty()) QCOMPARE(shell.modes, std::vector<ShowMode>{ShowMode::Maximized});
    QCOMPARE(box.texts(), messages);
    if (!messages.isEmpty()) QCOMPARE(box.shown[0].kind, MessageKind::Error);
}

// Through the desktop's own opener: a file moved away after it was chosen is not found, and the row stays.
void TestAccounts::openOnAMovedFileSaysSo()
{
    ScriptedMessages box;
    QTemporaryDir folder;
    const QString path = folder.path() + "/offer.txt";
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    Files f({accountInsert("Acme"), relatedFileInsert(1, path)});
    QVERIFY(QFile::rename(path, folder.path() + "/moved.txt"));
    f.clickCellButton(0, "OPENFILE");
    QCOMPARE(box.texts(), QStringList{"File not found. Please check the file path."});
    QCOMPARE(f.relatedFiles().value(0).value(2).toString(), path);
    QCOMPARE(f.dm.RelatedFilesTable->state(), DatasetState::Browse);
}

void TestAccounts::databaseUsageButtonAsksForItsWindow()
{
    Files f(accountRows({"Acme"}));
    int asked = 0;
    f.page().onDatabaseUsage = [&] { ++asked; };
    QToolButton* button = f.page().DatabaseUsageBtn;
    QCOMPARE(button->toolTip(), QString("Database Usage"));
    QCOMPARE(button->accessibleName(), QString("Database Usage"));
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(asked, 1);
}

// The tax window as the program wires it: "OK" saves through the page, "Cancel" discards through it, the close box
// does neither. Lower-case letters in the state and postal code are stored as capitals.
void TestAccounts::taxWindowSavesOrDiscardsThroughThePage_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("postal");
    QTest::addColumn<QString>("taxNo");
    QTest::addColumn<DatasetState>("after");
    QTest::newRow("OK") << "OKBtn"
                        << "NY"
                        << "AB1 2CD"
                        << "T-77" << DatasetState::Browse;
    QTest::newRow("Enter") << "Enter"
                           << "NY"
                           << "AB1 2CD"
                           << "T-77" << DatasetState::Browse;
    QTest::newRow("Cancel") << "CancelBtn"
                            << "old"
                            << ""
                            << "" << DatasetState::Browse;
    QTest::newRow("close box") << "close"
                               << "old"
                               << ""
                               << "" << DatasetState::Edit;
}

void TestAccounts::taxWindowSavesOrDiscardsThroughThePage()
{
    QFETCH(QString, how);
    QFETCH(QString, state);
    QFETCH(QString, postal);
    QFETCH(QString, taxNo);
    QFETCH(DatasetState, after);
    StartedProgram p({accountInsert("Acme", {"LocalState", "old"}), accountInsert("Beta")});
    QVERIFY(p.started);
    TDataEntryForm* files = p.files;
    AccountsPage* page = files->Accounts;
    QString title, shownState;
    auto modal = whenModal([&](QWidget* w) {
        title = w->windowTitle();
        auto* tax = qobject_cast<TTaxForm*>(w);
        auto* stateBox = tax->findChild<DBEdit*>("LocalState");
        shownState = stateBox->text();
        stateBox->selectAll();
        QTest::keyClicks(stateBox, "ny");
        QTest::keyClicks(tax->findChild<DBEdit*>("LocalPostalCode"), "ab1 2cd");
        QTest::keyClicks(tax->findChild<DBEdit*>("TaxRegNo"), "T-77");
        if (how == "close")
            tax->close();
        else if (how == "Enter")
            QTest::keyClick(tax->findChild<DBEdit*>("TaxRegNo"), Qt::Key_Return);
        else
            tax->findChild<QPushButton*>(how)->click();
    });
    page->Toolbar->button("Tax information")->click();
    QVERIFY2(modal->ok(), modal->failure());
    QCOMPARE(title, QString("Tax Information"));
    QCOMPARE(shownState, QString("old"));
    QCOMPARE(p.messages.texts(), QStringList());
    Dataset* accounts = p.dm->AccountsTable;
    QCOMPARE(accounts->state(), after);
    const auto row = p.db.rows("SELECT LocalState, ifnull(LocalPostalCode, ''), ifnull(TaxRegNo, '') FROM Accounts "
                               "WHERE AccountName = 'Acme'")
                         .value(0);
    QCOMPARE(row, (QVariantList{state, postal, taxNo}));
    if (after == DatasetState::Edit) {
        // The next move on the page decides: it saves the typing left in the account.
        page->Toolbar->button("Next record")->click();
        QCOMPARE(p.db.scalar("SELECT LocalState FROM Accounts WHERE AccountName = 'Acme'").toString(), QString("NY"));
    }
}

void TestAccounts::accountsItemOpensTheAccountsPage()
{
    StartedProgram p(accountRows({"Acme"}));
    QVERIFY(p.started);
    TDataEntryForm* files = p.files;
    QAction* item = p.program.mainWindow()->AccountsItem;
    QVERIFY(item->isVisible());
    QCOMPARE(item->text().remove('&'), QString("Accounts..."));
    int page = -1;
    QWidget* focus = nullptr;
    auto modal = whenModal([&](QWidget* w) {
        page = files->PageControl->currentIndex();
        focus = w->focusWidget();
        w->close();
    });
    item->trigger();
    QVERIFY2(modal->ok(), modal->failure());
    QCOMPARE(page, int(TDataEntryForm::AccountsPageIndex));
    QCOMPARE(focus, files->Accounts->SearchEdit);
    QCOMPARE(p.messages.texts(), QStringList()); // opening on the accounts page asks for no company
}

// The page fits the Files window at its size on an 800x600 screen. With QV_SCREENSHOTS set to a folder the page is
// also saved there as a picture, to be looked at.
void TestAccounts::pageFitsTheSmallestScreen()
{
    Files f({accountInsert("Acme", {"AccountWebPage", "https://acme.example", "Importance", "High"})});
    f.form.resize(790, 560);
    QWidget* page = &f.page();
    QVERIFY2(page->minimumSizeHint().height() <= page->height(),
             qPrintable(QString::number(page->minimumSizeHint().height())));
    QVERIFY2(page->minimumSizeHint().width() <= page->width(),
             qPrintable(QString::number(page->minimumSizeHint().width())));
    const QString folder = qEnvironmentVariable("QV_SCREENSHOTS");
    if (!folder.isEmpty()) f.form.grab().save(folder + "/AccountsPage.png");
}

QTEST_MAIN(TestAccounts)
#include "test_accounts.moc"

#include "records/AccountsPage.h"
#include "data/DataModule.h"
#include "data/DatabaseError.h"
#include "data/Domains.h"
#include "platform/DBGrid.h"
#include "platform/DBNavigator.h"
#include "platform/DataControls.h"
#include "platform/FileDialogs.h"
#include "platform/GuardedApplication.h"
#include "platform/Messages.h"
#include "platform/RecordToolbar.h"
#include "platform/ShellOpen.h"
#include "records/FieldLayout.h"
#include "records/PickDate.h"

#include <QApplication>
#include <QEvent>
#include <QFormLayout>
#include <QHeaderView>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace qv {

using namespace fields;

AccountsPage::AccountsPage(TMainDataModule& dm, QWidget* window) : m_dm(dm), m_window(window)
{
    setObjectName("AccountsPage");
    m_accounts = new DataSource(dm.AccountsTable, window);

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(4, 4, 4, 4);
    v->setSpacing(4);

    // Unlike the contacts' toolbar, this one moves no focus and has no explanations to refresh.
    Toolbar = new RecordToolbar(
        dm.AccountsTable, {{"Tax information", QStyle::SP_FileDialogContentsView, [this] { TaxInformationClick(); }},
                           {"Report", QStyle::SP_FileDialogDetailedView, [this] { ReportClick(); }}});
    v->addWidget(Toolbar);

    QFormLayout* search = newForm(v);
    SearchEdit = new QLineEdit;
    SearchEdit->setObjectName("AccountSearchEdit");
    addRow(search, "Search by name", SearchEdit);
    connect(SearchEdit, &QLineEdit::textChanged, this,
            [this](const QString& text) { runGuarded([&] { SearchEditChange(text); }); });

    v->addWidget(buildFields());
    v->addWidget(buildRelatedFiles(), 1);

    m_focusWatch = connect(qApp, &QApplication::focusChanged, this, &AccountsPage::focusChanged);
    installEventFilter(this);

    // The account-name rule reads this page's name box and puts the focus there when it refuses.
    dm.setAccountNameBox({[this] {
                              // While the window is hidden the box is not kept up to date: catch up first.
                              if (!m_window->isVisible()) NameEdit->showValue();
                              return NameEdit->text();
                          },
                          [this] {
                              // Only a box on the screen can take the focus.
                              if (!NameEdit->isVisible()) return false;
                              NameEdit->setFocus();
                              return true;
                          }});
}

AccountsPage::~AccountsPage()
{
    // The page's children go only after this destructor, and their going moves the focus: the application's notice
    // of it must no longer reach a page that is half gone.
    disconnect(m_focusWatch);
    m_dm.setAccountNameBox({});
}

QWidget* AccountsPage::buildFields()
{
    auto* fieldsArea = new QWidget;
    fieldsArea->setObjectName("AccountFields");
    auto* rows = new QVBoxLayout(fieldsArea);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(3);
    auto* columns = new QHBoxLayout;
    columns->setSpacing(6);
    rows->addLayout(columns);
    DataSource* s = m_accounts;

    QVBoxLayout* left = column(columns, 5);
    QFormLayout* f = newForm(left);
    NameEdit = new DBEdit(s, "AccountName");
    addRow(f, "Account name (required)", NameEdit);
    addRow(f, "Size", new DBLookupList(s, "AccountSize", domains::companySize()));
    addRow(f, "Industry", new DBLookupList(s, "AccountIndustry", domains::industry()));
    left->addWidget(new DBRadioGroup(s, "Importance", "Importance", domains::importance(), 3));
    QGroupBox* manager = newGroup("Salesperson (account manager)", "AccountManagerGroup");
    auto* managerBox = new DBEdit(s, "AccountManager");
    managerBox->setAccessibleName(manager->title());
    auto* mv = new QVBoxLayout(manager);
    mv->setContentsMargins(6, 2, 6, 4);
    mv->addWidget(managerBox);
    left->addWidget(manager);
    left->addStretch();

    QVBoxLayout* right = column(columns, 6);
    right->addWidget(addressGroup(
        "Headquarters address", "HeadquartersAddressGroup", s,
        {"AccountStreet", "AccountCity", "AccountState", "AccountPostalCode", "AccountCountry", "AccountPostOfficeBox"},
        {}, DBEdit::Options{.upperCase = true}));

    QGroupBox* phones = newGroup("Telephone(s), fax(es), and URL", "AccountTelephonesGroup");
    PairGrid n(phones);
    n.pair("Main tel", new DBEdit(s, "AccountMainTel"));
    n.pair("Tel 1", new DBEdit(s, "AccountTel1"));
    n.pair("Tel 2", new DBEdit(s, "AccountTel2"));
    n.pair("Fax 1", new DBEdit(s, "AccountFax1"));
    n.pair("Fax 2", new DBEdit(s, "AccountFax2"));
    WebSiteEdit = new DBEdit(s, "AccountWebPage");
    WebSiteEdit->setAccessibleName("Web site");
    n.wide("Web site", WebSiteEdit, goToUrlButton("AccountWebSiteBtn", WebSiteEdit));
    right->addWidget(phones);
    right->addStretch();

    QFormLayout* comments = newForm(rows);
    addRow(comments, "Comments", new DBEdit(s, "Comments"));
    return fieldsArea;
}

QWidget* AccountsPage::buildRelatedFiles()
{
    auto* area = new QWidget;
    area->setObjectName("RelatedFilesArea");
    auto* v = new QVBoxLayout(area);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(2);
    RelatedFilesGrid =
        new DBGrid(m_dm.RelatedFilesTable, {GridColumn::button("Date", "Date", 100, [this] { pickFileDate(); }),
                                            GridColumn::button("FilePath", "File path", 270, [this] { chooseFile(); }),
                                            GridColumn::button("OPENFILE", "Open", 90, [this] { openFile(); }),
                                            GridColumn::text("FileDescription", "Description", 230)});
    RelatedFilesGrid->setAccessibleName("Related files");
    RelatedFilesGrid->setMinimumHeight(RelatedFilesGrid->verticalHeader()->defaultSectionSize() * 4 +
                                       RelatedFilesGrid->horizontalHeader()->sizeHint().height() + 4);
    auto* label = new QLabel("Related files");
    label->setBuddy(RelatedFilesGrid);
    v->addWidget(label);
    v->addWidget(RelatedFilesGrid, 1);

    auto* bottom = new QHBoxLayout;
    RelatedFilesNavigator = new DBNavigator(m_dm.RelatedFilesTable);
    RelatedFilesNavigator->setGrid(RelatedFilesGrid);
    bottom->addWidget(RelatedFilesNavigator);
    bottom->addStretch();
    DatabaseUsageBtn = hintedButton("Database Usage", QStyle::SP_MessageBoxQuestion, [this] {
        if (onDatabaseUsage) onDatabaseUsage();
    });
    bottom->addWidget(DatabaseUsageBtn);
    v->addLayout(bottom);
    return area;
}

// ---------------------------------------------------------------- related files

void AccountsPage::pickFileDate() { pickDateInto(*m_dm.RelatedFilesTable, "Date"); }

void AccountsPage::chooseFile()
{
    const QString path = chooseFileToOpen("All files (*.*)|*.*");
    if (path.isEmpty()) return;
    Dataset* files = m_dm.RelatedFilesTable;
    // The path is all that is kept of the file: one that does not fit is refused before it is half stored.
    const int width = files->declaredWidth("FilePath");
    if (width > 0 && path.size() > width) {
        showError(QString("The path of this file is too long to be kept: it holds %1 characters and at most %2 fit. "
                          "Move the file to a folder with a shorter path and choose it again.")
                      .arg(path.size())
                      .arg(width));
        return;
    }
    // An account without related files gets its first one here.
    files->edit();
    files->setValue("FilePath", path);
    files->setValue("OPENFILE", "OPEN FILE");
}

void AccountsPage::openFile()
{
    Dataset* files = m_dm.RelatedFilesTable;
    const QString path = files->isEmpty() ? QString() : files->text("FilePath");
    // A row without a path is a file that cannot be found, as a moved one is.
    if (path.isEmpty() || shellOpen(path, ShowMode::Maximized) <= 32)
        showError("File not found. Please check the file path.");
}

// ---------------------------------------------------------------- entering and leaving

bool AccountsPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == this && event->type() == QEvent::Show) SearchEdit->setFocus();
    return QWidget::eventFilter(watched, event);
}

void AccountsPage::focusChanged(QWidget* old, QWidget* now)
{
    // Leaving means another control of the same window takes the keyboard: another window coming to the front
    // (the tax window, a message box) or the window closing is no leaving.
    if (!old || !now || !isAncestorOf(old) || isAncestorOf(now) || now->window() != window()) return;
    try {
        if (onLeave) onLeave();
    } catch (const std::exception&) {
        // The contact catches up with its account at its next chance; nothing to tell the user here.
    }
}

// ---------------------------------------------------------------- search

void AccountsPage::SearchEditChange(const QString& text)
{
    Dataset* accounts = m_dm.AccountsTable;
    // locate posts the pending account first.
    accounts->locate({"AccountName"}, {text}, LocatePartialKey | LocateCaseInsensitive);
    accounts->refresh();
}

// ---------------------------------------------------------------- toolbar

void AccountsPage::saveRecord() { Toolbar->saveRecord(); }

void AccountsPage::discardChanges() { Toolbar->discardChanges(); }

void AccountsPage::saveBeforeCommand()
{
    try {
        Toolbar->saveRecord();
    } catch (const PostRefused&) {
        // A blank name: the rule has put the focus into the name box; the command goes on with what is stored.
    }
}

bool AccountsPage::savedAccountToWorkOn()
{
    saveBeforeCommand();
    if (m_dm.AccountsTable->recordCount() > 0) return true;
    showError("Accounts database is empty.");
    return false;
}

void AccountsPage::TaxInformationClick()
{
    if (savedAccountToWorkOn() && onTaxInformation) onTaxInformation();
}

void AccountsPage::ReportClick()
{
    // As the tax command: the report prints the saved account, and there must be one.
    if (savedAccountToWorkOn() && onReport) onReport();
}

} // namespace qv

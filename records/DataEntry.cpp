#include "records/DataEntry.h"
#include "data/DataModule.h"
#include "data/DatabaseError.h"
#include "data/Domains.h"
#include "platform/DataControls.h"
#include "platform/GuardedApplication.h"
#include "platform/Messages.h"
#include "platform/RecordToolbar.h"
#include "records/AccountsPage.h"
#include "records/ContactPages.h"

#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

namespace qv {

TDataEntryForm::TDataEntryForm(TMainDataModule& dm, QWidget* parent) : QDialog(parent), m_dm(dm)
{
    setObjectName("TDataEntryForm");
    setWindowTitle("Files");
    // Closed with its close box only: no minimise or maximise box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowSystemMenuHint);
    m_contacts = new DataSource(dm.PeopleCompanyDet, this);

    PageControl = new QTabWidget(this);
    PageControl->setObjectName("PageControl");
    PageControl->setTabPosition(QTabWidget::West);
    PageControl->setAccessibleName("Contacts and accounts");
    ContactsPage = buildContactsPage();
    Accounts = new AccountsPage(dm, this);
    // Leaving the accounts page brings the contact's company choices and account copy up to date.
    Accounts->onLeave = [this] { rebuildCompanyChoices(); };
    PageControl->addTab(ContactsPage, "Contacts");
    PageControl->addTab(Accounts, "Accounts");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(PageControl);
    resize(790, 560);

    connect(PageControl, &QTabWidget::currentChanged, this, &TDataEntryForm::pageChanged);
    ContactsPage->installEventFilter(this);

    // The required-name rule reads the box, not the column, and puts the focus there when it refuses.
    dm.setContactNameBox({[this] {
                              // While the window is hidden the box is not kept up to date: catch up first.
                              if (!isVisible()) NameEdit->showValue();
                              return NameEdit->text();
                          },
                          [this] {
                              if (!isVisible()) return false;
                              NameEdit->setFocus();
                              return true;
                          }});
}

TDataEntryForm::~TDataEntryForm() { m_dm.setContactNameBox({}); }

QWidget* TDataEntryForm::buildContactsPage()
{
    auto* page = new QWidget;
    page->setObjectName("ContactsPage");
    auto* v = new QVBoxLayout(page);
    v->setContentsMargins(4, 4, 4, 4);
    v->setSpacing(4);

    ContactToolbar = new RecordToolbar(
        m_dm.PeopleCompanyDet,
        {{"Personality identification", QStyle::SP_MessageBoxQuestion, [this] { PersonalityClick(); }},
         {"Report", QStyle::SP_FileDialogDetailedView, [this] { ReportClick(); }}});
    // The contact's explanations follow the record, and the keyboard goes back to the search box.
    ContactToolbar->onRecordShown = [this] { refreshExplanations(); };
    ContactToolbar->onFocusSearch = [this] { SearchEdit->setFocus(); };
    v->addWidget(ContactToolbar);

    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setVerticalSpacing(3);
    SearchEdit = new QLineEdit;
    SearchEdit->setObjectName("SearchEdit");
    SearchEdit->setAccessibleName("Search by name");
    auto* searchLabel = new QLabel("Search by name");
    searchLabel->setBuddy(SearchEdit);
    form->addRow(searchLabel, SearchEdit);
    connect(SearchEdit, &QLineEdit::textChanged, this,
            [this](const QString& text) { runGuarded([&] { SearchEditChange(text); }); });

    auto* person = new QHBoxLayout;
    TitleBox = new DBComboBox(m_contacts, "Title", domains::title());
    TitleBox->setAccessibleName("Title");
    TitleBox->setMinimumWidth(80);
    auto* titleLabel = new QLabel("Title");
    titleLabel->setBuddy(TitleBox);
    NameEdit = new DBEdit(m_contacts, "Name");
    NameEdit->setAccessibleName("Name (required)");
    auto* nameLabel = new QLabel("Name (required)");
    nameLabel->setBuddy(NameEdit);
    person->addWidget(TitleBox);
    person->addSpacing(8);
    person->addWidget(nameLabel);
    person->addWidget(NameEdit, 1);
    form->addRow(titleLabel, person);
    v->addLayout(form);

    Pages = new ContactPages(m_dm, m_contacts);
    v->addWidget(Pages, 1);
    return page;
}

// ---------------------------------------------------------------- pages

void TDataEntryForm::selectPage(int page, int subPage)
{
    m_selectingByCode = true;
    PageControl->setCurrentIndex(page);
    if (subPage >= 0) Pages->setCurrentIndex(subPage);
    m_selectingByCode = false;
}

void TDataEntryForm::showContactsPage(int subPage)
{
    selectPage(ContactsPageIndex, subPage);
    exec();
}

void TDataEntryForm::showAccountsPage()
{
    selectPage(AccountsPageIndex, -1);
    exec();
}

void TDataEntryForm::pageChanged(int index)
{
    if (m_selectingByCode || index != ContactsPageIndex) return;
    // The contacts shown are those of the current company; without one there is nothing to edit.
    Dataset* companies = m_dm.CompaniesTable;
    if (!companies->isOpen() || companies->recNo() < 0 || companies->isNull("CompanyID"))
        showPlain("Please, Select company first.");
}

void TDataEntryForm::contactsPageShown()
{
    // No mail-client automation server exists here to be woken up in advance; the imports reach the contacts
    // through the platform's own source when they run.
    m_contacts->refreshIfStale();
    SearchEdit->setFocus();
    refreshExplanations();
}

bool TDataEntryForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ContactsPage && event->type() == QEvent::Show) runGuarded([this] { contactsPageShown(); });
    return QDialog::eventFilter(watched, event);
}

void TDataEntryForm::keyPressEvent(QKeyEvent* event)
{
    // The window closes with its close box only; Escape must not drop out of it.
    if (event->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(event);
}

void TDataEntryForm::rebuildCompanyChoices() { Pages->rebuildCompanyChoices(); }

void TDataEntryForm::refreshExplanations() { Pages->refreshExplanations(); }

// ---------------------------------------------------------------- commands of the main window

void TDataEntryForm::filtersCommand()
{
    if (m_dm.PeopleCompanyDet->recordCount() == 0) {
        showInformation("The database is empty.");
        return;
    }
    if (onShowFilters) onShowFilters();
}

void TDataEntryForm::followUpCommand()
{
    if (m_dm.PeopleCompanyDet->recordCount() == 0) {
        showInformation("The database is empty.");
        return;
    }
    if (onShowFollowUp) onShowFollowUp();
}

void TDataEntryForm::helpCommand()
{
    if (onHelp) onHelp();
}

// ---------------------------------------------------------------- search

void TDataEntryForm::SearchEditChange(const QString& text)
{
    Dataset* companies = m_dm.CompaniesTable;
    Dataset* people = m_dm.PeopleCompanyDet;
    companies->first();
    // The contacts shown are the first company's, so a match on the name alone is a match of that company.
    people->locate({"Name"}, {text}, LocatePartialKey | LocateCaseInsensitive);
    people->refresh();
}

// ---------------------------------------------------------------- contact toolbar

namespace {
// The personality and report commands post what is pending and go on whatever the post says.
void postIgnoringFailure(Dataset* ds)
{
    try {
        ds->post();
    } catch (const std::exception&) {}
}
} // namespace

void TDataEntryForm::PersonalityClick()
{
    postIgnoringFailure(m_dm.PeopleCompanyDet);
    if (m_dm.PeopleCompanyDet->recordCount() == 0) {
        showError("Contacts database is empty.");
        return;
    }
    if (onPersonality) onPersonality();
}

void TDataEntryForm::ReportClick()
{
    postIgnoringFailure(m_dm.PeopleCompanyDet);
    if (m_dm.PeopleCompanyDet->recordCount() == 0) {
        showError("No record selected.");
        return;
    }
    if (onContactReport) onContactReport();
}

} // namespace qv

#include "records/ContactPages.h"
#include "data/DataModule.h"
#include "data/DatabaseError.h"
#include "data/Domains.h"
#include "platform/DataControls.h"
#include "platform/GuardedApplication.h"
#include "platform/ShellOpen.h"
#include "records/FieldLayout.h"
#include "records/PickDate.h"

#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <optional>
#include <utility>

namespace qv {

using namespace fields;

namespace {

// Account field -> contact field, copied whenever the contact's company is taken from the accounts.
const std::pair<const char*, const char*> AccountCopy[] = {
    {"AccountSize", "CompanySize"},  {"AccountIndustry", "Industry"},
    {"AccountStreet", "BAStreet"},   {"AccountCity", "BACity"},
    {"AccountState", "BAState"},     {"AccountPostalCode", "BAPostalCode"},
    {"AccountCountry", "BACountry"}, {"AccountPostOfficeBox", "BAPostOfficeBox"},
    {"AccountMainTel", "TelMain"},   {"AccountTel1", "TelB1"},
    {"AccountTel2", "TelB2"},        {"AccountFax1", "FaxB1"},
    {"AccountFax2", "FaxB2"},        {"AccountWebPage", "WebPage"},
};

// A group that holds only a closed list (and maybe its explanation): the group's title names the list.
QGroupBox* listGroup(const QString& title, const QString& name, DBLookupList* list, QWidget* explanation = nullptr)
{
    QGroupBox* g = newGroup(title, name);
    list->setAccessibleName(title);
    auto* v = new QVBoxLayout(g);
    v->setContentsMargins(6, 2, 6, 2);
    v->setSpacing(2);
    v->addWidget(list);
    if (explanation) v->addWidget(explanation);
    return g;
}

} // namespace

ContactPages::ContactPages(TMainDataModule& dm, DataSource* source, QWidget* parent)
    : QTabWidget(parent), m_dm(dm), m_source(source)
{
    setObjectName("ContactPageControl");
    setAccessibleName("Contact pages");
    addTab(buildPersonalInfo(), "Personal info");
    addTab(buildBusinessInfo(), "Business info");
    addTab(buildMarketingInfo(), "Marketing info");
    m_businessPage->installEventFilter(this);
}

QToolButton* ContactPages::dateButton(const QString& field)
{
    auto* b = new QToolButton;
    b->setText("...");
    b->setObjectName(field + "Btn");
    b->setAccessibleName("Pick " + field.toLower());
    b->setToolTip("Pick a date");
    connect(b, &QToolButton::clicked, this,
            [this, field] { runGuarded([&] { pickDateInto(*m_source->dataset(), field); }); });
    return b;
}

QPushButton* ContactPages::sendEmailButton(const QString& name, QLineEdit* box)
{
    auto* b = new QPushButton("Send email");
    b->setObjectName(name);
    b->setAccessibleName("Send email to " + box->accessibleName());
    b->setAutoDefault(false);
    // The text as shown, unsaved typing included; the mail client makes sense of it.
    connect(b, &QPushButton::clicked, this, [box] { shellOpen(mailtoLink(box->text()), ShowMode::Maximized); });
    return b;
}

QWidget* ContactPages::buildPersonalInfo()
{
    auto* page = new QWidget;
    page->setObjectName("PersonalInfoPage");
    auto* columns = new QHBoxLayout(page);
    columns->setContentsMargins(4, 4, 4, 4);
    DataSource* s = m_source;

    QVBoxLayout* left = column(columns, 5);
    QFormLayout* top = newForm(left);
    addRow(top, "Birthday", new DBDateBox(s, "Birthday"), dateButton("Birthday"));
    left->addWidget(new DBRadioGroup(s, "Breminder", "Birthday reminder", domains::reminderFlag()));
    top = newForm(left);
    addRow(top, "Language(s)", new DBEdit(s, "Language"));

    QGroupBox* household = newGroup("Household", "HouseholdGroup");
    auto* hv = new QVBoxLayout(household);
    hv->setContentsMargins(6, 2, 6, 2);
    QFormLayout* hf = newForm(hv);
    hf->setRowWrapPolicy(QFormLayout::WrapLongRows);
    addRow(hf, "Household lifecycle position", new DBLookupList(s, "Household", domains::household()));
    addRow(hf, "Spouse/Partner", new DBEdit(s, "Spouse"));
    addRow(hf, "Children", new DBEdit(s, "Children"));
    addRow(hf, "Anniversary", new DBDateBox(s, "Anniversary"), dateButton("Anniversary"));
    hv->addWidget(new DBRadioGroup(s, "Areminder", "Anniversary reminder", domains::reminderFlag()));
    left->addWidget(household);
    left->addStretch();

    QVBoxLayout* right = column(columns, 6);
    right->addWidget(addressGroup("Home address", "HomeAddressGroup", s,
                                  {"HAStreet", "HACity", "HAState", "HAPostalCode", "HACountry", "HAPostOfficeBox"}, {},
                                  DBEdit::Options{.upperCase = true}));

    QGroupBox* phones = newGroup("Home and personal telephone(s), fax, email(s), and URL", "HomeTelephonesGroup");
    PairGrid numbers(phones);
    numbers.pair("Primary tel", new DBEdit(s, "PrimaryTel"));
    numbers.pair("Mobile", new DBEdit(s, "Mobile"));
    numbers.pair("Tel 1", new DBEdit(s, "TelH1"));
    numbers.pair("Tel 2", new DBEdit(s, "TelH2"));
    numbers.pair("Fax", new DBEdit(s, "FaxH"));
    numbers.pair("Telex", new DBEdit(s, "Telex"));
    auto* email1 = new DBEdit(s, "Email1", DBEdit::Options{.limit = 99});
    email1->setAccessibleName("Email 1");
    numbers.wide("Email 1", email1, sendEmailButton("SendEmail1Btn", email1));
    auto* email2 = new DBEdit(s, "Email2", DBEdit::Options{.limit = 99});
    email2->setAccessibleName("Email 2");
    numbers.wide("Email 2", email2, sendEmailButton("SendEmail2Btn", email2));
    auto* homePage = new DBEdit(s, "HomePage");
    homePage->setAccessibleName("Home page");
    numbers.wide("Home page", homePage, goToUrlButton("HomePageBtn", homePage));
    right->addWidget(phones);
    right->addStretch();
    return page;
}

QWidget* ContactPages::buildBusinessInfo()
{
    auto* page = new QWidget;
    page->setObjectName("BusinessInfoPage");
    m_businessPage = page;
    auto* columns = new QHBoxLayout(page);
    columns->setContentsMargins(4, 4, 4, 4);
    DataSource* s = m_source;
    const DBEdit::Options fromAccount{.readOnly = true};

    QVBoxLayout* left = column(columns, 5);
    QFormLayout* f = newForm(left);
    m_company = new DBLookupList(s, "Company", {});
    addRow(f, "Company", m_company);
    connect(m_company, &DBLookupList::picked, this,
            [this](int position) { runGuarded([&] { copyAccount(m_company->entries().value(position)); }); });
    auto* industry = new DBLookupList(s, "Industry", domains::industry());
    industry->setReadOnly(true);
    addRow(f, "Industry", industry);
    addRow(f, "Department", new DBEdit(s, "Department"));
    m_profession = new DBComboBox(s, "Profession", m_dm.professionSuggestions());
    connect(&m_dm, &TMainDataModule::professionSuggestionsChanged, m_profession, &DBComboBox::setEntries);
    addRow(f, "Profession", m_profession);
    addRow(f, "Job title", new DBEdit(s, "JobTitle"));
    auto* size = new DBLookupList(s, "CompanySize", domains::companySize());
    size->setReadOnly(true);
    left->addWidget(listGroup("Company size", "CompanySizeGroup", size));
    left->addWidget(listGroup("Level of education", "EducationGroup",
                              new DBLookupList(s, "EducationLevel", domains::educationLevel())));
    left->addWidget(listGroup("Income", "IncomeGroup", new DBLookupList(s, "Income", domains::income())));
    QGroupBox* colleagues = newGroup("Business colleagues", "BusinessColleaguesGroup");
    QFormLayout* cf = newForm(colleagues);
    addRow(cf, "Assistant name", new DBEdit(s, "AssistantName"));
    addRow(cf, "Manager name", new DBEdit(s, "ManagerName"));
    left->addWidget(colleagues);
    left->addStretch();

    QVBoxLayout* right = column(columns, 6);
    right->addWidget(addressGroup("Business address", "BusinessAddressGroup", s,
                                  {"BAStreet", "BACity", "BAState", "BAPostalCode", "BACountry", "BAPostOfficeBox"},
                                  fromAccount, fromAccount));

    QGroupBox* phones = newGroup("Business telephone(s), fax(es), email, and URL", "BusinessTelephonesGroup");
    PairGrid numbers(phones);
    numbers.pair("Main tel", new DBEdit(s, "TelMain", fromAccount));
    numbers.pair("Tel 1", new DBEdit(s, "TelB1", fromAccount));
    numbers.pair("Tel 2", new DBEdit(s, "TelB2", fromAccount));
    numbers.pair("Fax 1", new DBEdit(s, "FaxB1", fromAccount));
    numbers.pair("Fax 2", new DBEdit(s, "FaxB2", fromAccount));
    auto* email = new DBEdit(s, "TelCallback", DBEdit::Options{.limit = 99});
    email->setAccessibleName("Email");
    numbers.wide("Email", email, sendEmailButton("SendBusinessEmailBtn", email));
    numbers.pair("Ext", new DBEdit(s, "Ext"));
    auto* web = new DBEdit(s, "WebPage", fromAccount);
    web->setAccessibleName("Web site");
    numbers.wide("Web site", web, goToUrlButton("WebSiteBtn", web));
    right->addWidget(phones);
    right->addStretch();
    return page;
}

QWidget* ContactPages::buildMarketingInfo()
{
    auto* page = new QWidget;
    page->setObjectName("MarketingInfoPage");
    auto* columns = new QHBoxLayout(page);
    columns->setContentsMargins(4, 4, 4, 4);
    DataSource* s = m_source;

    QVBoxLayout* left = column(columns, 2);
    left->addWidget(new DBRadioGroup(s, "Gender", "Gender", domains::gender()));
    left->addWidget(new DBRadioGroup(s, "PersonType", "Type", domains::personType()));
    left->addWidget(new DBRadioGroup(s, "CustoemrImportance", "Importance", domains::importance(), 3));
    left->addWidget(new DBRadioGroup(s, "MailingAddress", "Mailing address", domains::addressChoice()));
    left->addWidget(new DBRadioGroup(s, "BillingAddress", "Billing address", domains::addressChoice()));
    left->addStretch();

    QVBoxLayout* right = column(columns, 5);
    auto* prospecting = new DBLookupList(s, "ProspectingMethod", domains::prospectingMethod());
    m_prospectingExplanation = new ExplanationBox(prospecting, domains::prospectingExplanations());
    right->addWidget(listGroup("Prospecting method used", "ProspectingGroup", prospecting, m_prospectingExplanation));
    auto* innovation = new DBLookupList(s, "Innovation", domains::innovation());
    m_innovationExplanation = new ExplanationBox(innovation, domains::innovationExplanations());
    right->addWidget(listGroup("Diffusion of innovation rate and acceptance", "InnovationGroup", innovation,
                               m_innovationExplanation));
    auto* approach = new DBLookupList(s, "ApproachType", domains::approachType());
    m_approachExplanation = new ExplanationBox(approach, domains::approachExplanations());
    right->addWidget(listGroup("First time approach method", "ApproachGroup", approach, m_approachExplanation));
    QGroupBox* other = newGroup("Other information", "OtherInformationGroup");
    QFormLayout* of = newForm(other);
    addRow(of, "Ethnic interest", new DBEdit(s, "Ethnic", DBEdit::Options{.limit = 25}));
    addRow(of, "Hobbies", new DBEdit(s, "Hobbies", DBEdit::Options{.limit = 55}));
    addRow(of, "Comments", new DBEdit(s, "Info"));
    right->addWidget(other);
    right->addStretch();
    return page;
}

void ContactPages::refreshExplanations()
{
    m_prospectingExplanation->refresh();
    m_innovationExplanation->refresh();
    m_approachExplanation->refresh();
}

bool ContactPages::copyAccount(const QString& accountName)
{
    // No company is no account, even if some account was saved without a name.
    if (accountName.isEmpty()) return false;
    Dataset* accounts = m_dm.AccountsTable;
    if (!accounts->locate({"AccountName"}, {accountName})) return false;
    Dataset* people = m_dm.PeopleCompanyDet;
    if (!people->isEditing()) people->edit();
    for (const auto& [from, to] : AccountCopy) people->setValue(to, accounts->value(from));
    return true;
}

void ContactPages::rebuildCompanyChoices()
{
    m_source->refreshIfStale();
    Dataset* people = m_dm.PeopleCompanyDet;
    Dataset* accounts = m_dm.AccountsTable;
    m_company->setEntries({});
    people->edit();
    QStringList names;
    if (accounts->recordCount() > 0) {
        // Nobody watches the accounts move through the walk; their controls catch up once at its end.
        const HeldNotices held(*accounts);
        const int name = accounts->requireField("AccountName");
        std::optional<Transaction> snapshot;
        for (accounts->first(); !accounts->atEnd(); accounts->next()) {
            names << accounts->text(name);
            try {
                // The first re-read saves the contact's pending change, or drops an unchanged edit.
                people->refresh();
            } catch (const PostRefused&) {
                // A blank name: the rule has put the focus into the name box; the rest of the rebuild waits.
                m_company->setEntries(names);
                return;
            }
            // Then hold the file still for the rest of this short walk: each further re-read is a check of the
            // file's version within the transaction, not a lock taken and dropped two thousand times.
            if (!snapshot) snapshot.emplace(*m_dm.MainADOConnection, Connection::TransactionKind::Read);
        }
        if (snapshot) snapshot->commit();
    }
    m_company->setEntries(names);
    accounts->first();
    people->edit();
    copyAccount(m_company->currentText());
}

bool ContactPages::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_businessPage && event->type() == QEvent::Show) runGuarded([this] { rebuildCompanyChoices(); });
    return QTabWidget::eventFilter(watched, event);
}

} // namespace qv

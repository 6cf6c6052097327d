#include "analysis/DuplicatesForm.h"
#include "data/DataModule.h"
#include "platform/GuardedApplication.h"
#include "platform/Messages.h"
#include "platform/WorkProgress.h"

#include <QAbstractTableModel>
#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <functional>
#include <map>

namespace qv {

namespace {

const QString NameField = QStringLiteral("Name");

// The fields as the side by side names them: as the contact pages do, with the page's group where two pages
// have the same caption.
QString fieldCaption(const QString& column)
{
    static const std::map<QString, QString> captions{
        {"Name", "Name"},
        {"Email", "E-mail (not shown)"},
        {"Mobile", "Mobile"},
        {"Info", "Comments"},
        {"JobTitle", "Job title"},
        {"Company", "Company"},
        {"Address", "Address"},
        {"Profession", "Profession"},
        {"Anniversary", "Anniversary"},
        {"Birthday", "Birthday"},
        {"BAStreet", "Business street"},
        {"BAState", "Business state"},
        {"BAPostOfficeBox", "Business P.O. box"},
        {"BACountry", "Business country"},
        {"BACity", "Business city"},
        {"Gender", "Gender"},
        {"Household", "Household"},
        {"Children", "Children"},
        {"Spouse", "Spouse/Partner"},
        {"Language", "Language(s)"},
        {"PrimaryTel", "Primary tel"},
        {"Title", "Title"},
        {"FaxB1", "Business fax 1"},
        {"HAStreet", "Home street"},
        {"HAState", "Home state"},
        {"HAPostOfficeBox", "Home P.O. box"},
        {"HACountry", "Home country"},
        {"HACity", "Home city"},
        {"AssistantName", "Assistant name"},
        {"ManagerName", "Manager name"},
        {"ProspectingMethod", "Prospecting method"},
        {"Areminder", "Anniversary reminder"},
        {"Breminder", "Birthday reminder"},
        {"BAPostalCode", "Business postal code"},
        {"HAPostalCode", "Home postal code"},
        {"TelH1", "Home tel 1"},
        {"TelH2", "Home tel 2"},
        {"FaxH", "Home fax"},
        {"FaxB2", "Business fax 2"},
        {"Telex", "Telex"},
        {"Email1", "Email 1"},
        {"Email2", "Email 2"},
        {"HomePage", "Home page"},
        {"WebPage", "Web site"},
        {"TelB1", "Business tel 1"},
        {"TelB2", "Business tel 2"},
        {"Ext", "Ext"},
        {"TelMain", "Business main tel"},
        {"Ethnic", "Ethnic interest"},
        {"Hobbies", "Hobbies"},
        {"Department", "Department"},
        {"EducationLevel", "Education"},
        {"Income", "Income"},
        {"ProfessionID", "Profession number"},
        {"ReferredBy", "Referred by"},
        {"MailingAddress", "Mailing address"},
        {"BillingAddress", "Billing address"},
        {"ProspectingData", "Prospecting details"},
        {"CompanySize", "Company size"},
        {"Industry", "Industry"},
        {"CustoemrImportance", "Importance"},
        {"PersonType", "Type"},
        {"OfferedSolution", "Offered solution"},
        {"ApproachType", "Approach method"},
        {"Innovation", "Diffusion of innovation"},
        {"TelCallback", "Business email"},
    };
    const auto it = captions.find(column);
    return it == captions.end() ? column : it->second;
}

// Rows where the contacts differ stand out.
const QColor DifferingRow(255, 236, 179);

} // namespace

// ---------------------------------------------------------------- the list of groups

class DuplicateGroupsModel : public QAbstractTableModel {
public:
    DuplicateGroupsModel(const Dataset& contacts, const std::vector<duplicates::Group>& groups, QObject* parent)
        : QAbstractTableModel(parent), m_contacts(contacts), m_groups(groups)
    {}
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(m_groups.size()); }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 3; }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
        static const char* titles[] = {"Contacts", "Reason", "Number"};
        return section >= 0 && section < 3 ? QString::fromLatin1(titles[section]) : QVariant();
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= int(m_groups.size())) return {};
        const duplicates::Group& g = m_groups[size_t(index.row())];
        if (role == Qt::TextAlignmentRole && index.column() == 2) return int(Qt::AlignRight | Qt::AlignVCenter);
        if (role != Qt::DisplayRole) return {};
        switch (index.column()) {
        case 0: return names(g);
        case 1: return duplicates::reasonText(g.reasons);
        default: return QLocale().toString(qlonglong(g.people.size()));
        }
    }
    // The groups change only within this.
    void change(const std::function<void()>& changeGroups)
    {
        beginResetModel();
        changeGroups();
        endResetModel();
    }

private:
    // The first few names: enough to tell the groups apart.
    QString names(const duplicates::Group& g) const
    {
        const int nameColumn = m_contacts.fieldIndex(NameField);
        QStringList list;
        for (size_t i = 0; i < std::min<size_t>(3, g.people.size()); ++i)
            list << m_contacts.valueAt(m_contacts.rowOfRowid(g.people[i]), nameColumn).toString();
        return list.join(QStringLiteral("; ")) + (g.people.size() > 3 ? QStringLiteral("; ...") : QString());
    }

    const Dataset& m_contacts;
    const std::vector<duplicates::Group>& m_groups;
};

// ---------------------------------------------------------------- the window

TDuplicatesForm::TDuplicatesForm(TMainDataModule& dm, QWidget* parent) : QDialog(parent), m_dm(dm), m_merge(dm)
{
    setObjectName("TDuplicatesForm");
    setWindowTitle("Find duplicate contacts");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    FindButton = new QPushButton("Find again", this);
    FindButton->setObjectName("FindButton");
    top->addWidget(FindButton);
    StatusLabel = new QLabel(this);
    StatusLabel->setObjectName("StatusLabel");
    top->addWidget(StatusLabel, 1);
    layout->addLayout(top);

    m_model = new DuplicateGroupsModel(*dm.PeopleCompanyDet, m_groups, this);
    GroupsGrid = new QTableView(this);
    GroupsGrid->setObjectName("GroupsGrid");
    GroupsGrid->setAccessibleName("Groups of possible duplicates");
    GroupsGrid->setModel(m_model);
    GroupsGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GroupsGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    GroupsGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    GroupsGrid->setTabKeyNavigation(false); // the arrow keys go from group to group, Tab goes on to the contacts
    GroupsGrid->verticalHeader()->hide();
    GroupsGrid->verticalHeader()->setDefaultSectionSize(20);
    GroupsGrid->horizontalHeader()->setStretchLastSection(false);
    GroupsGrid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    // The longest reason, all three together, shown whole in the window's font.
    const QString everyReason =
        duplicates::reasonText(duplicates::SameName | duplicates::SameEmail | duplicates::SameTelephone);
    GroupsGrid->setColumnWidth(1, GroupsGrid->fontMetrics().horizontalAdvance(everyReason) + 16);
    GroupsGrid->setColumnWidth(2, 70);
    GroupsGrid->setFixedHeight(150);
    layout->addWidget(GroupsGrid);

    auto* explanation =
        new QLabel("Choose the contact to keep and, where the contacts differ, the value to keep.", this);
    layout->addWidget(explanation);
    ContactsGrid = new QTableWidget(this);
    ContactsGrid->setObjectName("ContactsGrid");
    ContactsGrid->setAccessibleName("Contacts of the group side by side");
    ContactsGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ContactsGrid->setSelectionBehavior(QAbstractItemView::SelectColumns);
    ContactsGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    // Tab goes from choice to choice and on to the buttons, not from cell to cell.
    ContactsGrid->setTabKeyNavigation(false);
    ContactsGrid->verticalHeader()->setDefaultSectionSize(20);
    ContactsGrid->horizontalHeader()->setDefaultSectionSize(190);
    layout->addWidget(ContactsGrid, 1);
    ShownLabel = new QLabel(this);
    ShownLabel->setObjectName("ShownLabel");
    ShownLabel->hide();
    layout->addWidget(ShownLabel);

    auto* buttons = new QHBoxLayout;
    MergeButton = new QPushButton("&Merge", this);
    MergeButton->setObjectName("MergeButton");
    NotSameButton = new QPushButton("&Not the same person", this);
    NotSameButton->setObjectName("NotSameButton");
    NotSameButton->setToolTip("Takes the selected contact out of this group, for this search");
    SkipButton = new QPushButton("&Skip", this);
    SkipButton->setObjectName("SkipButton");
    SkipButton->setToolTip("Leaves this group as it is and shows the next one");
    CloseButton = new QPushButton("Close", this);
    CloseButton->setObjectName("CloseButton");
    for (QPushButton* b : {MergeButton, NotSameButton, SkipButton}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    CloseButton->setAutoDefault(false);
    buttons->addWidget(CloseButton);
    layout->addLayout(buttons);
    resize(780, 540);

    const auto guarded = [this](void (TDuplicatesForm::*command)()) {
        return [this, command] { runGuarded([this, command] { (this->*command)(); }); };
    };
    connect(FindButton, &QPushButton::clicked, this, guarded(&TDuplicatesForm::FindButtonClick));
    connect(MergeButton, &QPushButton::clicked, this, guarded(&TDuplicatesForm::MergeButtonClick));
    connect(NotSameButton, &QPushButton::clicked, this, guarded(&TDuplicatesForm::NotSameButtonClick));
    connect(SkipButton, &QPushButton::clicked, this, guarded(&TDuplicatesForm::SkipButtonClick));
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(GroupsGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!m_selecting) runGuarded([&] { showGroup(current.row()); });
            });
    connect(ContactsGrid->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TDuplicatesForm::updateButtons);
    updateButtons();
}

TDuplicatesForm::~TDuplicatesForm() = default;

void TDuplicatesForm::command()
{
    if (m_dm.PeopleCompanyDet->recordCount() == 0) {
        showInformation("The database is empty.");
        return;
    }
    ShowModal();
}

int TDuplicatesForm::ShowModal()
{
    setGroups({});
    StatusLabel->clear();
    // The search runs once the window is up, so that its progress shows over it.
    QTimer::singleShot(0, this, [this] { runGuarded([this] { FindButtonClick(); }); });
    return exec();
}

void TDuplicatesForm::FindButtonClick()
{
    Dataset& contacts = *m_dm.PeopleCompanyDet;
    // What the file holds now: another copy of the program may have added or changed contacts.
    contacts.refresh();
    const int count = contacts.recordCount();
    WorkProgress progress(QStringLiteral("Finding duplicate contacts"), count, QStringLiteral(" contact(s) compared."));
    std::optional<std::vector<duplicates::Group>> found =
        duplicates::findGroups(contacts, nullptr, [&](int done) { return progress.step(done, done); });
    if (!found) {
        setGroups({});
        StatusLabel->setText("The search was cancelled.");
        return;
    }
    const QLocale locale;
    StatusLabel->setText(found->empty()
                             ? QStringLiteral("No duplicate contacts among %1 contacts.").arg(locale.toString(count))
                             : QStringLiteral("%1 group(s) of possible duplicates among %2 contacts.")
                                   .arg(locale.toString(qlonglong(found->size())), locale.toString(count)));
    setGroups(std::move(*found));
}

void TDuplicatesForm::setGroups(std::vector<duplicates::Group> groups)
{
    m_model->change([&] { m_groups = std::move(groups); });
    selectGroup(0);
}

void TDuplicatesForm::selectGroup(int group)
{
    if (m_groups.empty()) group = -1;
    m_selecting = true;
    GroupsGrid->setCurrentIndex(m_model->index(group, 0));
    m_selecting = false;
    showGroup(group);
}

int TDuplicatesForm::currentGroup() const
{
    const QModelIndex current = GroupsGrid->currentIndex();
    return current.isValid() && current.row() < int(m_groups.size()) ? current.row() : -1;
}

void TDuplicatesForm::showGroup(int group)
{
    std::vector<qint64> shown;
    if (group >= 0 && group < int(m_groups.size())) {
        const std::vector<qint64>& people = m_groups[size_t(group)].people;
        shown.assign(people.begin(), people.begin() + std::min<size_t>(MostShown, people.size()));
        ShownLabel->setVisible(people.size() > size_t(MostShown));
        ShownLabel->setText(QStringLiteral("The first %1 of the group's %2 contacts are shown; Merge merges these.")
                                .arg(MostShown)
                                .arg(QLocale().toString(qlonglong(people.size()))));
    } else {
        ShownLabel->hide();
    }
    m_comparison = compareContacts(*m_dm.PeopleCompanyDet, shown);
    m_kept = m_comparison.people.empty() ? -1 : m_comparison.defaultKept();
    m_choice.assign(m_comparison.fields.size(), 0);
    for (size_t f = 0; f < m_comparison.fields.size(); ++f) m_choice[f] = m_comparison.defaultChoice(int(f), m_kept);
    fillContacts();
}

void TDuplicatesForm::fillContacts()
{
    m_filling = true;
    const Dataset& contacts = *m_dm.PeopleCompanyDet;
    const int columns = int(m_comparison.people.size());
    ContactsGrid->setRowCount(0);
    ContactsGrid->setColumnCount(0);
    qDeleteAll(m_choices);
    m_choices.clear();
    ContactsGrid->setColumnCount(columns);
    ContactsGrid->setRowCount(columns ? int(m_comparison.fields.size()) + 1 : 0);
    if (columns == 0) {
        m_filling = false;
        updateButtons();
        return;
    }
    QStringList rowTitles{QStringLiteral("Keep this contact")};
    for (const MergeField& f : m_comparison.fields) rowTitles << fieldCaption(f.name);
    ContactsGrid->setVerticalHeaderLabels(rowTitles);
    const int nameColumn = contacts.fieldIndex(NameField);
    QStringList names;
    for (int c = 0; c < columns; ++c) {
        names << contacts.valueAt(contacts.rowOfRowid(m_comparison.people[size_t(c)]), nameColumn).toString();
        ContactsGrid->setHorizontalHeaderItem(c, new QTableWidgetItem(names.back()));
    }
    // A row to choose in is a row of radio buttons, one per contact: a click, the keyboard or a screen reader
    // chooses. Tab reaches them in reading order right after the grid; the arrow keys choose within a row.
    QWidget* before = ContactsGrid;
    const auto choiceRow = [&](int row, const QString& caption, const std::function<QString(int)>& text) {
        auto* group = new QButtonGroup(this);
        for (int c = 0; c < columns; ++c) {
            auto* choice = new QRadioButton(text(c));
            choice->setObjectName(QStringLiteral("Choice%1_%2").arg(row).arg(c));
            choice->setAccessibleName(
                QStringLiteral("%1 of %2: %3")
                    .arg(caption, names[c], text(c).isEmpty() ? QStringLiteral("empty") : text(c)));
            group->addButton(choice, c);
            ContactsGrid->setCellWidget(row, c, choice);
            choice->installEventFilter(this);
            setTabOrder(before, choice);
            before = choice;
        }
        connect(group, &QButtonGroup::idToggled, this, [this, row](int column, bool checked) {
            if (checked && !m_filling) choose(row, column);
        });
        m_choices.push_back(group);
    };
    choiceRow(0, rowTitles.front(), [](int) { return QStringLiteral("Keep"); });
    for (size_t f = 0; f < m_comparison.fields.size(); ++f) {
        const MergeField& field = m_comparison.fields[f];
        const int row = int(f) + 1;
        const auto text = [&](int c) { return shownValue(contacts, field.column, field.values[size_t(c)]); };
        if (!field.differs) {
            m_choices.push_back(nullptr);
            for (int c = 0; c < columns; ++c) {
                auto* item = new QTableWidgetItem(text(c));
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
                ContactsGrid->setItem(row, c, item);
            }
            continue;
        }
        for (int c = 0; c < columns; ++c) {
            auto* item = new QTableWidgetItem;
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            item->setBackground(DifferingRow);
            ContactsGrid->setItem(row, c, item);
        }
        choiceRow(row, rowTitles[row], text);
        QTableWidgetItem* header = ContactsGrid->verticalHeaderItem(row);
        QFont bold = header->font();
        bold.setBold(true);
        header->setFont(bold);
        header->setBackground(DifferingRow);
    }
    setTabOrder(before, MergeButton);
    m_filling = false;
    updateChecks();
    updateButtons();
}

bool TDuplicatesForm::eventFilter(QObject* watched, QEvent* event)
{
    // A choice reached by Tab is scrolled into view, and the grid's arrow keys go on from its cell.
    if (event->type() == QEvent::FocusIn)
        if (auto* choice = qobject_cast<QWidget*>(watched);
            choice && choice->parentWidget() == ContactsGrid->viewport()) {
            const QModelIndex cell = ContactsGrid->indexAt(choice->geometry().center());
            if (cell.isValid()) {
                ContactsGrid->scrollTo(cell);
                ContactsGrid->selectionModel()->setCurrentIndex(cell, QItemSelectionModel::NoUpdate);
            }
        }
    return QDialog::eventFilter(watched, event);
}

void TDuplicatesForm::updateChecks()
{
    m_filling = true;
    for (size_t row = 0; row < m_choices.size(); ++row) {
        QButtonGroup* group = m_choices[row];
        if (!group) continue;
        const int chosen = row == 0 ? m_kept : m_choice[row - 1];
        for (QAbstractButton* b : group->buttons()) {
            const bool on = group->id(b) == chosen;
            b->setChecked(on);
            QFont font = b->font();
            font.setBold(on);
            b->setFont(font);
        }
    }
    for (int c = 0; c < ContactsGrid->columnCount(); ++c) {
        QTableWidgetItem* header = ContactsGrid->horizontalHeaderItem(c);
        QFont font = header->font();
        font.setBold(c == m_kept);
        header->setFont(font);
    }
    m_filling = false;
}

void TDuplicatesForm::choose(int row, int column)
{
    if (row == 0) {
        // Another contact kept: each field starts again from its value, or where it has none the first other's.
        m_kept = column;
        for (size_t f = 0; f < m_comparison.fields.size(); ++f)
            m_choice[f] = m_comparison.defaultChoice(int(f), m_kept);
    } else {
        m_choice[size_t(row - 1)] = column;
    }
    updateChecks();
}

void TDuplicatesForm::updateButtons()
{
    const bool group = m_comparison.people.size() >= 2;
    MergeButton->setEnabled(group);
    SkipButton->setEnabled(group);
    NotSameButton->setEnabled(group && !ContactsGrid->selectionModel()->selectedColumns().isEmpty());
}

ContactMergePlan TDuplicatesForm::plan() const
{
    ContactMergePlan p;
    p.people = m_comparison.people;
    p.kept = m_comparison.people[size_t(m_kept)];
    for (size_t f = 0; f < m_comparison.fields.size(); ++f) {
        const MergeField& field = m_comparison.fields[f];
        const int chosen = m_choice[f];
        if (chosen == m_kept) continue;
        p.values.emplace_back(field.column, field.values[size_t(chosen)]);
    }
    return p;
}

void TDuplicatesForm::MergeButtonClick()
{
    const int group = currentGroup();
    if (group < 0 || m_comparison.people.size() < 2) return;
    const ContactMergePlan p = plan();
    QString keptName;
    for (size_t f = 0; f < m_comparison.fields.size(); ++f)
        if (m_comparison.fields[f].name == NameField)
            keptName = m_comparison.fields[f].values[size_t(m_choice[f])].toString();
    const int followUps = m_merge.followUpsOfOthers(p);
    if (!askOkCancel(ContactMerge::confirmationText(int(p.people.size()) - 1, followUps, keptName))) return;
    try {
        m_merge.merge(p);
    } catch (...) {
        // Nothing was merged: show the contacts as the file holds them now.
        showGroup(group);
        throw;
    }
    std::vector<qint64> rest;
    for (qint64 person : m_groups[size_t(group)].people)
        if (person == p.kept || std::find(p.people.begin(), p.people.end(), person) == p.people.end())
            rest.push_back(person);
    replaceGroup(group, rest);
}

void TDuplicatesForm::NotSameButtonClick()
{
    const int group = currentGroup();
    const QModelIndexList columns = ContactsGrid->selectionModel()->selectedColumns();
    if (group < 0 || columns.isEmpty()) return;
    const qint64 person = m_comparison.people[size_t(columns.front().column())];
    std::vector<qint64> rest;
    for (qint64 p : m_groups[size_t(group)].people)
        if (p != person) rest.push_back(p);
    replaceGroup(group, rest);
}

void TDuplicatesForm::SkipButtonClick()
{
    const int group = currentGroup();
    if (group < 0) return;
    selectGroup(group + 1 < int(m_groups.size()) ? group + 1 : 0);
}

void TDuplicatesForm::replaceGroup(int group, const std::vector<qint64>& rest)
{
    const Dataset& contacts = *m_dm.PeopleCompanyDet;
    std::vector<int> rows;
    for (qint64 person : rest)
        if (const int row = contacts.rowOfRowid(person); row >= 0) rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    std::vector<duplicates::Group> regrouped = *duplicates::findGroups(contacts, &rows);
    m_model->change([&] {
        m_groups.erase(m_groups.begin() + group);
        m_groups.insert(m_groups.begin() + group, regrouped.begin(), regrouped.end());
    });
    selectGroup(std::min(group, int(m_groups.size()) - 1));
}

} // namespace qv

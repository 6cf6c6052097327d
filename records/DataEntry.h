#pragma once
// The "Files" window: the contacts and accounts pages with their tabs down the left, the contact toolbar and
// search box, and the commands the main window runs through it. It edits the data module's shared datasets and
// holds no copy of a record: closing it neither saves nor drops a pending edit.

#include <QDialog>
#include <functional>

class QLineEdit;
class QTabWidget;

namespace qv {

class TMainDataModule;
class Dataset;
class DataSource;
class DBComboBox;
class DBEdit;
class ContactPages;
class AccountsPage;
class RecordToolbar;

class TDataEntryForm : public QDialog {
    Q_OBJECT
public:
    enum PageIndex { ContactsPageIndex = 0, AccountsPageIndex = 1 };

    explicit TDataEntryForm(TMainDataModule& dm, QWidget* parent = nullptr);
    ~TDataEntryForm() override;

    // Operations of the main window. Selecting a page here is not a page change by the user.
    void showContactsPage(int subPage); // modal
    void showAccountsPage();            // modal
    void filtersCommand();
    void followUpCommand();
    void helpCommand();
    // For the accounts page: the company choices follow the accounts when the focus leaves it.
    void rebuildCompanyChoices();

    // Windows of other parts of the program, wired at start-up.
    std::function<void()> onPersonality;
    std::function<void()> onContactReport;
    std::function<void()> onShowFilters;
    std::function<void()> onShowFollowUp;
    std::function<void()> onHelp;

    // The contact toolbar's own commands; the record commands are the toolbar's.
    void PersonalityClick();
    void ReportClick();

    void refreshExplanations();
    void SearchEditChange(const QString& text);

    QTabWidget* PageControl;
    QWidget* ContactsPage;
    AccountsPage* Accounts;
    RecordToolbar* ContactToolbar;
    QLineEdit* SearchEdit;
    DBComboBox* TitleBox;
    DBEdit* NameEdit;
    ContactPages* Pages;
    DataSource* contactSource() const { return m_contacts; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* buildContactsPage();
    void pageChanged(int index);
    void contactsPageShown();
    void selectPage(int page, int subPage);

    TMainDataModule& m_dm;
    DataSource* m_contacts;
    bool m_selectingByCode = false;
};

} // namespace qv

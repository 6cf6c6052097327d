#pragma once
// The "Accounts" page of the "Files" window: the account toolbar and search box, every field of the current
// account, the account's related files in a grid with their record navigator, and the "Database Usage" button.
// It edits the data module's shared accounts and related files; the windows it opens (tax information, the
// account report, database usage) are handed to it at start-up.

#include <QWidget>
#include <functional>

class QLineEdit;
class QToolButton;

namespace qv {

class TMainDataModule;
class DataSource;
class DBEdit;
class DBGrid;
class DBNavigator;
class RecordToolbar;

class AccountsPage : public QWidget {
    Q_OBJECT
public:
    // window: the "Files" window, whose visibility decides when the bound boxes are repainted.
    AccountsPage(TMainDataModule& dm, QWidget* window);
    ~AccountsPage() override;

    // Windows of other parts of the program, wired at start-up.
    std::function<void()> onTaxInformation; // the "Tax Information" window, modally, for the current account
    std::function<void()> onReport;         // the account report's preview for the current account
    std::function<void()> onDatabaseUsage;  // the "Database Usage" window, without waiting for it
    // The keyboard focus has left the page for another control of the window.
    std::function<void()> onLeave;

    // The toolbar's own commands; the record commands are the toolbar's.
    void TaxInformationClick();
    void ReportClick();
    void SearchEditChange(const QString& text);
    // The related-files grid's column buttons, on the current row of the grid.
    void pickFileDate();
    void chooseFile();
    void openFile();
    // "Save record" and "Discard changes", also run by the tax window's buttons.
    void saveRecord();
    void discardChanges();

    RecordToolbar* Toolbar;
    QLineEdit* SearchEdit;
    DBEdit* NameEdit;
    DBEdit* WebSiteEdit;
    DBGrid* RelatedFilesGrid;
    DBNavigator* RelatedFilesNavigator;
    QToolButton* DatabaseUsageBtn;
    DataSource* accountSource() const { return m_accounts; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildFields();
    QWidget* buildRelatedFiles();
    void focusChanged(QWidget* old, QWidget* now);
    // Saves what is pending; a refusal by the name rule does not stop the command that asked.
    void saveBeforeCommand();
    // What the tax and report commands do first: save, then make sure there is an account, or say that there is
    // none.
    bool savedAccountToWorkOn();

    TMainDataModule& m_dm;
    QWidget* m_window;
    DataSource* m_accounts;
    QMetaObject::Connection m_focusWatch;
};

} // namespace qv

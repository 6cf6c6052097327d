#pragma once
// The three pages of a contact in the "Files" window: personal, business and marketing information. Every box is
// bound to the contacts dataset; besides plain fields the pages hold the date buttons, the company choices with
// the copy of the chosen account's fields, and the "Send email" and "Go to URL" buttons.

#include <QTabWidget>

class QLineEdit;
class QToolButton;
class QPushButton;

namespace qv {

class TMainDataModule;
class DataSource;
class DBLookupList;
class DBComboBox;
class ExplanationBox;

class ContactPages : public QTabWidget {
    Q_OBJECT
public:
    enum Page { PersonalInfo = 0, BusinessInfo = 1, MarketingInfo = 2 };

    ContactPages(TMainDataModule& dm, DataSource* source, QWidget* parent = nullptr);

    // The three explanation boxes follow the contact's choosers as they stand now.
    void refreshExplanations();
    // Rebuilds the company choices from the accounts and copies the chosen account into the contact; run when
    // "Business info" is shown and when the focus leaves the "Accounts" page.
    void rebuildCompanyChoices();
    // Copies the account named exactly `accountName` into the current contact; false when there is none.
    bool copyAccount(const QString& accountName);

    DBLookupList* companyChooser() const { return m_company; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildPersonalInfo();
    QWidget* buildBusinessInfo();
    QWidget* buildMarketingInfo();
    QToolButton* dateButton(const QString& field);
    QPushButton* sendEmailButton(const QString& name, QLineEdit* box);

    TMainDataModule& m_dm;
    DataSource* m_source;
    DBLookupList* m_company = nullptr;
    DBComboBox* m_profession = nullptr;
    ExplanationBox* m_prospectingExplanation = nullptr;
    ExplanationBox* m_innovationExplanation = nullptr;
    ExplanationBox* m_approachExplanation = nullptr;
    QWidget* m_businessPage = nullptr;
};

} // namespace qv

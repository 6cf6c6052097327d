#pragma once
// The "Follow-up Activities" window: the contacts of the company in a read-only grid over the shared contacts
// (choosing a row makes that contact current everywhere) and the chosen contact's follow-ups in an editable grid
// with its record navigator, the follow-up report and the "Database Usage" help.

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;
class QToolButton;

namespace qv {

class TMainDataModule;
class DBGrid;
class DBNavigator;

class TFollowUpForm : public QDialog {
    Q_OBJECT
public:
    explicit TFollowUpForm(TMainDataModule& dm, QWidget* parent = nullptr);

    int ShowModal() { return exec(); }

    // "Report...": the follow-up report of the current contact.
    void ReportBtnClick();

    // The "Database Usage" button's window, wired at start-up.
    std::function<void()> onDatabaseUsage;

    QLabel* HeadingLabel;
    DBGrid* ContactsGrid;
    DBGrid* FollowUpGrid;
    DBNavigator* FollowUpNavigator;
    QPushButton* ReportBtn;
    QToolButton* DatabaseUsageBtn;

    void done(int result) override;

private:
    TMainDataModule& m_dm;
};

} // namespace qv

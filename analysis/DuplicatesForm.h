#pragma once
// Tools -> "Find duplicate contacts...": the groups of contacts of the current company that are likely one
// person, and for the chosen group its contacts side by side, to merge into one, to take one out of the group
// ("Not the same person"), or to leave for now ("Skip").

#include "analysis/ContactMerge.h"
#include "analysis/DuplicateContacts.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableView;
class QTableWidget;
class QButtonGroup;

namespace qv {

class DuplicateGroupsModel;
class TMainDataModule;

class TDuplicatesForm : public QDialog {
    Q_OBJECT
public:
    explicit TDuplicatesForm(TMainDataModule& dm, QWidget* parent = nullptr);
    ~TDuplicatesForm() override;

    // The menu's command: with no contacts "The database is empty."; otherwise the window, modally, searching
    // as it comes up.
    void command();
    int ShowModal();

    // At most this many contacts of a group side by side; a larger group is merged that many at a time.
    static constexpr int MostShown = 10;

    QPushButton* FindButton;
    QTableView* GroupsGrid;
    QLabel* StatusLabel;
    QTableWidget* ContactsGrid;
    QLabel* ShownLabel;
    QPushButton* MergeButton;
    QPushButton* NotSameButton;
    QPushButton* SkipButton;
    QPushButton* CloseButton;

    void FindButtonClick();
    void MergeButtonClick();
    void NotSameButtonClick();
    void SkipButtonClick();

    const std::vector<duplicates::Group>& groups() const { return m_groups; }
    int currentGroup() const;
    void showGroup(int group);
    // The side by side: the contact kept (a column) and, per field shown (a row below the first), the column whose
    // value is kept.
    const MergeComparison& comparison() const { return m_comparison; }
    int keptColumn() const { return m_kept; }
    int chosenColumn(int field) const { return m_choice[size_t(field)]; }
    ContactMerge& merger() { return m_merge; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setGroups(std::vector<duplicates::Group> groups);
    void selectGroup(int group); // makes it current and shows it; -1 for none
    void fillContacts();
    void updateChecks();
    void choose(int row, int column); // a radio button of the side by side was chosen
    void updateButtons();
    ContactMergePlan plan() const;
    // A group once some of its contacts went (merged, or taken out): the rest grouped again among themselves, in
    // its place; nothing when no two of them still go together.
    void replaceGroup(int group, const std::vector<qint64>& rest);

    TMainDataModule& m_dm;
    ContactMerge m_merge;
    std::vector<duplicates::Group> m_groups;
    DuplicateGroupsModel* m_model;
    MergeComparison m_comparison;
    int m_kept = -1;
    std::vector<int> m_choice;
    std::vector<QButtonGroup*> m_choices; // per row of the side by side; none where the contacts agree
    bool m_filling = false;               // the side by side is being filled: its ticks are not the user's
    bool m_selecting = false;             // a group is being made current: it is shown once that is done
};

} // namespace qv

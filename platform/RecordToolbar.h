#pragma once
// The record toolbar of a page that edits one dataset a record at a time: a row of picture buttons known by their
// hints. It carries the record commands every such page shares (new, delete, delete all, save, discard, refresh,
// first, prior, next, last) and, between them, the page's own buttons. A page that keeps something in step with
// the record (explanation boxes, the focus in its search box) says so through two hooks; the toolbar calls them at
// the moments each command names.

#include <QStyle>
#include <QWidget>
#include <functional>
#include <vector>

class QToolButton;

namespace qv {

class Dataset;

// A picture button known by its hint: the hint is its tool tip, accessible name and object name. It does not take
// the focus from the box being edited, and what its command throws reaches the standard error box.
QToolButton* hintedButton(const QString& hint, QStyle::StandardPixmap icon, std::function<void()> command,
                          QWidget* parent = nullptr);
QToolButton* hintedButton(const QString& hint, const QIcon& icon, std::function<void()> command,
                          QWidget* parent = nullptr);

class RecordToolbar : public QWidget {
    Q_OBJECT
public:
    // A button of the page's own, placed between the editing commands and the moves.
    struct PageButton {
        QString hint;
        QStyle::StandardPixmap icon;
        std::function<void()> command;
    };

    RecordToolbar(Dataset* dataset, const std::vector<PageButton>& pageButtons, QWidget* parent = nullptr);

    Dataset* dataset() const { return m_dataset; }
    QToolButton* button(const QString& hint) const;

    // Run after a command has brought a record into view; empty for nothing.
    std::function<void()> onRecordShown;
    // Run where a command hands the keyboard back to the page's search box; empty for nothing.
    std::function<void()> onFocusSearch;

    // The shared commands, as their buttons run them. A post refused by a record rule ends a command silently;
    // any other error of the data layer leaves it for the standard error box.
    void newRecord();
    void deleteRecord();
    void deleteAllRecords();
    void saveRecord();
    void discardChanges();
    void refresh();
    // Moves post the pending edit first; a refused or failed move is silent.
    void firstRecord();
    void priorRecord();
    void nextRecord();
    void lastRecord();

private:
    void move(void (Dataset::*step)());
    void recordShown();
    void focusSearch();

    Dataset* m_dataset;
};

} // namespace qv

#pragma once
// The record navigator: nine hinted buttons bound to one dataset (first, prior, next, last, insert, delete, post,
// cancel, refresh). A button that cannot act in the dataset's state is disabled.

#include <QWidget>
#include <array>

class QToolButton;

namespace qv {

class Dataset;
class DBGrid;

// Deletes the current row after "Delete record?" answered with OK; an empty dataset is left alone. Returns
// whether a row went. A new row being inserted is dropped instead.
bool deleteRecordAfterAsking(Dataset& dataset);

class DBNavigator : public QWidget {
    Q_OBJECT
public:
    enum Button { First, Prior, Next, Last, Insert, Delete, Post, Cancel, Refresh, ButtonCount };

    explicit DBNavigator(Dataset* dataset, QWidget* parent = nullptr);

    static QString hint(Button button);
    QToolButton* button(Button button) const { return m_buttons[size_t(button)]; }
    Dataset* dataset() const { return m_dataset; }
    // The grid that shows the dataset: a new row started here takes the keyboard there, at its first cell.
    void setGrid(DBGrid* grid) { m_grid = grid; }

    // What a click on the button runs; errors reach the standard error box.
    void click(Button button);
    void updateButtons();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void act(Button button);

    Dataset* m_dataset;
    DBGrid* m_grid = nullptr;
    std::array<QToolButton*, ButtonCount> m_buttons{};
};

} // namespace qv

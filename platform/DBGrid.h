#pragma once
// The data grid: a table view over a dataset with one delegate per cell kind and the editing habits of a record
// grid: moving to another row posts the row being edited (a new row nobody typed into is dropped instead), Down
// on the last row starts a new row, Ctrl+Delete deletes the current row after "Delete record?". Errors, such as a
// post that a record rule refuses, are shown in the standard error box and the row stays in its edit.
// Rows have one fixed height, so that a grid over many rows opens and scrolls without measuring them.

#include "platform/DatasetModel.h"

#include <QTableView>

namespace qv {

class DBGrid : public QTableView {
    Q_OBJECT
public:
    DBGrid(Dataset* dataset, std::vector<GridColumn> columns, QWidget* parent = nullptr);

    DatasetModel* datasetModel() const { return m_model; }
    Dataset* dataset() const { return m_model->dataset(); }

    // A read-only grid selects whole rows, takes no typing, and adds or deletes no rows.
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_model->isReadOnly(); }

    // What the keys run, also for callers: the button of a button column in the current row, a new row past the
    // last one, deleting the current row after asking.
    void pressButton(int column);
    void appendPastLastRow();
    void deleteCurrentRow();

    // Takes the keyboard at the first shown cell of the dataset's current row, so that typing goes there.
    void focusFirstCellOfCurrentRow();

    // The model's index of a field's cell in a row.
    QModelIndex cell(int row, const QString& field) const;

protected:
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void followDataset(int row);
    void repaintRow(int row);

    DatasetModel* m_model;
    bool m_following = false;
};

} // namespace qv

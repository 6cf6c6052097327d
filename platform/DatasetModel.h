#pragma once
// A table model over a dataset: one column per bound field, one row per row the dataset shows (with the new row
// while one is inserted). Edits go through the dataset's edit and post, so the record rules run as everywhere.
// Inserts and deletes reach the view as single-row changes; a re-read of the rows while no grid watches costs
// nothing here: the model then shows no rows until it is watched again.

#include "data/Dataset.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <functional>
#include <vector>

namespace qv {

// A grid column: the field it shows, its caption and width, and how its cells are entered.
struct GridColumn {
    enum class Kind {
        Text,        // typed freely, up to the field's width
        PickList,    // typed, or picked from the entries
        Button,      // not typed; the button of the current row's cell runs the command
        NotTypable,  // shown only
        WholeNumber, // typed; only the characters of a whole number
    };
    QString field;
    QString caption;
    int width = 80; // pixels
    Kind kind = Kind::Text;
    QStringList entries;           // pick list
    int visibleEntries = 8;        // pick list: entries shown at once
    std::function<void()> command; // button

    static GridColumn text(const QString& field, const QString& caption, int width);
    static GridColumn pickList(const QString& field, const QString& caption, int width, const QStringList& entries,
                               int visibleEntries);
    static GridColumn button(const QString& field, const QString& caption, int width, std::function<void()> command);
    static GridColumn notTypable(const QString& field, const QString& caption, int width);
    static GridColumn wholeNumber(const QString& field, const QString& caption, int width);
    bool typable() const { return kind != Kind::Button && kind != Kind::NotTypable; }
};

class DatasetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    DatasetModel(Dataset* dataset, std::vector<GridColumn> columns, QObject* parent = nullptr);

    Dataset* dataset() const { return m_dataset; }
    const GridColumn& column(int column) const { return m_columns.at(size_t(column)); }
    int columnOf(const QString& field) const; // -1 when no column shows it

    // A read-only model accepts no edits and shows no blank row.
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }
    // An editable grid over an empty dataset shows one blank row to start typing into; typing there inserts.
    bool showsBlankRow() const { return m_blankRow; }

    // Whether a grid shows the model. While nobody watches, a re-read of the rows only marks the model stale
    // (it then shows no rows); watching again brings the rows back.
    void setWatched(bool watched);
    bool isWatched() const { return m_watched; }

    // The dataset's current row in the model's numbering; -1 for none.
    int currentRow() const;
    // Makes row current as a grid does: the row being edited is posted first, or dropped when it is a new row
    // nobody typed into. Errors reach the standard error box; false when the move did not happen.
    bool moveToRow(int row);
    // Throwing form of moveToRow, for commands that report errors themselves.
    void moveToRowOrThrow(int row);
    // Starts an edit of row as typing does: moves there, then puts the dataset into edit (insert when empty).
    void beginEditing(int row);
    // The text a cell shows.
    QString cellText(int row, int column) const;
    // Whether rows are being inserted, removed or replaced just now: a view that moves its current cell meanwhile
    // follows the dataset afterwards instead of moving it.
    bool isChangingRows() const { return m_changingRows; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Writes a typed text into the cell's field, starting an edit first; throws what the dataset refuses.
    void setCellText(const QModelIndex& index, const QString& text);
    // Writes a typed text into the cell's field, starting an edit first; errors reach the standard error box.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

signals:
    void currentRowChanged(int row);

private:
    int targetRowCount() const;
    int datasetRow(int modelRow) const; // -1 for the blank row, or a row that is coming or going
    QString editText(int row, int column) const;
    void rowsReset();
    void rowInserted(int row);
    void rowRemoved(int row);
    void rowChanged(int row);
    void fieldChanged(int index);
    void datasetMoved();
    void resetTo(int count);
    void replaceRows(int count);
    static constexpr int FewRows = 1000;

    Dataset* m_dataset;
    std::vector<GridColumn> m_columns;
    std::vector<int> m_fieldIndex; // dataset field of each column
    bool m_readOnly = false;
    bool m_blankRow = true;
    bool m_watched = true;
    bool m_stale = false;
    int m_count = 0; // rows the view has been told of
    bool m_changingRows = false;
    // While a row notice is passed on, the view still sees the rows as they were: the row at m_changingRow is
    // not there yet (an insert) or still there (a removal).
    enum class Changing { None, Inserting, Removing } m_changing = Changing::None;
    int m_changingRow = -1;
};

} // namespace qv

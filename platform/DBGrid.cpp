#include "platform/DBGrid.h"
#include "platform/DBNavigator.h"
#include "platform/GridDelegates.h"
#include "platform/GuardedApplication.h"

#include <QHeaderView>
#include <QKeyEvent>

namespace qv {

DBGrid::DBGrid(Dataset* dataset, std::vector<GridColumn> columns, QWidget* parent) : QTableView(parent)
{
    setObjectName(dataset->name() + "Grid");
    m_model = new DatasetModel(dataset, std::move(columns), this);
    m_model->setWatched(false); // until the grid is shown
    setModel(m_model);

    for (int c = 0; c < m_model->columnCount(); ++c) {
        const GridColumn& column = m_model->column(c);
        QAbstractItemDelegate* delegate = nullptr;
        switch (column.kind) {
        case GridColumn::Kind::Text: delegate = new TextCellDelegate(m_model, false, this); break;
        case GridColumn::Kind::WholeNumber: delegate = new TextCellDelegate(m_model, true, this); break;
        case GridColumn::Kind::PickList:
            delegate = new PickListDelegate(m_model, column.entries, column.visibleEntries, this);
            break;
        case GridColumn::Kind::Button: delegate = new ButtonCellDelegate(this, column.command, this); break;
        case GridColumn::Kind::NotTypable: break; // the model refuses edits; the default look is right
        }
        if (delegate) setItemDelegateForColumn(c, delegate);
    }

    // One fixed row height: nothing is measured per row.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(16);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(true);
    for (int c = 0; c < m_model->columnCount(); ++c) horizontalHeader()->resizeSection(c, m_model->column(c).width);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setWordWrap(false);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);

    connect(m_model, &DatasetModel::currentRowChanged, this, &DBGrid::followDataset);
}

void DBGrid::setReadOnly(bool readOnly)
{
    m_model->setReadOnly(readOnly);
    setSelectionBehavior(readOnly ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    setEditTriggers(readOnly ? QAbstractItemView::NoEditTriggers
                             : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                   QAbstractItemView::AnyKeyPressed);
    followDataset(m_model->currentRow());
}

QModelIndex DBGrid::cell(int row, const QString& field) const { return m_model->index(row, m_model->columnOf(field)); }

void DBGrid::focusFirstCellOfCurrentRow()
{
    setFocus(Qt::OtherFocusReason);
    const int row = m_model->currentRow();
    int column = 0;
    while (column < m_model->columnCount() && isColumnHidden(column)) ++column;
    if (row >= 0 && column < m_model->columnCount()) setCurrentIndex(m_model->index(row, column));
}

void DBGrid::followDataset(int row)
{
    if (!m_model->isWatched()) return;
    const int column = std::max(0, currentIndex().column());
    const QModelIndex target = row >= 0 ? m_model->index(row, column) : QModelIndex();
    if (target == currentIndex()) return;
    const int before = currentIndex().row();
    m_following = true;
    const auto how = isReadOnly() ? QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows
                                  : QItemSelectionModel::ClearAndSelect;
    if (target.isValid()) {
        selectionModel()->setCurrentIndex(target, how); // the view scrolls to its new current cell itself
    } else {
        selectionModel()->clear();
    }
    m_following = false;
    repaintRow(before);
    repaintRow(row);
}

void DBGrid::repaintRow(int row)
{
    // The row's whole width: its cell buttons and its selection; the other rows are as they were.
    if (row >= 0) viewport()->update(QRect(0, rowViewportPosition(row), viewport()->width(), rowHeight(row)));
}

void DBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    // The cell buttons follow the current row.
    repaintRow(previous.row());
    repaintRow(current.row());
    // While the model moves rows the view may shift its current cell; the dataset decides where it stands.
    if (m_following || m_model->isChangingRows() || !current.isValid() || current.row() == m_model->currentRow())
        return;
    m_model->moveToRow(current.row());
    // Refused or not, the grid shows the row the dataset stands on.
    followDataset(m_model->currentRow());
}

void DBGrid::pressButton(int column)
{
    if (column < 0 || column >= m_model->columnCount() || !currentIndex().isValid()) return;
    if (auto* button = qobject_cast<ButtonCellDelegate*>(itemDelegateForColumn(column))) button->press();
}

void DBGrid::appendPastLastRow()
{
    if (isReadOnly()) return;
    runGuarded([this] {
        Dataset& ds = *dataset();
        if (ds.state() == DatasetState::Insert && !ds.isModified()) return; // already on an untouched new row
        if (ds.shownRowCount() == 0) return;                                // the blank row: typing there inserts
        ds.checkBrowseMode();
        ds.append();
    });
}

void DBGrid::deleteCurrentRow()
{
    if (isReadOnly()) return;
    runGuarded([this] { deleteRecordAfterAsking(*dataset()); });
}

void DBGrid::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if (!isReadOnly()) {
        if (key == Qt::Key_Down && mods == Qt::NoModifier && currentIndex().isValid() &&
            currentIndex().row() == m_model->rowCount() - 1) {
            appendPastLastRow();
            return;
        }
        if (key == Qt::Key_Delete && mods == Qt::ControlModifier) {
            deleteCurrentRow();
            return;
        }
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && mods == Qt::ControlModifier) {
            pressButton(currentIndex().column());
            return;
        }
        if (key == Qt::Key_Escape && mods == Qt::NoModifier && dataset()->isEditing()) {
            runGuarded([this] { dataset()->cancel(); });
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

bool DBGrid::focusNextPrevChild(bool next)
{
    // Tab walks the cells, and out of the last cell (Shift+Tab out of the first) it leaves the grid, so that the
    // keyboard reaches the navigator and the buttons around it; the view alone would wrap round for ever.
    const QModelIndex at = currentIndex();
    auto visibleColumn = [this](int from, int step) {
        for (int c = from; c >= 0 && c < model()->columnCount(); c += step)
            if (!isColumnHidden(c)) return c;
        return -1;
    };
    const bool atEdge = !at.isValid() || (next ? at.row() == model()->rowCount() - 1 &&
                                                     at.column() == visibleColumn(model()->columnCount() - 1, -1)
                                               : at.row() == 0 && at.column() == visibleColumn(0, 1));
    if (!atEdge) return QTableView::focusNextPrevChild(next);
    return QWidget::focusNextPrevChild(next);
}

void DBGrid::showEvent(QShowEvent* event)
{
    QTableView::showEvent(event);
    m_model->setWatched(true);
    followDataset(m_model->currentRow());
    // The view has its final size only once it is laid out: bring the current row into sight then.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (currentIndex().isValid()) scrollTo(currentIndex());
        },
        Qt::QueuedConnection);
}

void DBGrid::hideEvent(QHideEvent* event)
{
    QTableView::hideEvent(event);
    m_model->setWatched(false);
}

} // namespace qv

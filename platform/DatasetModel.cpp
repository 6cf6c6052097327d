#include "platform/DatasetModel.h"
#include "platform/GuardedApplication.h"

namespace qv {

// ================================================================ GridColumn

GridColumn GridColumn::text(const QString& field, const QString& caption, int width)
{
    GridColumn c;
    c.field = field;
    c.caption = caption;
    c.width = width;
    return c;
}

GridColumn GridColumn::pickList(const QString& field, const QString& caption, int width, const QStringList& entries,
                                int visibleEntries)
{
    GridColumn c = text(field, caption, width);
    c.kind = Kind::PickList;
    c.entries = entries;
    c.visibleEntries = visibleEntries;
    return c;
}

GridColumn GridColumn::button(const QString& field, const QString& caption, int width, std::function<void()> command)
{
    GridColumn c = text(field, caption, width);
    c.kind = Kind::Button;
    c.command = std::move(command);
    return c;
}

GridColumn GridColumn::notTypable(const QString& field, const QString& caption, int width)
{
    GridColumn c = text(field, caption, width);
    c.kind = Kind::NotTypable;
    return c;
}

GridColumn GridColumn::wholeNumber(const QString& field, const QString& caption, int width)
{
    GridColumn c = text(field, caption, width);
    c.kind = Kind::WholeNumber;
    return c;
}

// ================================================================ DatasetModel

DatasetModel::DatasetModel(Dataset* dataset, std::vector<GridColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), m_dataset(dataset), m_columns(std::move(columns))
{
    setObjectName(dataset->name() + "Model");
    for (const GridColumn& c : m_columns) m_fieldIndex.push_back(dataset->requireField(c.field));
    m_count = targetRowCount();
    connect(dataset, &Dataset::rowsReset, this, &DatasetModel::rowsReset);
    connect(dataset, &Dataset::rowInserted, this, &DatasetModel::rowInserted);
    connect(dataset, &Dataset::rowRemoved, this, &DatasetModel::rowRemoved);
    connect(dataset, &Dataset::rowChanged, this, &DatasetModel::rowChanged);
    connect(dataset, &Dataset::fieldChanged, this, &DatasetModel::fieldChanged);
    connect(dataset, &Dataset::currentChanged, this, &DatasetModel::datasetMoved);
}

int DatasetModel::columnOf(const QString& field) const
{
    for (size_t i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].field.compare(field, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

void DatasetModel::setReadOnly(bool readOnly)
{
    if (m_readOnly == readOnly) return;
    m_readOnly = readOnly;
    m_blankRow = !readOnly;
    resetTo(m_stale ? 0 : targetRowCount());
}

void DatasetModel::setWatched(bool watched)
{
    m_watched = watched;
    if (watched && m_stale) {
        m_stale = false;
        resetTo(targetRowCount());
    }
}

int DatasetModel::targetRowCount() const
{
    if (!m_dataset->isOpen()) return 0;
    const int shown = m_dataset->shownRowCount();
    return shown == 0 && m_blankRow && m_dataset->tableDef() ? 1 : shown;
}

int DatasetModel::datasetRow(int modelRow) const
{
    if (m_stale || modelRow < 0 || modelRow >= m_count) return -1;
    switch (m_changing) {
    case Changing::Inserting:
        // The new row is not there yet for the view.
        return modelRow < m_changingRow ? modelRow : modelRow + 1;
    case Changing::Removing:
        if (modelRow == m_changingRow) return -1;
        return modelRow < m_changingRow ? modelRow : modelRow - 1;
    case Changing::None: break;
    }
    return modelRow < m_dataset->shownRowCount() ? modelRow : -1;
}

int DatasetModel::currentRow() const
{
    if (m_stale || m_count == 0) return -1;
    const int row = m_dataset->currentShownRow();
    if (row < 0 && m_count == 1 && m_dataset->shownRowCount() == 0) return 0; // the blank row
    return row < m_count ? row : -1;
}

int DatasetModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_count; }

int DatasetModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(m_columns.size()); }

QString DatasetModel::cellText(int row, int column) const
{
    const int r = datasetRow(row);
    if (r < 0 || column < 0 || column >= int(m_columns.size())) return {};
    return m_dataset->displayTextAt(r, m_fieldIndex[size_t(column)]);
}

QString DatasetModel::editText(int row, int column) const { return cellText(row, column); }

QVariant DatasetModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_count || index.column() >= int(m_columns.size())) return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return cellText(index.row(), index.column());
    case Qt::TextAlignmentRole: {
        const ColumnType t = m_dataset->fieldType(m_fieldIndex[size_t(index.column())]);
        if (t == ColumnType::Integer || t == ColumnType::AutoIncrement) return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    }
    default: return {};
    }
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section >= 0 && section < int(m_columns.size()))
        return role == Qt::DisplayRole ? QVariant(m_columns[size_t(section)].caption) : QVariant();
    if (orientation == Qt::Vertical && role == Qt::DisplayRole && section >= 0 && section < m_count) return section + 1;
    return {};
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (!m_readOnly && m_dataset->tableDef() && m_columns[size_t(index.column())].typable()) f |= Qt::ItemIsEditable;
    return f;
}

void DatasetModel::moveToRowOrThrow(int row)
{
    Dataset& ds = *m_dataset;
    if (!ds.isOpen() || row == ds.currentShownRow()) return;
    int target = row;
    if (ds.isEditing()) {
        // Leaving the row being edited: posted when changed, dropped when it is an untouched new row.
        const int edited = ds.currentShownRow();
        const int before = ds.shownRowCount();
        ds.checkBrowseMode();
        if (ds.shownRowCount() < before && target > edited) --target;
    }
    if (target >= 0 && target < ds.recordCount()) ds.moveTo(target);
}

bool DatasetModel::moveToRow(int row)
{
    return runGuarded([&] { moveToRowOrThrow(row); });
}

void DatasetModel::beginEditing(int row)
{
    if (m_readOnly) return;
    if (datasetRow(row) >= 0) moveToRowOrThrow(row);
    if (!m_dataset->isEditing()) m_dataset->edit();
}

bool DatasetModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.row() >= m_count || !(flags(index) & Qt::ItemIsEditable))
        return false;
    return runGuarded([&] { setCellText(index, value.toString()); });
}

void DatasetModel::setCellText(const QModelIndex& index, const QString& text)
{
    if (!index.isValid() || index.row() >= m_count || !(flags(index) & Qt::ItemIsEditable)) return;
    // Writing what the cell already holds starts no edit: a new row nobody typed into stays untouched.
    if (text == editText(index.row(), index.column())) return;
    beginEditing(index.row());
    m_dataset->setValue(m_fieldIndex[size_t(index.column())], text);
}

// ---------------------------------------------------------------- the dataset's notices

void DatasetModel::resetTo(int count)
{
    m_changingRows = true;
    beginResetModel();
    m_count = count;
    m_changing = Changing::None;
    endResetModel();
    m_changingRows = false;
    emit currentRowChanged(currentRow());
}

void DatasetModel::replaceRows(int count)
{
    // A few rows (a detail following its master): say which rows came or went and that the others changed, so
    // that the view keeps its layout and its current cell. Many rows: one reset costs less than that.
    if (std::max(m_count, count) > FewRows) return resetTo(count);
    m_changingRows = true;
    if (count < m_count) {
        beginRemoveRows({}, count, m_count - 1);
        m_count = count;
        endRemoveRows();
    } else if (count > m_count) {
        beginInsertRows({}, m_count, count - 1);
        m_count = count;
        endInsertRows();
    }
    m_changingRows = false;
    if (m_count > 0) emit dataChanged(index(0, 0), index(m_count - 1, columnCount() - 1));
    emit currentRowChanged(currentRow());
}

void DatasetModel::rowsReset()
{
    if (m_stale) return;
    if (!m_watched) {
        // Nobody looks: forget the rows now and read them again when a grid shows the model.
        m_stale = true;
        if (m_count != 0) resetTo(0);
        return;
    }
    replaceRows(targetRowCount());
}

void DatasetModel::rowInserted(int row)
{
    if (m_stale) return;
    const int target = targetRowCount();
    if (target == m_count) {
        // The blank row became the new row.
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    } else if (target == m_count + 1 && row >= 0 && row <= m_count) {
        m_changingRows = true;
        m_changing = Changing::Inserting;
        m_changingRow = row;
        beginInsertRows({}, row, row);
        m_changing = Changing::None;
        m_count = target;
        endInsertRows();
        m_changingRows = false;
    } else {
        resetTo(target);
        return;
    }
    emit currentRowChanged(currentRow());
}

void DatasetModel::rowRemoved(int row)
{
    if (m_stale) return;
    const int target = targetRowCount();
    if (target == m_count) {
        // The last row went and the blank row took its place.
        emit dataChanged(index(0, 0), index(0, columnCount() - 1));
    } else if (target == m_count - 1 && row >= 0 && row < m_count) {
        m_changingRows = true;
        m_changing = Changing::Removing;
        m_changingRow = row;
        beginRemoveRows({}, row, row);
        m_changing = Changing::None;
        m_count = target;
        endRemoveRows();
        m_changingRows = false;
    } else {
        resetTo(target);
        return;
    }
    emit currentRowChanged(currentRow());
}

void DatasetModel::rowChanged(int row)
{
    if (m_stale || row < 0 || row >= m_count) return;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void DatasetModel::fieldChanged(int field)
{
    if (m_stale || !m_dataset->isEditing()) return;
    const int row = currentRow();
    if (row < 0) return;
    for (size_t c = 0; c < m_fieldIndex.size(); ++c)
        if (m_fieldIndex[c] == field) emit dataChanged(index(row, int(c)), index(row, int(c)));
}

void DatasetModel::datasetMoved()
{
    if (m_stale) return;
    emit currentRowChanged(currentRow());
}

} // namespace qv

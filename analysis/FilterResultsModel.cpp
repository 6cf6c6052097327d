#include "analysis/FilterResultsModel.h"

namespace qv {

void FilterResultsModel::setRun(FilterRun run)
{
    beginResetModel();
    m_run = std::make_shared<const FilterRun>(std::move(run));
    endResetModel();
}

int FilterResultsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : std::max(1, resultCount());
}

int FilterResultsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QString FilterResultsModel::cellText(int row, int column) const
{
    if (row < 0 || row >= resultCount()) return {};
    switch (column) {
    case NumberColumn: return QString::number(row + 1);
    case NameColumn: return m_run->name(row);
    case TypeColumn: return m_run->type(row);
    case MobileColumn: return m_run->mobile(row);
    case EmailColumn: return m_run->email(row);
    default: return {};
    }
}

QVariant FilterResultsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole) return cellText(index.row(), index.column());
    if (role == Qt::ToolTipRole && index.column() == EmailColumn) return QStringLiteral("Send email");
    return {};
}

QVariant FilterResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) return {}; // the row handles carry no text; they let rows be dragged
    if (role == Qt::DisplayRole) {
        static const char* const headers[] = {"No.", "Name", "Type", "Mobile", "Email"};
        return section >= 0 && section < ColumnCount ? QString::fromLatin1(headers[section]) : QVariant();
    }
    if (role == Qt::ToolTipRole && section == EmailColumn) return QStringLiteral("Send email");
    return {};
}

} // namespace qv

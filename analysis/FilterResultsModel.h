#pragma once
// The filters' result grid: the number, name, type, mobile and business e-mail of each result. It always shows
// at least one row, empty when a run found nothing, as the grid always has.

#include "analysis/FilterCriteria.h"

#include <QAbstractTableModel>
#include <memory>

namespace qv {

class FilterResultsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NumberColumn, NameColumn, TypeColumn, MobileColumn, EmailColumn, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    // Replaces every row at once, so that the view lays out and paints once for the whole run.
    void setRun(FilterRun run);
    void clear() { setRun({}); }
    const FilterRun& run() const { return *m_run; }
    // The run itself, for a report that shows its lines after the grid has moved on.
    std::shared_ptr<const FilterRun> sharedRun() const { return m_run; }
    int resultCount() const { return m_run->resultCount(); }
    QString cellText(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::shared_ptr<const FilterRun> m_run = std::make_shared<FilterRun>();
};

} // namespace qv

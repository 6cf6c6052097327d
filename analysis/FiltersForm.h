#pragma once
// The "Filters" window: thirty criteria over the contacts of the current company, the result grid, e-mail to
// one result or to all of them, and the filtering report of the last run.

#include "analysis/FilterCriteria.h"

#include <QDialog>
#include <QStringList>
#include <functional>
#include <vector>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QTableView;
class QToolButton;

namespace qv {

class FilterResultsModel;

class TFilters : public QDialog {
    Q_OBJECT
public:
    TFilters(TMainDataModule& dm, QWidget* parent = nullptr);

    // Shows the window modally; every showing starts from cleared criteria and an empty grid.
    int ShowModal();

    struct CriterionControls {
        QCheckBox* check;
        QWidget* value; // a closed list or a free-text box
    };
    const std::vector<CriterionControls>& criteria() const { return m_criteria; }
    QString valueText(int criterion) const;

    QTableView* ResultsGrid;
    QPushButton* FilterButton;
    QPushButton* ReportButton;
    QPushButton* ExportButton; // a menu: the results to a vCard file or to a CSV file
    QToolButton* BulkEmailButton;
    QLineEdit* YourEmailEdit;

    FilterResultsModel* resultsModel() const { return m_model; }
    // The body of the filtering report; kept with the grid's rows, whose cells are read from it.
    QStringList resultText() const;

    // The command behind "Report...": by default the filtering report; tests may replace it.
    std::function<void(std::shared_ptr<const report::LineSource>)> reportCommand;
    // The commands behind "Export": the results' contacts, by their positions in the contacts dataset in the grid's
    // order, to a vCard file or a CSV file. Set by the program.
    enum class ExportKind { VCard, Csv };
    std::function<void(const std::vector<int>& positions, ExportKind kind)> exportCommand;
    // The results' positions in the contacts dataset, in the grid's current order (the user may drag rows).
    std::vector<int> resultPositions() const;

    void FilterButtonClick();
    void BulkEmailButtonClick();
    void ReportButtonClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildCriterion(int index);
    void setValueShown(int criterion, bool shown);
    void reset();
    void setResultCommandsEnabled(bool enabled);
    void emailCell(int column, const QString& text);

    TMainDataModule& m_dm;
    std::vector<CriterionControls> m_criteria;
    FilterResultsModel* m_model;
    QScrollArea* m_scroll;
};

} // namespace qv

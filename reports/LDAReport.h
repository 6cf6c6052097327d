#pragma once
// The lookup data analysis report: the summary and analysis texts in a wrapping body beside a pie chart of
// customers, prospects and unidentified entries.

#include "reports/TextReport.h"

#include <QStringList>
#include <vector>

namespace qv {

struct ChartSlice {
    QString label;
    double value;
    QColor colour;
};

std::unique_ptr<TextReport> createTLDAReport(Dataset* driving);

// The pie chart of a TLDAReport.
report::ReportPieChart& ldaChart(TextReport& report);

// Creates the report, copies the summary text and appends the analysis text, stamps it, adds the slices and
// previews it; returns when the preview is closed.
void produceLookupDataAnalysisReport(const QStringList& summary, const QStringList& analysis,
                                     const std::vector<ChartSlice>& slices, Dataset* driving);

} // namespace qv

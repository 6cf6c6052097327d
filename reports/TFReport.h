#pragma once
// The filtering report: the lines of a filter run's result text under the title "Filtering Report".

#include "reports/TextReport.h"

#include <QStringList>

namespace qv {

std::unique_ptr<TextReport> createTFReport(Dataset* driving);

// Creates, fills with a copy of the lines, stamps and previews the report; returns when the preview is closed.
void produceFilteringReport(const QStringList& resultText, Dataset* driving);
// The same with lines made on demand: a page's lines are made when the page is shown.
void produceFilteringReport(std::shared_ptr<const report::LineSource> resultText, Dataset* driving);

} // namespace qv

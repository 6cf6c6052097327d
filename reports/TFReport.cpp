#include "reports/TFReport.h"

namespace qv {

std::unique_ptr<TextReport> createTFReport(Dataset* driving)
{
    auto report = std::make_unique<TextReport>(QStringLiteral("TFReport"), QStringLiteral("Filtering Report"), false);
    report->setDrivingDataset(driving);
    return report;
}

void produceFilteringReport(const QStringList& resultText, Dataset* driving)
{
    produceReport([driving] { return createTFReport(driving); },
                  [&resultText](TextReport& r) { r.bodyMemo().setLines(resultText); });
}

void produceFilteringReport(std::shared_ptr<const report::LineSource> resultText, Dataset* driving)
{
    produceReport([driving] { return createTFReport(driving); },
                  [&resultText](TextReport& r) { r.bodyMemo().setLineSource(resultText); });
}

} // namespace qv

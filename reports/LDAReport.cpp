#include "reports/LDAReport.h"

#include <algorithm>

namespace qv {

namespace {
// The body takes the width its widest line needs, so that no line wraps, and the pie takes the rest of the band
// to its right; the chart keeps at least the room of its title on one line, and a body line that would need more
// than that leaves wraps.
constexpr double MinBodyWidthMm = 60;
constexpr double MinChartWidthMm = 70;
constexpr double ChartGapMm = 3;
constexpr double ChartHeightMm = 110;

void fitBodyBesideChart(TextReport& report)
{
    report::ReportMemo& body = report.bodyMemo();
    double widest = 0;
    for (const QString& line : body.lines()) widest = std::max(widest, report::textWidthMm(line, body.font()));
    const double band = report.layout().bandWidthMm();
    const double width = std::clamp(widest + 0.5, MinBodyWidthMm, band - ChartGapMm - MinChartWidthMm);
    QRectF r = body.rect();
    r.setWidth(width);
    body.setRect(r);
    report::ReportPieChart& chart = ldaChart(report);
    const double left = width + ChartGapMm;
    chart.setRect(QRectF(left, chart.rect().top(), band - left, chart.rect().height()));
}

} // namespace

std::unique_ptr<TextReport> createTLDAReport(Dataset* driving)
{
    auto report =
        std::make_unique<TextReport>(QStringLiteral("TLDAReport"), QStringLiteral("Lookup Data Analysis Report"), true);
    report->setDrivingDataset(driving);
    report::ReportPieChart* chart = report->layout().addPieChart(
        QStringLiteral("PieChart"), QRectF(0, TextReport::ContentTopMm, report->layout().bandWidthMm(), ChartHeightMm));
    chart->setTitle(QStringLiteral("Customers/Prospects/Unidentified Ratio"));
    chart->setFont(report::reportFont(10));
    fitBodyBesideChart(*report);
    return report;
}

report::ReportPieChart& ldaChart(TextReport& report)
{
    return *static_cast<report::ReportPieChart*>(report.layout().element(QStringLiteral("PieChart")));
}

void produceLookupDataAnalysisReport(const QStringList& summary, const QStringList& analysis,
                                     const std::vector<ChartSlice>& slices, Dataset* driving)
{
    produceReport([driving] { return createTLDAReport(driving); },
                  [&](TextReport& r) {
                      r.bodyMemo().setLines(summary + analysis);
                      fitBodyBesideChart(r);
                      report::ReportPieChart& chart = ldaChart(r);
                      chart.clearSlices();
                      for (const ChartSlice& s : slices) chart.addSlice(s.value, s.colour, s.label);
                  });
}

} // namespace qv

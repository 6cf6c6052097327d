#include "reports/LDAReport.h"

namespace qv {

namespace {
// The body keeps to the left part of the band so that the pie, to the right of the start of the body, never
// covers a line; longer lines wrap.
constexpr double BodyWidthMm = 112;
constexpr double ChartGapMm = 4;
constexpr double ChartHeightMm = 110;
} // namespace

std::unique_ptr<TextReport> createTLDAReport(Dataset* driving)
{
    auto report =
        std::make_unique<TextReport>(QStringLiteral("TLDAReport"), QStringLiteral("Lookup Data Analysis Report"), true);
    report->setDrivingDataset(driving);
    report::ReportMemo& body = report->bodyMemo();
    QRectF r = body.rect();
    r.setWidth(BodyWidthMm);
    body.setRect(r);
    const double left = BodyWidthMm + ChartGapMm;
    report::ReportPieChart* chart = report->layout().addPieChart(
        QStringLiteral("PieChart"),
        QRectF(left, TextReport::ContentTopMm, report->layout().bandWidthMm() - left, ChartHeightMm));
    chart->setTitle(QStringLiteral("Customers/Prospects/Unidentified Ratio"));
    chart->setFont(report::reportFont(10));
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
                      report::ReportPieChart& chart = ldaChart(r);
                      chart.clearSlices();
                      for (const ChartSlice& s : slices) chart.addSlice(s.value, s.colour, s.label);
                  });
}

} // namespace qv

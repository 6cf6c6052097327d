#pragma once
// Stands in for the preview window: keeps every composed report it is asked to show and returns at once.

#include "platform/ReportPreviewer.h"

#include <functional>
#include <vector>

namespace qv::test {

class RecordingPreviewer : public ReportPreviewer {
public:
    RecordingPreviewer() { setReportPreviewer(this); }
    ~RecordingPreviewer() override { setReportPreviewer(nullptr); }
    void preview(const report::ComposedReport& report) override
    {
        reports.push_back(report);
        if (whilePreviewing) whilePreviewing(report);
    }
    // The text of every page of the last report, in order.
    QStringList lastText() const
    {
        QStringList all;
        if (reports.empty()) return all;
        for (int p = 0; p < reports.back().pageCount(); ++p) all << reports.back().pageText(p);
        return all;
    }
    std::vector<report::ComposedReport> reports;
    std::function<void(const report::ComposedReport&)> whilePreviewing; // e.g. throw, or start another report
};

} // namespace qv::test

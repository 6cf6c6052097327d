#pragma once
// Reports are shown through this interface: the program uses the preview window, tests one that records the pages.

#include "platform/ComposedReport.h"

namespace qv {

class ReportPreviewer {
public:
    virtual ~ReportPreviewer() = default;
    // Returns only when the user has closed the preview; events are processed meanwhile.
    virtual void preview(const report::ComposedReport& report) = 0;
};

ReportPreviewer& reportPreviewer();
void setReportPreviewer(ReportPreviewer* previewer); // nullptr restores the preview window

} // namespace qv

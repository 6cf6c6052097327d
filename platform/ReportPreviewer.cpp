#include "platform/ReportPreviewer.h"
#include "platform/PreviewWindow.h"

namespace qv {

namespace {

class WindowPreviewer : public ReportPreviewer {
public:
    void preview(const report::ComposedReport& report) override
    {
        // One window per preview, so that a second report can be previewed while the first is open.
        PreviewWindow window;
        window.setReport(report);
        window.exec();
    }
};

WindowPreviewer windowPreviewer;
ReportPreviewer* current = &windowPreviewer;

} // namespace

ReportPreviewer& reportPreviewer() { return *current; }
void setReportPreviewer(ReportPreviewer* previewer) { current = previewer ? previewer : &windowPreviewer; }

} // namespace qv

#include "platform/ReportPreviewer.h"
#include "platform/PreviewWindow.h"

#include <QApplication>

namespace qv {

namespace {

class WindowPreviewer : public ReportPreviewer {
public:
    void preview(const report::ComposedReport& report) override
    {
        // One window per preview, so that a second report can be previewed while the first is open. It belongs
        // to the modal window that asked for it, if any, so that this window does not block it.
        QWidget* owner = QApplication::activeModalWidget();
        if (!owner) owner = QApplication::activeWindow();
        PreviewWindow window(owner);
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

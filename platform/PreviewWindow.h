#pragma once
// The "Print Preview" window: the composed pages on screen, zoom, page moves, printing through the printer
// dialog, save (PDF or our own report file) and load of a saved report. It opens maximized, is a window in its own
// right (not a dialog: the rest of the program stays usable) and closes with its close box, "Close" or Escape.

#include "platform/ComposedReport.h"

#include <QPrinter>
#include <memory>
#include <QMainWindow>

class QLabel;
class QScrollArea;
class QToolButton;
class QEventLoop;

namespace qv {

class PreviewPage;

class PreviewWindow : public QMainWindow {
    Q_OBJECT
public:
    enum class Zoom { Fit, Actual, Width };

    explicit PreviewWindow(QWidget* parent = nullptr);
    ~PreviewWindow() override;

    void setReport(const report::ComposedReport& report);
    const report::ComposedReport& report() const { return m_report; }
    int currentPage() const { return m_page; } // 0-based
    Zoom zoom() const { return m_zoom; }
    double scale() const { return m_scale; } // screen pixels per millimetre

    // Shows the window and returns when it is closed, processing events meanwhile.
    void exec();

    void setZoom(Zoom zoom);
    void firstPage();
    void priorPage();
    void nextPage();
    void lastPage();
    void printerSetup();
    void print();
    void save();
    void load();
    // What save and load do once a file is chosen; errors are shown, not thrown.
    bool saveTo(const QString& path);
    bool loadFrom(const QString& path);
    // Prints the pages the printer's range selects (all when none), as often as asked for.
    void printPages(QPrinter& printer) const;

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showPage(int page);
    void updateView();
    double computeScale() const;
    QPrinter& printer();

    report::ComposedReport m_report;
    int m_page = 0;
    Zoom m_zoom = Zoom::Fit;
    double m_scale = 1;
    std::unique_ptr<QPrinter> m_printer; // the settings chosen in this window, from its first print or setup
    QScrollArea* m_scroll = nullptr;
    PreviewPage* m_view = nullptr;
    QLabel* m_status = nullptr;
    QWidget* m_toolbar = nullptr;
    QEventLoop* m_loop = nullptr;
};

} // namespace qv

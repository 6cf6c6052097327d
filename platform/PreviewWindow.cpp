#include "platform/PreviewWindow.h"
#include "platform/FileDialogs.h"
#include "platform/GuardedApplication.h"
#include "platform/Messages.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace qv {

// Paints the current page at the window's scale.
class PreviewPage : public QWidget {
public:
    explicit PreviewPage(PreviewWindow* window) : QWidget(nullptr), m_window(window)
    {
        setObjectName(QStringLiteral("PreviewPage"));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    void fit()
    {
        const QSizeF mm = m_window->report().pageSizeMm();
        const double s = m_window->scale();
        setFixedSize(int(mm.width() * s) + 1, int(mm.height() * s) + 1);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        m_window->report().renderPage(p, m_window->currentPage(), m_window->scale());
        p.setPen(Qt::darkGray);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }

private:
    PreviewWindow* m_window;
};

PreviewWindow::PreviewWindow(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("PreviewWindow"));
    setWindowTitle(QStringLiteral("Print Preview"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    m_toolbar = new QWidget(this);
    m_toolbar->setObjectName(QStringLiteral("PreviewToolbar"));
    auto* bar = new QHBoxLayout(m_toolbar);
    bar->setContentsMargins(4, 4, 4, 4);
    bar->setSpacing(2);

    auto zoomTo = [this](Zoom z) { return [this, z] { setZoom(z); }; };
    const struct {
        QString hint, text;
        std::function<void()> run;
    } buttons[] = {
        {QStringLiteral("Zoom to fit"), QStringLiteral("Fit"), zoomTo(Zoom::Fit)},
        {QStringLiteral("100 %"), QStringLiteral("100 %"), zoomTo(Zoom::Actual)},
        {QStringLiteral("Zoom to width"), QStringLiteral("Width"), zoomTo(Zoom::Width)},
        {QStringLiteral("First page"), QStringLiteral("|<"), [this] { firstPage(); }},
        {QStringLiteral("Previous page"), QStringLiteral("<"), [this] { priorPage(); }},
        {QStringLiteral("Next page"), QStringLiteral(">"), [this] { nextPage(); }},
        {QStringLiteral("Last page"), QStringLiteral(">|"), [this] { lastPage(); }},
        {QStringLiteral("Printer setup"), QStringLiteral("Setup..."), [this] { printerSetup(); }},
        {QStringLiteral("Print"), QStringLiteral("Print..."), [this] { print(); }},
        {QStringLiteral("Save report"), QStringLiteral("Save..."), [this] { save(); }},
        {QStringLiteral("Load report"), QStringLiteral("Load..."), [this] { load(); }},
        {QStringLiteral("Close"), QStringLiteral("Close"), [this] { close(); }},
    };
    for (const auto& b : buttons) {
        auto* button = new QToolButton(m_toolbar);
        button->setText(b.text);
        button->setToolTip(b.hint);
        button->setAccessibleName(b.hint);
        button->setObjectName(b.hint);
        button->setAutoRaise(true);
        auto run = b.run;
        connect(button, &QToolButton::clicked, this, [run] { runGuarded(run); });
        bar->addWidget(button);
        if (b.hint == QLatin1String("Zoom to width") || b.hint == QLatin1String("Last page") ||
            b.hint == QLatin1String("Print") || b.hint == QLatin1String("Load report"))
            bar->addSpacing(10);
    }
    bar->addStretch();
    m_status = new QLabel(m_toolbar);
    m_status->setObjectName(QStringLiteral("PageStatus"));
    bar->addWidget(m_status);

    m_view = new PreviewPage(this);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("PreviewArea"));
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_scroll->setAlignment(Qt::AlignCenter);
    m_scroll->setWidget(m_view);
    m_scroll->installEventFilter(this); // the zoom follows the area's size

    m_scroll->setAccessibleName(QStringLiteral("Page"));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolbar);
    layout->addWidget(m_scroll, 1);
    setCentralWidget(central);
    // A preview is for reading pages: it opens maximized (exec). Where no window manager maximizes it, this
    // geometry fills the screen all the same.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    else
        resize(900, 1000);
}

PreviewWindow::~PreviewWindow() = default;

void PreviewWindow::setReport(const report::ComposedReport& report)
{
    m_report = report;
    if (m_printer) m_printer->setDocName(report.title());
    m_page = 0;
    updateView();
}

double PreviewWindow::computeScale() const
{
    const QSizeF mm = m_report.pageSizeMm();
    // The room without scroll bars, so that a scroll bar coming or going does not change the zoom again.
    const QSize room = m_scroll->maximumViewportSize() - QSize(16, 16);
    const int bar = m_scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    switch (m_zoom) {
    case Zoom::Actual: return logicalDpiX() / 25.4;
    case Zoom::Width: return std::max(0.5, (room.width() - bar) / mm.width());
    case Zoom::Fit: break;
    }
    return std::max(0.5, std::min(room.width() / mm.width(), room.height() / mm.height()));
}

void PreviewWindow::exec()
{
    showMaximized();
    QEventLoop loop;
    m_loop = &loop;
    connect(this, &PreviewWindow::closed, &loop, &QEventLoop::quit);
    loop.exec();
    m_loop = nullptr;
}

void PreviewWindow::setZoom(Zoom zoom)
{
    m_zoom = zoom;
    updateView();
}

void PreviewWindow::showPage(int page)
{
    m_page = std::clamp(page, 0, std::max(0, m_report.pageCount() - 1));
    updateView();
    m_scroll->verticalScrollBar()->setValue(0);
}

void PreviewWindow::firstPage() { showPage(0); }
void PreviewWindow::priorPage() { showPage(m_page - 1); }
void PreviewWindow::nextPage() { showPage(m_page + 1); }
void PreviewWindow::lastPage() { showPage(m_report.pageCount() - 1); }

void PreviewWindow::updateView()
{
    m_scale = computeScale();
    m_view->fit();
    m_status->setText(QStringLiteral("Page %1 of %2").arg(m_page + 1).arg(m_report.pageCount()));
}

QPrinter& PreviewWindow::printer()
{
    // Made when first needed: making one looks for the printers, which a preview that is only read never uses.
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_printer->setDocName(m_report.title());
    }
    return *m_printer;
}

void PreviewWindow::printerSetup()
{
    QPageSetupDialog dialog(&printer(), this);
    dialog.exec();
}

void PreviewWindow::print()
{
    QPrintDialog dialog(&printer(), this);
    dialog.setWindowTitle(QStringLiteral("Print"));
    // Qt's own choices (printing to a PDF file among them) plus the page range and the copies the preview needs.
    dialog.setOptions(dialog.options() | QAbstractPrintDialog::PrintPageRange |
                      QAbstractPrintDialog::PrintCollateCopies | QAbstractPrintDialog::PrintShowPageSize);
    dialog.setMinMax(1, std::max(1, m_report.pageCount()));
    dialog.setFromTo(1, std::max(1, m_report.pageCount()));
    if (dialog.exec() != QDialog::Accepted) return;
    printPages(printer());
}

void PreviewWindow::printPages(QPrinter& printer) const
{
    printer.setFullPage(true); // the composed pages carry their own margins
    const int count = m_report.pageCount();
    int from = 1, to = count;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        from = std::max(1, printer.fromPage());
        to = std::min(count, printer.toPage() > 0 ? printer.toPage() : count);
    }
    QPainter painter;
    if (!painter.begin(&printer)) {
        showError(QStringLiteral("The printer could not be started."));
        return;
    }
    const double scale = printer.resolution() / 25.4;
    // The printer makes the copies itself where it can; otherwise every page is sent as often as asked.
    const int copies = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
    bool firstSheet = true;
    for (int c = 0; c < copies; ++c) {
        for (int page = from; page <= to; ++page) {
            if (!firstSheet) printer.newPage();
            firstSheet = false;
            m_report.renderPage(painter, page - 1, scale);
        }
    }
    painter.end();
}

void PreviewWindow::save()
{
    FileDialogRequest request;
    request.kind = FileDialogRequest::Kind::Save;
    request.caption = QStringLiteral("Save Report");
    request.filter = QStringLiteral("PDF document (*.pdf)|*.pdf|Quorvane report (*.qvr)|*.qvr");
    request.suffixFromFilter = true;
    QString path = chooseFile(request);
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".pdf");
    saveTo(path);
}

void PreviewWindow::load()
{
    const QString path =
        chooseFileToOpen(QStringLiteral("Quorvane report (*.qvr)|*.qvr"), QStringLiteral("Load Report"));
    if (!path.isEmpty()) loadFrom(path);
}

bool PreviewWindow::saveTo(const QString& path)
{
    return runGuarded([&] {
        if (path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
            m_report.savePdf(path);
        else
            m_report.save(path);
    });
}

bool PreviewWindow::loadFrom(const QString& path)
{
    return runGuarded([&] { setReport(report::ComposedReport::load(path)); });
}

void PreviewWindow::closeEvent(QCloseEvent* event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) emit closed();
}

void PreviewWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool PreviewWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_scroll && event->type() == QEvent::Resize && m_zoom != Zoom::Actual) updateView();
    return QMainWindow::eventFilter(watched, event);
}

} // namespace qv

#include "platform/HelpView.h"

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QScrollBar>
#include <QTextDocument>
#include <QWindow>

namespace qv {

HelpView::HelpView(QWidget* parent) : QTextBrowser(parent)
{
    // Links come to us first, so that each navigation can be looked at before it happens.
    setOpenLinks(false);
    setOpenExternalLinks(false);
    document()->setDocumentMargin(10);
    connect(this, &QTextBrowser::anchorClicked, this, &HelpView::linkClicked);
}

QUrl HelpView::page() const { return source().adjusted(QUrl::RemoveFragment); }

void HelpView::linkClicked(const QUrl& link)
{
    const QUrl target = source().resolved(link);
    if (beforeNavigate && beforeNavigate(target)) return;
    // A place inside the page shown only scrolls there.
    setSource(target);
}

void HelpView::navigate(const QUrl& url)
{
    if (beforeNavigate && beforeNavigate(url)) return;
    clearHistory();
    if (page() == url.adjusted(QUrl::RemoveFragment))
        reload();
    else
        setSource(url);
    if (url.fragment().isEmpty()) verticalScrollBar()->setValue(0);
}

QString HelpView::errorPage(const QUrl& url)
{
    return QStringLiteral("<html><body><h2>This page cannot be displayed</h2><p>%1</p></body></html>")
        .arg(url.toDisplayString().toHtmlEscaped());
}

QVariant HelpView::loadResource(int type, const QUrl& name)
{
    if (type != QTextDocument::HtmlResource) return QTextBrowser::loadResource(type, name);
    if (name.isLocalFile()) {
        QFile file(name.toLocalFile());
        if (file.open(QIODevice::ReadOnly)) return file.readAll();
    }
    // Only local pages can be shown here.
    return errorPage(name);
}

void showWithoutWaiting(QWidget* window)
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != window) {
        // Belonging to the modal window lets the user read and click while it stays open.
        window->winId();
        if (QWindow* handle = window->windowHandle()) handle->setTransientParent(modal->windowHandle());
    }
    if (!window->property("qvPlaced").toBool()) {
        // The first showing puts the window in the middle of the screen, whole, wherever it was made.
        window->setProperty("qvPlaced", true);
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            window->resize(window->size().boundedTo(area.size() - QSize(40, 60)));
            QRect frame(QPoint(), window->size());
            frame.moveCenter(area.center());
            window->move(frame.topLeft());
        }
    }
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace qv

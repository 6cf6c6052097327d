#include "platform/ScreenMetrics.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QWidget>
#include <cmath>

namespace qv {

namespace {

class PrimaryScreen : public ScreenMetrics {
public:
    int logicalDpi() const override
    {
        const QScreen* s = QGuiApplication::primaryScreen();
        return s ? int(std::lround(s->logicalDotsPerInch())) : 96;
    }
    int screenHeight() const override
    {
        const QScreen* s = QGuiApplication::primaryScreen();
        return s ? s->geometry().height() : 0;
    }
};

PrimaryScreen primaryScreen;
ScreenMetrics* current = &primaryScreen;

// A title bar and thin borders, as window managers draw them; the frame is not known before a window is shown.
const QSize WindowFrame(10, 40);

} // namespace

ScreenMetrics& screenMetrics() { return *current; }
void setScreenMetrics(ScreenMetrics* metrics) { current = metrics ? metrics : &primaryScreen; }

QSize sizeWithinWorkArea(const QSize& wanted)
{
    const QScreen* s = QGuiApplication::primaryScreen();
    if (!s) return wanted;
    return wanted.boundedTo(s->availableGeometry().size() - WindowFrame);
}

QSize sizeForScrolledContents(const QScrollArea* contents, const QSize& atLeast)
{
    QSize wanted = contents->widget()->sizeHint().expandedTo(atLeast);
    const QSize room = sizeWithinWorkArea(wanted);
    // A scroll bar needed one way takes room the other way.
    const int bar = contents->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, contents);
    if (room.height() < wanted.height()) wanted.rwidth() += bar;
    if (room.width() < wanted.width()) wanted.rheight() += bar;
    return sizeWithinWorkArea(wanted);
}

void centreInWorkArea(QWidget* window)
{
    if (const QScreen* screen = window->screen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}

} // namespace qv

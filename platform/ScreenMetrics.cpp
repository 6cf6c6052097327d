#include "platform/ScreenMetrics.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
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
    // A window's position is its frame's: the frame, as large as allowed for, is centred, not the contents alone,
    // or a window as tall as the work area allows would end below it by its title bar.
    const QScreen* screen = window->screen();
    if (!screen) return;
    const QSize framed = window->size() + WindowFrame;
    const QRect area = screen->availableGeometry();
    window->move(area.x() + std::max(0, (area.width() - framed.width()) / 2),
                 area.y() + std::max(0, (area.height() - framed.height()) / 2));
}

} // namespace qv

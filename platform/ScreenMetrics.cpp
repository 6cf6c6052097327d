#include "platform/ScreenMetrics.h"

#include <QGuiApplication>
#include <QScreen>
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

} // namespace qv

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

} // namespace

ScreenMetrics& screenMetrics() { return *current; }
void setScreenMetrics(ScreenMetrics* metrics) { current = metrics ? metrics : &primaryScreen; }

} // namespace qv

#pragma once
// The screen's logical resolution and height, behind an interface so that tests can give any display, and the
// room that windows have on it.

#include <QSize>

namespace qv {

class ScreenMetrics {
public:
    virtual ~ScreenMetrics() = default;
    virtual int logicalDpi() const = 0;
    virtual int screenHeight() const = 0;
};

ScreenMetrics& screenMetrics();
void setScreenMetrics(ScreenMetrics* metrics); // nullptr restores the real screen

// The size a window opens at: the size it wants, no larger than the screen's work area (the screen less the
// desktop's panels) once the window manager's frame is put around it.
QSize sizeWithinWorkArea(const QSize& wanted);

} // namespace qv

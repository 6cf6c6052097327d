#pragma once
// The screen's logical resolution and height, behind an interface so that tests can give any display, and the
// room that windows have on it.

#include <QSize>

class QScrollArea;
class QWidget;

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

// The size of a window whose contents lie in a scroll area filling it: the contents' own size (at least
// `atLeast`) where the work area has room for it, otherwise what there is, with room for the scroll bars that are
// then needed. Nothing lies out of reach below the screen's edge, whatever the font makes the contents' size.
QSize sizeForScrolledContents(const QScrollArea* contents, const QSize& atLeast = {});

// Puts a window about to be shown in the middle of its screen's work area.
void centreInWorkArea(QWidget* window);

} // namespace qv

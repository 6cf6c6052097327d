#pragma once
// The screen's logical resolution and height, behind an interface so that tests can give any display.

namespace qv {

class ScreenMetrics {
public:
    virtual ~ScreenMetrics() = default;
    virtual int logicalDpi() const = 0;
    virtual int screenHeight() const = 0;
};

ScreenMetrics& screenMetrics();
void setScreenMetrics(ScreenMetrics* metrics); // nullptr restores the real screen

} // namespace qv

#include "app/Splash.h"
#include "app/Artwork.h"
#include "platform/Messages.h"
#include "platform/ProgramEnd.h"
#include "platform/ScreenMetrics.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace qv {

TSplashForm::TSplashForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName("TSplashForm");
    m_picture = artwork::splashPicture();
    setFixedSize(m_picture.size());
    setCursor(Qt::WaitCursor);
    if (const QScreen* s = QGuiApplication::primaryScreen()) move(s->geometry().center() - rect().center());
}

bool TSplashForm::runDisplayCheck()
{
    // The screen as the program sees it: with the toolkit's scaling it works in 96 logical pixels per inch on any
    // desktop, so a 120-dpi desktop reports 96 here and runs the program scaled by 1.25, provided its screen is
    // tall enough. Its 800x600 screen is then a 640x480 logical one and gets the screen-area message, as a small
    // screen should: the windows are laid out for 590 logical pixels of height.
    bool ok = true;
    if (screenMetrics().logicalDpi() != 96) {
        showInformation("Display font size is NOT set to small fonts (96 dpi). To run correctly, display font size "
                        "must be set to small fonts (96 dpi). Quorvane PRO 2005 will close now.");
        requestProgramEnd();
        ok = false;
    }
    if (screenMetrics().screenHeight() < 590) {
        showInformation("Screen area is less than 800*600. To run correctly, screen area must be set to 800*600 or "
                        "higher. Quorvane PRO 2005 will close now.");
        requestProgramEnd();
        ok = false;
    }
    return ok;
}

void TSplashForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    runDisplayCheck();
}

void TSplashForm::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawPixmap(0, 0, m_picture);
}

} // namespace qv

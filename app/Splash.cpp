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

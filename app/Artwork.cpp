#include "app/Artwork.h"

#include <QImage>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstring>

namespace qv::artwork {

namespace {

const QColor Navy(18, 42, 84);
const QColor Teal(18, 128, 140);
const QColor Amber(242, 170, 48);

void drawEmblem(QPainter& p, const QRectF& r)
{
    // A ring with a rising arrow: contacts turning into sales.
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPen ring(Amber, r.width() * 0.12);
    ring.setCapStyle(Qt::RoundCap);
    p.setPen(ring);
    const QRectF inner = r.adjusted(r.width() * 0.12, r.height() * 0.12, -r.width() * 0.12, -r.height() * 0.12);
    p.drawArc(inner, 60 * 16, 300 * 16);
    QPainterPath arrow;
    const QPointF c = inner.center();
    arrow.moveTo(c + QPointF(-inner.width() * 0.22, inner.height() * 0.18));
    arrow.lineTo(c + QPointF(inner.width() * 0.02, -inner.height() * 0.05));
    arrow.lineTo(c + QPointF(inner.width() * 0.42, -inner.height() * 0.42));
    QPen line(Qt::white, r.width() * 0.09);
    line.setCapStyle(Qt::RoundCap);
    line.setJoinStyle(Qt::RoundJoin);
    p.setPen(line);
    p.drawPath(arrow);
    p.restore();
}

} // namespace

QPixmap splashPicture()
{
    QPixmap pm(400, 200);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 400, 200);
    g.setColorAt(0, Navy);
    g.setColorAt(1, Teal);
    p.fillRect(pm.rect(), g);
    p.setPen(QPen(QColor(255, 255, 255, 28), 1));
    for (int i = -200; i < 400; i += 14) p.drawLine(i, 200, i + 200, 0);
    drawEmblem(p, QRectF(24, 50, 100, 100));
    QFont title("Liberation Sans", 26, QFont::Bold);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRectF(140, 52, 250, 40), Qt::AlignLeft | Qt::AlignVCenter, "Quorvane");
    QFont pro("Liberation Sans", 15, QFont::Bold, true);
    p.setFont(pro);
    p.setPen(Amber);
    p.drawText(QRectF(142, 92, 250, 26), Qt::AlignLeft | Qt::AlignVCenter, "PRO 2005");
    QFont sub("Liberation Sans", 10);
    p.setFont(sub);
    p.setPen(QColor(225, 235, 245));
    p.drawText(QRectF(142, 124, 250, 20), Qt::AlignLeft | Qt::AlignVCenter, "Sales contact manager");
    p.drawText(QRectF(12, 172, 376, 20), Qt::AlignRight | Qt::AlignVCenter, "Loading your contacts...");
    p.setPen(QPen(QColor(255, 255, 255, 90), 1));
    p.drawRect(pm.rect().adjusted(0, 0, -1, -1));
    return pm;
}

QPixmap backgroundPicture(const QSize& size)
{
    const QSize full = size.expandedTo(QSize(1, 1));
    // The sky and its glow change by less than a shade of colour from one pixel to the next: they are drawn at a
    // quarter of the size and each of their pixels copied into a square of four by four, which looks the same and
    // takes a sixteenth of the work.
    const QSize quarter((full.width() + 3) / 4, (full.height() + 3) / 4);
    QImage sky(quarter, QImage::Format_RGB32);
    {
        QPainter p(&sky);
        QLinearGradient g(0, 0, 0, sky.height());
        g.setColorAt(0, QColor(236, 242, 248));
        g.setColorAt(1, QColor(200, 216, 232));
        p.fillRect(sky.rect(), g);
        QRadialGradient glow(sky.width() * 0.75, sky.height() * 0.35, sky.width() * 0.5);
        glow.setColorAt(0, QColor(255, 255, 255, 150));
        glow.setColorAt(1, QColor(255, 255, 255, 0));
        p.fillRect(sky.rect(), glow);
    }
    QImage picture(full, QImage::Format_RGB32);
    for (int y = 0; y < full.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        if (y % 4) {
            std::memcpy(line, picture.constScanLine(y - 1), size_t(picture.bytesPerLine()));
            continue;
        }
        const auto* from = reinterpret_cast<const QRgb*>(sky.constScanLine(y / 4));
        for (int x = 0; x < full.width(); ++x) line[x] = from[x / 4];
    }
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(18, 42, 84, 16), 2));
    for (int i = 0; i < 6; ++i) {
        QPainterPath wave;
        const double y = picture.height() * (0.55 + i * 0.06);
        wave.moveTo(0, y);
        wave.cubicTo(picture.width() * 0.3, y - 60, picture.width() * 0.6, y + 60, picture.width(), y - 20);
        p.drawPath(wave);
    }
    const double emblem = std::min(picture.width(), picture.height()) * 0.22;
    p.setOpacity(0.18);
    QPainterPath disc;
    disc.addEllipse(QRectF(picture.width() * 0.08, picture.height() * 0.12, emblem, emblem));
    p.fillPath(disc, Navy);
    drawEmblem(p, QRectF(picture.width() * 0.08, picture.height() * 0.12, emblem, emblem));
    p.setOpacity(0.22);
    QFont title("Liberation Sans", std::max(12, int(emblem * 0.32)), QFont::Bold);
    p.setFont(title);
    p.setPen(Navy);
    p.drawText(QRectF(picture.width() * 0.08 + emblem * 1.15, picture.height() * 0.12, picture.width() * 0.7, emblem),
               Qt::AlignLeft | Qt::AlignVCenter, "Quorvane PRO 2005");
    p.end();
    return QPixmap::fromImage(std::move(picture));
}

QPixmap logoPicture()
{
    QPixmap pm(150, 44);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath bg;
    bg.addRoundedRect(QRectF(0.5, 0.5, 149, 43), 8, 8);
    p.fillPath(bg, Navy);
    drawEmblem(p, QRectF(4, 4, 36, 36));
    p.setPen(Qt::white);
    p.setFont(QFont("Liberation Sans", 12, QFont::Bold));
    p.drawText(QRectF(44, 4, 104, 20), Qt::AlignLeft | Qt::AlignVCenter, "Quorvane");
    p.setPen(Amber);
    p.setFont(QFont("Liberation Sans", 7));
    p.drawText(QRectF(44, 23, 104, 16), Qt::AlignLeft | Qt::AlignVCenter, "www.quorvane.example");
    return pm;
}

QPixmap bannerPicture()
{
    QPixmap pm(385, 94);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 385, 0);
    g.setColorAt(0, Navy);
    g.setColorAt(1, Teal);
    p.fillRect(pm.rect(), g);
    drawEmblem(p, QRectF(10, 12, 70, 70));
    p.setPen(Qt::white);
    p.setFont(QFont("Liberation Sans", 18, QFont::Bold));
    p.drawText(QRectF(92, 10, 285, 34), Qt::AlignLeft | Qt::AlignVCenter, "Quorvane PRO 2005");
    p.setPen(QColor(225, 235, 245));
    p.setFont(QFont("Liberation Sans", 7));
    p.drawText(QRectF(92, 46, 285, 40), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
               "Copyright \u00A9 2005 Quorvane. All rights reserved. This program is protected by copyright law "
               "and international treaties.");
    return pm;
}

QLabel* bannerLabel()
{
    auto* banner = new QLabel;
    banner->setObjectName("Image1");
    banner->setPixmap(bannerPicture());
    banner->setFixedSize(385, 94);
    banner->setAccessibleName("Quorvane PRO 2005");
    return banner;
}

} // namespace qv::artwork

#include "app/Artwork.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

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
    QPixmap pm(size.expandedTo(QSize(1, 1)));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, pm.height());
    g.setColorAt(0, QColor(236, 242, 248));
    g.setColorAt(1, QColor(200, 216, 232));
    p.fillRect(pm.rect(), g);
    QRadialGradient glow(pm.width() * 0.75, pm.height() * 0.35, pm.width() * 0.5);
    glow.setColorAt(0, QColor(255, 255, 255, 150));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(pm.rect(), glow);
    p.setPen(QPen(QColor(18, 42, 84, 16), 2));
    for (int i = 0; i < 6; ++i) {
        QPainterPath wave;
        const double y = pm.height() * (0.55 + i * 0.06);
        wave.moveTo(0, y);
        wave.cubicTo(pm.width() * 0.3, y - 60, pm.width() * 0.6, y + 60, pm.width(), y - 20);
        p.drawPath(wave);
    }
    const double emblem = std::min(pm.width(), pm.height()) * 0.22;
    p.setOpacity(0.18);
    QPainterPath disc;
    disc.addEllipse(QRectF(pm.width() * 0.08, pm.height() * 0.12, emblem, emblem));
    p.fillPath(disc, Navy);
    drawEmblem(p, QRectF(pm.width() * 0.08, pm.height() * 0.12, emblem, emblem));
    p.setOpacity(0.22);
    QFont title("Liberation Sans", std::max(12, int(emblem * 0.32)), QFont::Bold);
    p.setFont(title);
    p.setPen(Navy);
    p.drawText(QRectF(pm.width() * 0.08 + emblem * 1.15, pm.height() * 0.12, pm.width() * 0.7, emblem),
               Qt::AlignLeft | Qt::AlignVCenter, "Quorvane PRO 2005");
    return pm;
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

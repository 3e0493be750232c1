// The application icon is painted on a 256-unit square and scaled, so the window icon, the status
// bar badge and the PNGs exported for the desktop theme are one and the same picture.
#include "browser/application_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <algorithm>
#include <array>

namespace gb::browser {

namespace {

    constexpr qreal kCanvas = 256.0;
    constexpr std::array kIconSizes = { 16, 32, 48, 64, 128, 256 };
    constexpr QRectF kTile(12, 12, 232, 232);
    constexpr QRectF kPhoto(34, 34, 188, 188);

    void DrawTile(QPainter& p, qreal hairline)
    {
        QLinearGradient card(0, kTile.top(), 0, kTile.bottom());
        card.setColorAt(0, QColor(255, 255, 255));
        card.setColorAt(1, QColor(222, 228, 236));
        p.setPen(QPen(QColor(40, 50, 70, 110), hairline));
        p.setBrush(card);
        p.drawRoundedRect(kTile, 48, 48);
    }

    void DrawSky(QPainter& p)
    {
        QLinearGradient sky(0, kPhoto.top(), 0, kPhoto.bottom());
        sky.setColorAt(0, QColor(38, 86, 178));
        sky.setColorAt(0.65, QColor(132, 196, 240));
        sky.setColorAt(1, QColor(200, 232, 250));
        p.setPen(Qt::NoPen);
        p.setBrush(sky);
        p.drawRect(kPhoto);

        const QPointF sun(96, 104);
        QRadialGradient glow(sun, 70);
        glow.setColorAt(0, QColor(255, 236, 150, 200));
        glow.setColorAt(1, QColor(255, 236, 150, 0));
        p.setBrush(glow);
        p.drawEllipse(sun, 70, 70);
        QRadialGradient disc(sun - QPointF(6, 6), 30);
        disc.setColorAt(0, QColor(255, 250, 210));
        disc.setColorAt(1, QColor(255, 196, 60));
        p.setBrush(disc);
        p.drawEllipse(sun, 26, 26);
    }

    void DrawMountains(QPainter& p)
    {
        QLinearGradient farSlope(0, 110, 0, 222);
        farSlope.setColorAt(0, QColor(120, 150, 196));
        farSlope.setColorAt(1, QColor(78, 110, 160));
        p.setBrush(farSlope);
        p.drawPolygon(QPolygonF({ QPointF(34, 222), QPointF(34, 190), QPointF(110, 128),
            QPointF(150, 160), QPointF(172, 142), QPointF(222, 184), QPointF(222, 222) }));

        QPolygonF nearPeak({ QPointF(34, 222), QPointF(34, 214), QPointF(150, 112),
            QPointF(222, 176), QPointF(222, 222) });
        QLinearGradient nearSlope(0, 112, 0, 222);
        nearSlope.setColorAt(0, QColor(70, 168, 98));
        nearSlope.setColorAt(1, QColor(28, 110, 70));
        p.setBrush(nearSlope);
        p.drawPolygon(nearPeak);

        p.setBrush(QColor(250, 252, 255));
        p.drawPolygon(QPolygonF({ QPointF(150, 112), QPointF(172, 131.5), QPointF(160, 128),
            QPointF(150, 138), QPointF(140, 128), QPointF(127, 132) }));
    }

    // A four-pointed star with a soft halo: the glimmer in the program's name.
    void DrawSparkle(QPainter& p, const QPointF& centre, qreal radius)
    {
        QRadialGradient halo(centre, radius);
        halo.setColorAt(0, QColor(255, 255, 230, 220));
        halo.setColorAt(1, QColor(255, 240, 170, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(halo);
        p.drawEllipse(centre, radius, radius);

        const qreal arm = radius * 0.95;
        const qreal waist = radius * 0.12;
        QPainterPath star;
        star.moveTo(centre + QPointF(0, -arm));
        star.quadTo(centre + QPointF(waist, -waist), centre + QPointF(arm, 0));
        star.quadTo(centre + QPointF(waist, waist), centre + QPointF(0, arm));
        star.quadTo(centre + QPointF(-waist, waist), centre + QPointF(-arm, 0));
        star.quadTo(centre + QPointF(-waist, -waist), centre + QPointF(0, -arm));
        p.setBrush(QColor(255, 255, 255));
        p.drawPath(star);
    }

} // namespace

QImage DrawApplicationIcon(int size)
{
    if (size <= 0)
        return {};
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / kCanvas, size / kCanvas);

    // Outlines never get thinner than one device pixel, or small icons lose their edge.
    const qreal hairline = std::max(3.0, kCanvas / size);
    DrawTile(p, hairline);
    QPainterPath photo;
    photo.addRoundedRect(kPhoto, 30, 30);
    p.save();
    p.setClipPath(photo);
    DrawSky(p);
    DrawMountains(p);
    p.restore();
    p.setPen(QPen(QColor(20, 40, 80, 90), hairline));
    p.setBrush(Qt::NoBrush);
    p.drawPath(photo);

    // Small sizes get one bigger sparkle; a second one would only be a smudge.
    if (size < 48) {
        DrawSparkle(p, QPointF(190, 70), 62);
    } else {
        DrawSparkle(p, QPointF(186, 74), 54);
        DrawSparkle(p, QPointF(216, 124), 24);
    }
    return image;
}

QIcon ApplicationIcon()
{
    QIcon icon;
    for (const int size : kIconSizes)
        icon.addPixmap(QPixmap::fromImage(DrawApplicationIcon(size)));
    return icon;
}

QPixmap StatusBarBadge() { return QPixmap::fromImage(DrawApplicationIcon(16)); }

} // namespace gb::browser

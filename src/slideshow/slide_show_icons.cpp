// Drawn rather than shipped as bitmaps so the art stays crisp at every screen scale; every
// drawing is laid out on a 16-unit square and painted at each size the icon offers.
#include "slideshow/slide_show_icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <array>

namespace gb::slideshow {

namespace {

    constexpr qreal kCanvas = 16.0;
    constexpr std::array kButtonSizes = { 16, 32 };
    constexpr std::array kWindowSizes = { 16, 32, 48 };

    using DrawFunction = void (*)(QPainter&);

    // Outlined and shaded from top to bottom, so the shapes read on light and dark toolbars alike.
    void FillShape(QPainter& p, const QPainterPath& shape, int hue)
    {
        QLinearGradient body(0, 1, 0, 15);
        body.setColorAt(0, QColor::fromHsv(hue, 110, 255));
        body.setColorAt(1, QColor::fromHsv(hue, 230, 190));
        p.setPen(
            QPen(QColor::fromHsv(hue, 240, 90), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(body);
        p.drawPath(shape);
    }

    QPainterPath Polygon(std::initializer_list<QPointF> points)
    {
        QPainterPath path;
        path.addPolygon(QPolygonF(QList<QPointF>(points)));
        path.closeSubpath();
        return path;
    }

    void DrawLeft(QPainter& p)
    {
        FillShape(p,
            Polygon({ { 1.5, 8 }, { 7.5, 2 }, { 7.5, 5.5 }, { 14.5, 5.5 }, { 14.5, 10.5 },
                { 7.5, 10.5 }, { 7.5, 14 } }),
            215);
    }

    void DrawRight(QPainter& p)
    {
        FillShape(p,
            Polygon({ { 14.5, 8 }, { 8.5, 2 }, { 8.5, 5.5 }, { 1.5, 5.5 }, { 1.5, 10.5 },
                { 8.5, 10.5 }, { 8.5, 14 } }),
            215);
    }

    void DrawPlay(QPainter& p)
    {
        FillShape(p, Polygon({ { 3.5, 2 }, { 13.5, 8 }, { 3.5, 14 } }), 120);
    }

    void DrawStop(QPainter& p)
    {
        QPainterPath square;
        square.addRoundedRect(QRectF(2.5, 2.5, 11, 11), 1.5, 1.5);
        FillShape(p, square, 0);
    }

    void DrawExit(QPainter& p)
    {
        // An open door: the frame, the door swung outwards with its knob, and the doorway's dark.
        p.setPen(QPen(QColor(70, 45, 25), 1.0));
        p.setBrush(QColor(35, 35, 45));
        p.drawRect(QRectF(4.5, 1.5, 9, 13));
        QPainterPath door = Polygon({ { 4.5, 1.5 }, { 10.5, 3.5 }, { 10.5, 15.5 }, { 4.5, 14.5 } });
        FillShape(p, door, 28);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 220, 90));
        p.drawEllipse(QPointF(9, 9), 1, 1);
    }

    void DrawFilmFrame(QPainter& p)
    {
        p.setPen(QPen(QColor(10, 10, 10), 0.5));
        p.setBrush(QColor(40, 40, 44));
        p.drawRoundedRect(QRectF(0.5, 1.5, 15, 13), 1, 1);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(235, 235, 225));
        for (int i = 0; i < 4; ++i) {
            p.drawRect(QRectF(1.5 + i * 3.75, 2.25, 1.75, 1.5));
            p.drawRect(QRectF(1.5 + i * 3.75, 12.25, 1.75, 1.5));
        }
        QLinearGradient sky(0, 4.5, 0, 11.5);
        sky.setColorAt(0, QColor(70, 130, 210));
        sky.setColorAt(1, QColor(250, 200, 120));
        p.setBrush(sky);
        p.drawRect(QRectF(1.5, 4.5, 13, 7));
        p.setBrush(QColor(60, 120, 70));
        p.drawPolygon(
            QPolygonF({ { 1.5, 11.5 }, { 6, 7.5 }, { 9, 10 }, { 11, 8.5 }, { 14.5, 11.5 } }));
    }

    QPixmap Paint(DrawFunction draw, int size)
    {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / kCanvas, size / kCanvas);
        draw(p);
        return pixmap;
    }

    template <size_t N> QIcon MakeIcon(DrawFunction draw, const std::array<int, N>& sizes)
    {
        QIcon icon;
        for (int size : sizes)
            icon.addPixmap(Paint(draw, size));
        return icon;
    }

} // namespace

QIcon SlideShowButtonIcon(const QString& key)
{
    struct Art {
        const char* key;
        DrawFunction draw;
    };
    static constexpr Art kArt[] = { { "Left", DrawLeft }, { "Right", DrawRight },
        { "Play", DrawPlay }, { "Stop", DrawStop }, { "Exit", DrawExit } };
    for (const Art& art : kArt) {
        if (key == QLatin1String(art.key))
            return MakeIcon(art.draw, kButtonSizes);
    }
    return {};
}

QIcon SlideShowWindowIcon() { return MakeIcon(DrawFilmFrame, kWindowSizes); }

} // namespace gb::slideshow

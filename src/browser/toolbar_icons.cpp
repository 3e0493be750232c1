// Toolbar artwork is drawn rather than shipped as bitmaps so that it stays crisp at every toolbar
// size and screen scale, and so that the muted, hover and disabled images can never drift apart:
// each is the same drawing in a different ink.
#include "browser/toolbar_icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <array>
#include <cmath>
#include <numbers>

namespace gb::browser {

namespace {

    // The colours of one part of an icon; every drawing uses the same four roles.
    struct Ink {
        QColor light; // top of a body's gradient
        QColor dark; // bottom of a body's gradient
        QColor line; // outlines and small dark details
        QColor paper; // glyphs and white surfaces on top of a body
    };

    using DrawFunction = void (*)(QPainter&, const Ink& main, const Ink& accent);

    struct IconArt {
        const char* key;
        int hue;
        int accentHue;
        DrawFunction draw;
    };

    // All drawings are laid out on a 32-unit square and scaled to the requested size.
    constexpr qreal kCanvas = 32.0;
    constexpr std::array kSizes = { 16, 24, 32, 48, 64 };

    Ink MakeInk(int hue, QIcon::Mode mode)
    {
        // Greys stay mid-range so a disabled button reads on light and dark toolbars alike.
        if (mode == QIcon::Disabled)
            return { QColor(200, 200, 200), QColor(165, 165, 165), QColor(120, 120, 120),
                QColor(238, 238, 238) };
        // Greens to cyans look far lighter than blues at the same value; darken them so that
        // white glyphs on a bright hover disc keep their contrast.
        const int glare = (hue >= 60 && hue <= 195) ? 30 : 0;
        if (mode == QIcon::Active)
            return { QColor::fromHsv(hue, 130, 255 - glare), QColor::fromHsv(hue, 220, 225 - glare),
                QColor::fromHsv(hue, 240, 125), QColor(255, 255, 255) };
        return { QColor::fromHsv(hue, 55, 210 - glare / 2),
            QColor::fromHsv(hue, 95, 165 - glare / 2), QColor::fromHsv(hue, 110, 95),
            QColor(246, 246, 244) };
    }

    QBrush Shade(const Ink& ink, qreal top, qreal bottom)
    {
        QLinearGradient gradient(0, top, 0, bottom);
        gradient.setColorAt(0, ink.light);
        gradient.setColorAt(1, ink.dark);
        return gradient;
    }

    QPen Stroke(const QColor& color, qreal width)
    {
        return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    }

    void DrawBrowse(QPainter& p, const Ink& main, const Ink& accent)
    {
        QPainterPath back;
        back.moveTo(3, 25);
        back.lineTo(3, 8.5);
        back.quadTo(3, 6.5, 5, 6.5);
        back.lineTo(11, 6.5);
        back.lineTo(13.5, 9);
        back.lineTo(27, 9);
        back.quadTo(29, 9, 29, 11);
        back.lineTo(29, 25);
        back.closeSubpath();
        p.setPen(Stroke(main.line, 1.2));
        p.setBrush(main.dark);
        p.drawPath(back);
        p.setPen(Stroke(accent.line, 0.8));
        p.setBrush(accent.paper);
        p.drawRect(QRectF(6, 11, 20, 9));
        QPainterPath front;
        front.addRoundedRect(QRectF(3, 14, 26, 13), 1.8, 1.8);
        p.setPen(Stroke(main.line, 1.2));
        p.setBrush(Shade(main, 14, 27));
        p.drawPath(front);
    }

    void DrawRename(QPainter& p, const Ink& main, const Ink& accent)
    {
        p.setPen(Stroke(accent.line, 1.2));
        p.setBrush(accent.paper);
        p.drawRoundedRect(QRectF(2.5, 8.5, 25, 14), 2.5, 2.5);
        p.setPen(Stroke(accent.dark, 2.2));
        p.drawLine(QPointF(6.5, 15.5), QPointF(12, 15.5));
        p.translate(19, 18);
        p.rotate(-45);
        p.setPen(Stroke(main.line, 1.1));
        p.setBrush(Shade(main, -3.5, 3.5));
        p.drawRect(QRectF(-6, -3.5, 14, 7));
        p.setBrush(accent.light);
        p.drawRoundedRect(QRectF(8, -3.5, 4, 7), 1.2, 1.2);
        p.setBrush(main.paper);
        p.drawPolygon(QPolygonF({ QPointF(-6, -3.5), QPointF(-13, 0), QPointF(-6, 3.5) }));
        p.setPen(Qt::NoPen);
        p.setBrush(main.line);
        p.drawPolygon(
            QPolygonF({ QPointF(-10.5, -1.25), QPointF(-13.2, 0), QPointF(-10.5, 1.25) }));
    }

    void DrawExit(QPainter& p, const Ink& main, const Ink& accent)
    {
        p.setPen(Stroke(main.line, 1.2));
        p.setBrush(main.line);
        p.drawRect(QRectF(4, 3.5, 14, 25));
        p.setBrush(Shade(main, 3, 30));
        p.drawPolygon(
            QPolygonF({ QPointF(4, 3.5), QPointF(12, 6.5), QPointF(12, 30.5), QPointF(4, 28.5) }));
        p.setPen(Qt::NoPen);
        p.setBrush(main.paper);
        p.drawEllipse(QPointF(10, 18), 1.1, 1.1);
        QPolygonF arrow({ QPointF(14, 13.5), QPointF(21, 13.5), QPointF(21, 8.5), QPointF(29.5, 16),
            QPointF(21, 23.5), QPointF(21, 18.5), QPointF(14, 18.5) });
        p.setPen(Stroke(accent.line, 1.2));
        p.setBrush(Shade(accent, 8, 24));
        p.drawPolygon(arrow);
    }

    // An arc around the icon's centre ending in an arrowhead that points along the turn.
    void DrawTurningArrow(QPainter& p, const Ink& ink, qreal startDegrees, qreal spanDegrees)
    {
        const QPointF centre(16, 16);
        const qreal radius = 10;
        QPainterPath arc;
        const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
        arc.arcMoveTo(box, startDegrees);
        arc.arcTo(box, startDegrees, spanDegrees);
        p.setPen(QPen(ink.dark, 4, Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        p.drawPath(arc);

        const qreal end = (startDegrees + spanDegrees) * std::numbers::pi / 180;
        const QPointF radial(std::cos(end), -std::sin(end));
        const QPointF ahead(-std::sin(end), -std::cos(end)); // counter-clockwise tangent
        const QPointF base = centre + radial * radius;
        p.setPen(Qt::NoPen);
        p.setBrush(ink.dark);
        p.drawPolygon(QPolygonF({ base + radial * 5, base + ahead * 6, base - radial * 5 }));
    }

    void DrawRefresh(QPainter& p, const Ink& main, const Ink&)
    {
        DrawTurningArrow(p, main, 30, 125);
        DrawTurningArrow(p, main, 210, 125);
    }

    void DrawView(QPainter& p, const Ink& main, const Ink& accent)
    {
        QPainterPath eye;
        eye.moveTo(2, 16);
        eye.quadTo(16, 2, 30, 16);
        eye.quadTo(16, 30, 2, 16);
        p.setPen(Qt::NoPen);
        p.setBrush(accent.paper);
        p.drawPath(eye);
        p.save();
        p.setClipPath(eye);
        QRadialGradient iris(QPointF(14.5, 14.5), 7.5);
        iris.setColorAt(0, main.light);
        iris.setColorAt(1, main.dark);
        p.setBrush(iris);
        p.setPen(Stroke(main.line, 1));
        p.drawEllipse(QPointF(16, 16), 6.5, 6.5);
        p.restore();
        p.setPen(Qt::NoPen);
        p.setBrush(main.line);
        p.drawEllipse(QPointF(16, 16), 2.8, 2.8);
        p.setBrush(QColor(255, 255, 255, 230));
        p.drawEllipse(QPointF(14, 14), 1.4, 1.4);
        p.setPen(Stroke(accent.line, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawPath(eye);
    }

    void DrawDelete(QPainter& p, const Ink& main, const Ink&)
    {
        p.setPen(Stroke(main.line, 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(12.5, 3, 7, 4), 1.2, 1.2);
        QPolygonF body({ QPointF(7, 10), QPointF(25, 10), QPointF(23.2, 29), QPointF(8.8, 29) });
        p.setBrush(Shade(main, 10, 29));
        p.drawPolygon(body);
        p.setPen(Stroke(main.paper, 1.5));
        for (const qreal x : { 12.5, 16.0, 19.5 })
            p.drawLine(QPointF(x, 13.5), QPointF(x, 25.5));
        p.setPen(Stroke(main.line, 1.2));
        p.setBrush(Shade(main, 5.5, 10));
        p.drawRoundedRect(QRectF(5, 6, 22, 4), 1.5, 1.5);
    }

    void DrawTickedBox(QPainter& p, const Ink& ink, const QRectF& box, qreal tickWidth)
    {
        p.setPen(Stroke(ink.line, 1.2));
        p.setBrush(Shade(ink, box.top(), box.bottom()));
        p.drawRoundedRect(box, 3, 3);
        const auto at = [&box](qreal x, qreal y) {
            return QPointF(box.left() + x * box.width(), box.top() + y * box.height());
        };
        p.setPen(Stroke(ink.paper, tickWidth));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({ at(0.22, 0.52), at(0.42, 0.72), at(0.78, 0.3) }));
    }

    void DrawSelectAll(QPainter& p, const Ink& main, const Ink& accent)
    {
        DrawTickedBox(p, accent, QRectF(12, 2.5, 17.5, 17.5), 2.4);
        DrawTickedBox(p, main, QRectF(2.5, 12, 17.5, 17.5), 3);
    }

    void DrawBadgeDisc(QPainter& p, const Ink& ink)
    {
        p.setPen(Stroke(ink.line, 1.2));
        p.setBrush(Shade(ink, 3, 29));
        p.drawEllipse(QPointF(16, 16), 13.2, 13.2);
    }

    void DrawHelp(QPainter& p, const Ink& main, const Ink&)
    {
        DrawBadgeDisc(p, main);
        QPainterPath mark;
        const QRectF bowl(11.5, 7.5, 9, 9);
        mark.arcMoveTo(bowl, 165);
        mark.arcTo(bowl, 165, -225);
        mark.quadTo(QPointF(16, 17.5), QPointF(16, 19.5));
        p.setPen(Stroke(main.paper, 3.2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(mark);
        p.setPen(Qt::NoPen);
        p.setBrush(main.paper);
        p.drawEllipse(QPointF(16, 24), 2, 2);
    }

    void DrawAbout(QPainter& p, const Ink& main, const Ink&)
    {
        DrawBadgeDisc(p, main);
        p.setPen(Qt::NoPen);
        p.setBrush(main.paper);
        p.drawEllipse(QPointF(16, 9.5), 2.2, 2.2);
        p.drawRoundedRect(QRectF(14.2, 13.5, 3.6, 11.5), 1.2, 1.2);
        p.drawRoundedRect(QRectF(12.5, 13.5, 4, 2.6), 1, 1);
        p.drawRoundedRect(QRectF(12.5, 22.9, 7, 2.6), 1, 1);
    }

    void DrawSlide(QPainter& p, const Ink& main, const Ink& accent)
    {
        p.setPen(Stroke(accent.line, 1.2));
        p.setBrush(accent.paper);
        p.drawRoundedRect(QRectF(2.5, 4.5, 24, 19), 2, 2);
        const QRectF picture(5, 7, 19, 14);
        p.setPen(Qt::NoPen);
        p.setBrush(Shade(accent, picture.top(), picture.bottom()));
        p.drawRect(picture);
        p.setBrush(main.light);
        p.drawEllipse(QPointF(9, 11), 2, 2);
        p.setBrush(accent.line);
        p.drawPolygon(QPolygonF({ QPointF(5, 21), QPointF(11, 13.5), QPointF(15, 18),
            QPointF(18, 15), QPointF(24, 21) }));

        p.setPen(Stroke(main.line, 1.2));
        p.setBrush(Shade(main, 14, 30));
        p.drawEllipse(QPointF(22.5, 21.5), 8, 8);
        p.setPen(Stroke(main.paper, 1));
        p.setBrush(main.paper);
        p.drawPolygon(QPolygonF({ QPointF(20, 17.5), QPointF(27, 21.5), QPointF(20, 25.5) }));
    }

    // Hues are spread around the wheel so that neighbouring buttons differ by colour as well as
    // by shape; at 16 pixels colour is often what the eye finds first.
    constexpr std::array<IconArt, 10> kArt = { {
        { "Browse", 40, 210, DrawBrowse },
        { "Rename", 275, 215, DrawRename },
        { "Exit", 8, 25, DrawExit },
        { "Refresh", 135, 135, DrawRefresh },
        { "View", 200, 215, DrawView },
        { "Delete", 355, 355, DrawDelete },
        { "SelectAll", 215, 150, DrawSelectAll },
        { "Help", 228, 228, DrawHelp },
        { "About", 178, 178, DrawAbout },
        { "Slide", 28, 205, DrawSlide },
    } };

    QPixmap RenderArt(const IconArt& art, int size, QIcon::Mode mode)
    {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / kCanvas, size / kCanvas);
        art.draw(painter, MakeInk(art.hue, mode), MakeInk(art.accentHue, mode));
        painter.end();
        return QPixmap::fromImage(image);
    }

} // namespace

QIcon ToolbarIcon(const QString& key)
{
    for (const IconArt& art : kArt) {
        if (key != QLatin1String(art.key))
            continue;
        QIcon icon;
        for (const int size : kSizes) {
            for (const QIcon::Mode mode : { QIcon::Normal, QIcon::Active, QIcon::Disabled })
                icon.addPixmap(RenderArt(art, size, mode), mode);
        }
        return icon;
    }
    return {};
}

} // namespace gb::browser

// Draws the rename window's logo: the program's name on a soft evening sky, 236 x 105.
// Run once to refresh src/rename/resources/logo.jpg: glimmerbox_logogen OUT.jpg
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {

void DrawSparkle(QPainter& painter, QPointF centre, qreal radius)
{
    QPainterPath star;
    star.moveTo(centre + QPointF(0, -radius));
    star.quadTo(centre, centre + QPointF(radius, 0));
    star.quadTo(centre, centre + QPointF(0, radius));
    star.quadTo(centre, centre + QPointF(-radius, 0));
    star.quadTo(centre, centre + QPointF(0, -radius));
    painter.fillPath(star, QColor(255, 250, 220));
}

QImage DrawLogo()
{
    QImage logo(236, 105, QImage::Format_RGB32);
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 105);
    sky.setColorAt(0.0, QColor(32, 46, 92));
    sky.setColorAt(0.65, QColor(120, 86, 150));
    sky.setColorAt(1.0, QColor(244, 164, 120));
    painter.fillRect(logo.rect(), sky);

    QRadialGradient glow(QPointF(188, 92), 60);
    glow.setColorAt(0.0, QColor(255, 220, 150, 200));
    glow.setColorAt(1.0, QColor(255, 220, 150, 0));
    painter.fillRect(logo.rect(), glow);

    QPainterPath hills;
    hills.moveTo(0, 105);
    hills.cubicTo(60, 78, 110, 96, 160, 84);
    hills.cubicTo(190, 78, 215, 88, 236, 82);
    hills.lineTo(236, 105);
    painter.fillPath(hills, QColor(40, 36, 70));

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(30);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(0, 0, 0, 90));
    painter.drawText(QRect(2, 14, 236, 50), Qt::AlignCenter, QStringLiteral("Glimmerbox"));
    painter.setPen(QColor(255, 248, 235));
    painter.drawText(QRect(0, 12, 236, 50), Qt::AlignCenter, QStringLiteral("Glimmerbox"));

    font.setPixelSize(11);
    font.setBold(false);
    painter.setFont(font);
    painter.setPen(QColor(255, 236, 210));
    painter.drawText(
        QRect(0, 56, 236, 16), Qt::AlignCenter, QStringLiteral("your photos, in order"));

    DrawSparkle(painter, QPointF(206, 20), 9);
    DrawSparkle(painter, QPointF(24, 30), 5);
    DrawSparkle(painter, QPointF(220, 44), 4);
    return logo;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: glimmerbox_logogen OUT.jpg\n");
        return 2;
    }
    return DrawLogo().save(QString::fromLocal8Bit(argv[1]), "JPEG", 92) ? 0 : 1;
}

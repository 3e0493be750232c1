// Writes the sample pictures in samples/: one or more of every type the program shows, in
// awkward shapes (wide, tall, tiny) and with transparency, so a fresh checkout has something to
// browse. Usage: glimmerbox_samplegen OUTDIR
// With --raw, the camera RAW files of tests/data/raw instead (the cameras' own being scarce); with
// --every-type, pictures of the types shown only on request, for valgrind to watch.
#include "samplegen/heif_writers.h"
#include "samplegen/image_writers.h"
#include "samplegen/metafile_writers.h"
#include "samplegen/raw_writers.h"

#include <QColorSpace>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>
#include <functional>

using namespace gb::tools;

namespace {

QImage Canvas(int w, int h, bool transparent = false)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(transparent ? Qt::transparent : Qt::white);
    return img;
}

QImage Sunset(int w, int h)
{
    QImage img = Canvas(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(62, 40, 110));
    sky.setColorAt(0.55, QColor(236, 120, 70));
    sky.setColorAt(1, QColor(255, 214, 120));
    p.fillRect(img.rect(), sky);
    QRadialGradient sun(w * 0.62, h * 0.62, h * 0.22);
    sun.setColorAt(0, QColor(255, 250, 210));
    sun.setColorAt(1, QColor(255, 170, 60));
    p.setPen(Qt::NoPen);
    p.setBrush(sun);
    p.drawEllipse(QPointF(w * 0.62, h * 0.62), h * 0.2, h * 0.2);
    QPainterPath hills;
    hills.moveTo(0, h);
    hills.cubicTo(w * 0.25, h * 0.55, w * 0.45, h * 0.95, w * 0.7, h * 0.72);
    hills.cubicTo(w * 0.85, h * 0.62, w * 0.95, h * 0.8, w, h * 0.75);
    hills.lineTo(w, h);
    p.setBrush(QColor(48, 36, 70));
    p.drawPath(hills);
    return img;
}

// Drawn upright, stored turned a quarter anticlockwise: Exif orientation 6 turns it back.
QImage Lighthouse(int w, int h)
{
    QImage img = Canvas(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(120, 180, 235));
    sky.setColorAt(1, QColor(225, 240, 250));
    p.fillRect(img.rect(), sky);
    p.fillRect(QRectF(0, h * 0.8, w, h * 0.2), QColor(40, 90, 150));
    p.setPen(Qt::NoPen);
    for (int band = 0; band < 5; ++band) {
        p.setBrush(band % 2 ? QColor(245, 245, 240) : QColor(200, 40, 45));
        const double top = h * (0.3 + band * 0.1);
        p.drawRect(QRectF(w * 0.4 - band * 1.5, top, w * 0.2 + band * 3, h * 0.1));
    }
    p.setBrush(QColor(255, 230, 120));
    p.drawEllipse(QPointF(w * 0.5, h * 0.25), w * 0.09, w * 0.09);
    return img.transformed(QTransform().rotate(-90));
}

// Horizontal bands so the run-length coding has long runs to work with.
QImage Harbour(int w, int h)
{
    QImage img = Canvas(w, h);
    QPainter p(&img);
    for (int y = 0; y < h; ++y) {
        const double t = double(y) / h;
        const QColor c = y < h * 0.55 ? QColor::fromHsvF(0.57, 0.25 + t * 0.4, 0.97)
                                      : QColor::fromHsvF(0.58, 0.75, 0.8 - (t - 0.55) * 0.6);
        p.fillRect(0, y, w, 1, c);
    }
    p.setRenderHint(QPainter::Antialiasing);
    const QColor hulls[] = { QColor(200, 60, 50), QColor(240, 200, 60), QColor(250, 250, 250) };
    for (int i = 0; i < 3; ++i) {
        const double x = 40 + i * 95;
        QPainterPath hull;
        hull.moveTo(x, h * 0.55);
        hull.lineTo(x + 50, h * 0.55);
        hull.lineTo(x + 40, h * 0.72);
        hull.lineTo(x + 8, h * 0.72);
        hull.closeSubpath();
        p.fillPath(hull, hulls[i]);
        p.fillRect(QRectF(x + 23, h * 0.12, 3, h * 0.43), QColor(90, 60, 40));
    }
    return img;
}

QImage Meadow(int w, int h)
{
    QImage img = Canvas(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient grass(0, h * 0.4, 0, h);
    grass.setColorAt(0, QColor(150, 200, 90));
    grass.setColorAt(1, QColor(50, 120, 50));
    p.fillRect(QRectF(0, 0, w, h * 0.45), QColor(170, 210, 245));
    p.fillRect(QRectF(0, h * 0.45, w, h * 0.55), grass);
    p.setPen(Qt::NoPen);
    const QColor petals[] = { QColor(250, 90, 120), QColor(255, 220, 60), QColor(250, 250, 250) };
    for (int i = 0; i < 14; ++i) {
        p.setBrush(petals[i % 3]);
        p.drawEllipse(QPointF((i * 37) % w, h * 0.55 + (i * 23) % int(h * 0.4)), 3.5, 3.5);
    }
    return img;
}

QImage Pebbles(int w, int h)
{
    QImage img = Canvas(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(img.rect(), QColor(222, 205, 170));
    p.setPen(QPen(QColor(120, 100, 80), 1));
    for (int i = 0; i < 11; ++i) {
        const QPointF centre(
            12 + (i % 4) * (w - 24) / 3.0 + (i * 7) % 6, 12 + (i / 4) * 20 + (i * 5) % 5);
        QRadialGradient g(centre - QPointF(3, 3), 12);
        g.setColorAt(0, QColor::fromHsv((i * 40) % 360, 60, 230));
        g.setColorAt(1, QColor::fromHsv((i * 40) % 360, 90, 130));
        p.setBrush(g);
        p.drawEllipse(centre, 9 + i % 4, 7 + i % 3);
    }
    return img;
}

QImage Tower(int w, int h)
{
    QImage img = Canvas(w, h, true);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false); // GIF alpha is all or nothing
    QLinearGradient stone(0, 0, w, 0);
    stone.setColorAt(0, QColor(110, 100, 120));
    stone.setColorAt(0.5, QColor(190, 180, 200));
    stone.setColorAt(1, QColor(90, 80, 100));
    p.fillRect(QRectF(w * 0.2, h * 0.15, w * 0.6, h * 0.85), stone);
    QPolygonF roof({ QPointF(w * 0.1, h * 0.16), QPointF(w * 0.5, 0), QPointF(w * 0.9, h * 0.16) });
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 70, 140));
    p.drawPolygon(roof);
    p.setBrush(QColor(255, 220, 120));
    for (int i = 0; i < 5; ++i)
        p.drawRect(QRectF(w * 0.43, h * (0.25 + i * 0.14), w * 0.14, h * 0.05));
    return img;
}

QImage Dot(int size, QColor colour)
{
    QImage img = Canvas(size, size, true);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient g(size * 0.4, size * 0.4, size * 0.6);
    g.setColorAt(0, colour.lighter(160));
    g.setColorAt(1, colour);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(QRectF(0.5, 0.5, size - 1, size - 1));
    return img;
}

QImage Flower(int size)
{
    QImage img = Canvas(size, size, true);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(size / 2.0, size / 2.0);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 6; ++i) {
        p.setBrush(QColor::fromHsv(330 - i * 8, 160, 250));
        p.drawEllipse(QRectF(-size * 0.12, -size * 0.47, size * 0.24, size * 0.4));
        p.rotate(60);
    }
    p.setBrush(QColor(250, 200, 50));
    p.drawEllipse(QPointF(0, 0), size * 0.14, size * 0.14);
    return img;
}

QImage Arrow(int size)
{
    QImage img = Canvas(size, size, true);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    const QPolygonF arrow({ QPointF(2, 2), QPointF(2, 26), QPointF(8, 20), QPointF(13, 30),
        QPointF(17, 28), QPointF(12, 19), QPointF(20, 19) });
    p.setPen(QPen(Qt::black, 1.5));
    p.setBrush(QColor(250, 250, 250));
    p.drawPolygon(arrow);
    return img;
}

// Few colours, so it fits the 16-colour palette of RLE4 without any loss.
QImage Tiles(int w, int h)
{
    QImage img = Canvas(w, h);
    QPainter p(&img);
    const QColor colours[]
        = { QColor(30, 110, 160), QColor(240, 240, 230), QColor(220, 90, 40), QColor(90, 160, 80) };
    for (int y = 0; y < h; y += 8)
        for (int x = 0; x < w; x += 8)
            p.fillRect(x, y, 8, 8, colours[(x / 8 + y / 8 * 3) % 4]);
    return img;
}

struct Sample {
    const char* name;
    std::function<QByteArray()> write;
};

QList<Sample> Samples()
{
    return {
        { "sunset.jpg", [] { return WriteJpeg(Sunset(240, 160), 85); } },
        { "Lighthouse Portrait.jpg", [] { return WriteJpeg(Lighthouse(120, 180), 85, 6); } },
        { "Harbour Wide.rle", [] { return WriteRle8Bmp(Harbour(300, 60)); } },
        { "meadow.bmp", [] { return WriteBmp(Meadow(112, 80)); } },
        { "Pebbles.dib", [] { return WriteHeaderlessDib(Pebbles(96, 64)); } },
        { "tower-tall.gif", [] { return WriteGif(Tower(50, 240), 0); } },
        { "house.wmf", [] { return WriteSampleWmf(); } },
        { "shapes.emf", [] { return WriteSampleEmf(); } },
        { "tiny-dot.bmp", [] { return WriteBmp(Dot(8, QColor(40, 150, 230)), 32); } },
        { "Checker Tiles.bmp", [] { return WriteRle4Bmp(Tiles(64, 48)); } },
        { "Flower.ico",
            [] {
                return WriteIco({ { Flower(16), 8 }, { Flower(32) }, { Flower(48) } });
            } },
        { "pointer.cur",
            [] {
                return WriteCur({ { Arrow(32) }, { Arrow(16) } }, QPoint(2, 2));
            } },
    };
}

// Quadrants as the camera saw them, each file turned otherwise by its orientation.
QList<Sample> RawFixtures()
{
    const auto raw = [](RawKind kind, QSize sensor, int orientation, bool stripped = false) {
        return [=] {
            return WriteCameraRaw({ kind, Quadrants({ 48, 32 }), sensor, orientation, stripped });
        };
    };
    return {
        { "camera.dng", raw(RawKind::Dng, { 96, 64 }, 6) },
        { "camera.nef", raw(RawKind::Nef, { 48, 32 }, 8) },
        { "camera.arw", raw(RawKind::Arw, { 48, 32 }, 3) },
        { "camera.cr2", raw(RawKind::Cr2, { 48, 32 }, 1) },
        { "camera.orf", raw(RawKind::Orf, { 48, 32 }, 2) },
        { "camera.cr3", raw(RawKind::Cr3, { 48, 32 }, 6) },
        { "camera-large-sensor.dng", raw(RawKind::Dng, { 192, 128 }, 1) },
        { "camera-stripped.dng", raw(RawKind::Dng, { 96, 64 }, 1, true) },
    };
}

// Pictures of the types shown only on request, in the shapes the decoders treat apart: written
// outside any checker, so that valgrind watches their decoding and not the encoders'.
QList<Sample> EveryTypeFixtures()
{
    const QImage quadrants = Quadrants({ 96, 64 });
    return {
        { "plain.png", [=] { return WritePng(quadrants); } },
        { "plain.webp", [=] { return WriteByName("x.webp", quadrants); } },
        { "reduced.tiff",
            [=] {
                return WriteTiff(quadrants, { { Quadrants({ 24, 16 }), TiffCopy::Kind::Reduced } });
            } },
        { "exif-thumbnail.tiff",
            [=] {
                return WriteTiff(
                    quadrants, { { Quadrants({ 24, 16 }), TiffCopy::Kind::ExifJpeg } }, 6);
            } },
        { "thumbnail.heic",
            [] {
                return WriteHeic({ Detailed({ 128, 96 }), 50, 64 });
            } },
        // The TIFFs libtiff decodes rather than Qt's reader, one Qt reads, and a thermal camera's.
        { "planes-16-bit.tiff",
            [=] { return WriteTiff(quadrants, {}, 1, { .bits = 16, .planar = true }); } },
        { "cielab.tiff",
            [=] { return WriteTiff(quadrants, {}, 1, { .kind = TiffSamples::Kind::CieLab }); } },
        { "big.tiff", [=] { return WriteTiff(quadrants, {}, 1, { .bigTiff = true }); } },
        { "thermal.tiff",
            [=] {
                return WriteTiff(quadrants, {}, 1,
                    { .kind = TiffSamples::Kind::Grey, .bits = 16, .make = "FLIR Systems AB" });
            } },
        // Other tone curves than sRGB's, converted to sRGB in eight and in sixteen bits: linear
        // light by a PNG's gAMA chunk, by an ICC profile and by HEIC colour codes.
        { "linear-gama.png",
            [] {
                const QImage grey = Solid({ 8, 8 }, QColor(50, 50, 50), QImage::Format_Grayscale8);
                return WritePng(grey, {}, { { "gAMA", QByteArray("\x00\x01\x86\xa0", 4) } });
            } },
        { "linear-16bit-alpha.png",
            [=] {
                QImage deep = quadrants.convertToFormat(QImage::Format_RGBA64);
                deep.setColorSpace(QColorSpace(
                    QColorSpace::Primaries::SRgb, QColorSpace::TransferFunction::Linear));
                return WritePng(deep);
            } },
        { "linear.heic",
            [] {
                return WriteHeic({ .picture = Detailed({ 64, 48 }), .primaries = 1, .curve = 8 });
            } },
    };
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray kind = argc == 3 ? QByteArray(argv[1]) : QByteArray();
    const bool raw = kind == "--raw", everyType = kind == "--every-type";
    if (argc != 2 && !raw && !everyType) {
        std::fprintf(stderr, "usage: glimmerbox_samplegen [--raw | --every-type] OUTDIR\n");
        return 2;
    }
    const QDir out(QFile::decodeName(argv[argc - 1]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", argv[argc - 1]);
        return 1;
    }
    for (const Sample& sample : raw ? RawFixtures() : everyType ? EveryTypeFixtures() : Samples()) {
        const QByteArray bytes = sample.write();
        QFile file(out.filePath(QString::fromUtf8(sample.name)));
        if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly)
            || file.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", sample.name);
            return 1;
        }
        std::printf("%-26s %6lld bytes\n", sample.name, static_cast<long long>(bytes.size()));
    }
    return 0;
}

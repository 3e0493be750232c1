#include "core/thumbnail_drawing.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace gb::core {
namespace {

    const ThumbnailColors kColors { QColor(0xF0, 0xF0, 0xF0), QColor(0x20, 0x80, 0x20) };

    QImage Solid(QSize size, QColor color, QImage::Format format = QImage::Format_RGB32)
    {
        QImage image(size, format);
        image.fill(color);
        return image;
    }

    // What a tile must show: the button face, and on it `picture` at `at` in a black frame.
    QImage ExpectedTile(const QImage& picture, QPoint at)
    {
        QImage tile = Solid({ 64, 64 }, kColors.tile);
        QPainter painter(&tile);
        painter.fillRect(QRect(at, picture.size()).adjusted(-1, -1, 1, 1), Qt::black);
        painter.drawImage(at, picture);
        return tile;
    }

    TEST(DrawThumbnail, FramesTheFittedPictureCentredOnTheButtonFaceWhereverItIsPainted)
    {
        QImage checks(10, 10, QImage::Format_RGB32);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                checks.setPixelColor(x, y, (x + y) % 2 ? Qt::white : Qt::blue);
        // Half transparent: the loading surface shows through the clear half.
        QImage half = Solid({ 20, 20 }, Qt::transparent, QImage::Format_ARGB32_Premultiplied);
        QPainter(&half).fillRect(0, 0, 10, 20, Qt::red);
        QImage flat = Solid({ 20, 20 }, kColors.loadSurface);
        QPainter(&flat).fillRect(0, 0, 10, 20, Qt::red);
        struct Row {
            QImage source;
            QSize natural; // a reduced decode lands where the whole picture would
            QImage picture;
            QPoint at;
        };
        const Row rows[] = { { Solid({ 640, 480 }, Qt::red), { 640, 480 },
                                 Solid({ 62, 46 }, Qt::red), { 1, 9 } },
            { Solid({ 50, 70 }, Qt::red), { 400, 560 }, Solid({ 44, 62 }, Qt::red), { 10, 1 } },
            { Solid({ 62, 62 }, Qt::blue), { 62, 62 }, Solid({ 62, 62 }, Qt::blue), { 1, 1 } },
            { checks, { 10, 10 }, checks, { 27, 27 } }, // small pictures are not enlarged
            { half, { 20, 20 }, flat, { 22, 22 } } };
        for (const Row& r : rows) {
            SCOPED_TRACE(testing::Message() << r.natural.width() << "x" << r.natural.height());
            const QImage expected = ExpectedTile(r.picture, r.at);
            EXPECT_EQ(DrawThumbnail(r.source, r.natural, kColors), expected);
            // The compact form a cell keeps: three bytes a pixel of the picture alone.
            const CompactTile tile = MakeCompactTile(r.source, r.natural, kColors.loadSurface);
            EXPECT_EQ(tile.picture.format(), QImage::Format_RGB888);
            EXPECT_EQ(tile.picture.size(), r.picture.size());
            QImage surface = Solid({ 100, 100 }, Qt::white), wanted = surface;
            QPainter(&wanted).drawImage(7, 9, expected);
            QPainter painter(&surface);
            tile.Paint(painter, QPoint(7, 9), kColors.tile);
            painter.end();
            EXPECT_EQ(surface, wanted);
        }
    }

    TEST(DrawThumbnail, DownscaleAveragesAreasInsteadOfPickingPixels)
    {
        // Black and white columns shrunk by half come out grey, not black or white.
        QImage stripes(124, 124, QImage::Format_RGB32);
        for (int x = 0; x < 124; ++x)
            for (int y = 0; y < 124; ++y)
                stripes.setPixelColor(x, y, x % 2 ? Qt::white : Qt::black);
        const QImage grey = DrawThumbnail(stripes, { 124, 124 }, kColors);
        for (int x = 5; x < 58; x += 7) {
            EXPECT_GT(qGray(grey.pixel(x, 30)), 90) << x;
            EXPECT_LT(qGray(grey.pixel(x, 30)), 165) << x;
        }
    }

} // namespace
} // namespace gb::core

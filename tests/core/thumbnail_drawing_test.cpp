#include "core/thumbnail_drawing.h"
#include "core/thumbnail_geometry.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace gb::core {
namespace {

    struct Case {
        QSize natural;
        QRect image;
    };

    // Sizes whose results hinge on the single-precision scale and the half-to-even rounding.
    TEST(ThumbnailGeometry, FitsLikeTheClassicHalftoneTiles)
    {
        const Case cases[] = {
            { { 62, 62 }, { 1, 1, 62, 62 } },
            { { 10, 10 }, { 27, 27, 10, 10 } },
            { { 100, 100 }, { 1, 1, 62, 62 } },
            { { 63, 10 }, { 1, 27, 62, 10 } },
            { { 640, 480 }, { 1, 9, 62, 46 } }, // 46.4999986
            { { 480, 640 }, { 9, 1, 46, 62 } },
            { { 800, 600 }, { 1, 8, 62, 47 } }, // 46.5000004
            { { 1024, 768 }, { 1, 9, 62, 46 } }, // exactly 46.5: to even
            { { 300, 200 }, { 1, 11, 62, 41 } },
            { { 1, 1 }, { 31, 31, 1, 1 } },
            { { 5000, 1 }, { 1, 32, 62, 0 } },
        };
        for (const Case& c : cases) {
            const ThumbnailGeometry g = ComputeThumbnailGeometry(c.natural);
            EXPECT_EQ(g.image, c.image) << c.natural.width() << "x" << c.natural.height();
            EXPECT_EQ(g.frame, c.image.adjusted(-1, -1, 1, 1));
        }
    }

    TEST(ThumbnailGeometry, EmptyPictureLeavesOnlyACentredFrame)
    {
        const ThumbnailGeometry g = ComputeThumbnailGeometry(QSize(0, 0));
        EXPECT_EQ(g.image, QRect(32, 32, 0, 0));
        EXPECT_EQ(g.frame.topLeft(), QPoint(31, 31));
        EXPECT_EQ(g.frame.bottomRight(), QPoint(32, 32));
    }

    const ThumbnailColors Colors { QColor(0xF0, 0xF0, 0xF0), QColor(0x20, 0x80, 0x20) };

    QImage Solid(QSize size, QColor color)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(color);
        return image;
    }

    TEST(DrawThumbnail, FramesTheImageOnAButtonFaceTile)
    {
        const QImage tile = DrawThumbnail(Solid({ 640, 480 }, Qt::red), { 640, 480 }, Colors);
        ASSERT_EQ(tile.size(), QSize(64, 64));
        // Frame from (0, 8) to (63, 55); the image inside it; button face outside.
        EXPECT_EQ(tile.pixelColor(0, 8), QColor(Qt::black));
        EXPECT_EQ(tile.pixelColor(63, 55), QColor(Qt::black));
        EXPECT_EQ(tile.pixelColor(0, 30), QColor(Qt::black));
        EXPECT_EQ(tile.pixelColor(63, 30), QColor(Qt::black));
        EXPECT_EQ(tile.pixelColor(1, 9), QColor(Qt::red));
        EXPECT_EQ(tile.pixelColor(62, 54), QColor(Qt::red));
        EXPECT_EQ(tile.pixelColor(30, 7), Colors.tile);
        EXPECT_EQ(tile.pixelColor(30, 56), Colors.tile);
    }

    TEST(DrawThumbnail, FullSizeImageFrameRunsAlongTheTileEdge)
    {
        const QImage tile = DrawThumbnail(Solid({ 62, 62 }, Qt::blue), { 62, 62 }, Colors);
        for (int i = 0; i < 64; ++i) {
            EXPECT_EQ(tile.pixelColor(i, 0), QColor(Qt::black));
            EXPECT_EQ(tile.pixelColor(i, 63), QColor(Qt::black));
            EXPECT_EQ(tile.pixelColor(0, i), QColor(Qt::black));
            EXPECT_EQ(tile.pixelColor(63, i), QColor(Qt::black));
        }
        EXPECT_EQ(tile.pixelColor(1, 1), QColor(Qt::blue));
        EXPECT_EQ(tile.pixelColor(62, 62), QColor(Qt::blue));
    }

    TEST(DrawThumbnail, SmallImageIsCopiedUnscaled)
    {
        QImage source(10, 10, QImage::Format_RGB32);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                source.setPixelColor(x, y, (x + y) % 2 ? Qt::white : Qt::black);
        const QImage tile = DrawThumbnail(source, { 10, 10 }, Colors);
        EXPECT_EQ(tile.copy(27, 27, 10, 10), source);
        EXPECT_EQ(tile.pixelColor(26, 26), QColor(Qt::black));
        EXPECT_EQ(tile.pixelColor(37, 37), QColor(Qt::black));
        EXPECT_EQ(tile.pixelColor(25, 25), Colors.tile);
        EXPECT_EQ(tile.pixelColor(38, 38), Colors.tile);
    }

    TEST(DrawThumbnail, DownscaleAveragesAreasInsteadOfPickingPixels)
    {
        // Alternating black and white columns shrunk by half must come out grey; a pixel
        // picking scaler would give pure black or pure white.
        QImage stripes(124, 124, QImage::Format_RGB32);
        for (int x = 0; x < 124; ++x)
            for (int y = 0; y < 124; ++y)
                stripes.setPixelColor(x, y, x % 2 ? Qt::white : Qt::black);
        const QImage tile = DrawThumbnail(stripes, { 124, 124 }, Colors);
        for (int x = 5; x < 58; x += 7) {
            const int grey = qGray(tile.pixel(x, 30));
            EXPECT_GT(grey, 90) << x;
            EXPECT_LT(grey, 165) << x;
        }
    }

    TEST(DrawThumbnail, TransparentPixelsShowTheLoadingSurfaceColour)
    {
        QImage source(20, 20, QImage::Format_ARGB32_Premultiplied);
        source.fill(Qt::transparent);
        QPainter(&source).fillRect(0, 0, 10, 20, Qt::red);
        const QImage tile = DrawThumbnail(source, { 20, 20 }, Colors);
        EXPECT_EQ(tile.pixelColor(22 + 2, 30), QColor(Qt::red));
        EXPECT_EQ(tile.pixelColor(22 + 15, 30), Colors.loadSurface);
    }

    TEST(DrawThumbnail, ReducedDecodeGivesTheSameGeometryAsTheFullPicture)
    {
        // A picture decoded at an eighth of 4000 x 3000 still lands where the full one would.
        const QImage tile = DrawThumbnail(Solid({ 500, 375 }, Qt::green), { 4000, 3000 }, Colors);
        const QRect expected = ComputeThumbnailGeometry({ 4000, 3000 }).image;
        EXPECT_EQ(tile.pixelColor(expected.topLeft()), QColor(Qt::green));
        EXPECT_EQ(tile.pixelColor(expected.bottomRight()), QColor(Qt::green));
        EXPECT_EQ(tile.pixelColor(expected.bottomRight() + QPoint(1, 1)), QColor(Qt::black));
    }

} // namespace
} // namespace gb::core

namespace gb::core {
namespace {

    // Cells keep tiles in this form, so its size bounds the memory of a large folder.
    TEST(CompactTile, KeepsOnlyThePicturesPixelsAndPaintsTheSameTileAnywhere)
    {
        QImage source(500, 375, QImage::Format_ARGB32_Premultiplied);
        source.fill(QColor(200, 30, 30));
        source.setPixelColor(0, 0, Qt::transparent);
        for (QSize natural : { QSize(4000, 3000), QSize(3000, 3000), QSize(3000, 4000) }) {
            const CompactTile tile = MakeCompactTile(source, natural, Colors.loadSurface);
            EXPECT_EQ(tile.picture.format(), QImage::Format_RGB888);
            EXPECT_EQ(tile.picture.size(), ComputeThumbnailGeometry(natural).image.size());
            EXPECT_LE(tile.picture.sizeInBytes(), 12 * 1024);

            QImage surface(100, 100, QImage::Format_RGB32);
            surface.fill(Qt::white);
            QPainter painter(&surface);
            tile.Paint(painter, QPoint(7, 9), Colors.tile);
            painter.end();
            const QImage whole = DrawThumbnail(source, natural, Colors);
            EXPECT_EQ(tile.Tile(Colors.tile), whole);
            EXPECT_EQ(surface.copy(7, 9, 64, 64), whole);
            EXPECT_EQ(surface.pixelColor(6, 9), QColor(Qt::white));
        }
    }

} // namespace
} // namespace gb::core

#include "core/caption_fit.h"
#include "core/grid_layout.h"
#include "core/thumbnail_drawing.h"
#include "core/thumbnail_geometry.h"
#include "core/tile_packing.h"
#include "samplegen/image_writers.h"

#include <QPainter>
#include <gtest/gtest.h>
#include <tuple>

namespace gb::core {
namespace {

    using tools::Solid;

    // Every character is 7 pixels wide and "..." is 9, so a cell of 15 + 7n pixels holds n.
    int FixedWidth(const QString& text) { return text == "..." ? 9 : 7 * int(text.size()); }

    TEST(CaptionFit, ANameExactlyAsWideAsTheRoomStaysWholeAWiderOneIsCut)
    {
        const std::tuple<QString, int, QString> rows[]
            = { { "abcdefghij", 85, "abcdefghij" }, // 70 wide in a room of 70
                  { "abcdefghij", 84, "abcdefgh..." }, // room 69, less 9 for the dots
                  { "abcdefghijk", 87, "abcdefghi..." }, // 63 wide in the shortened room of 63
                  { "abcdefghijkl", 89, "abcdefghi..." }, // three characters go, one at a time
                  { "abcdefgh\xF0\x9F\x93\xB7zz.jpg", 89, "abcdefgh..." }, // an emoji goes whole
                  { "abc", 10, "..." }, { "", 89, "" } };
        for (const auto& [name, cell, caption] : rows)
            EXPECT_EQ(FitCaption(name, cell, FixedWidth), caption) << name.toStdString() << cell;
    }

    const QSize kCell(89, 97);
    constexpr int kScrollBar = 14;

    TEST(GridLayout, WholeColumnsBesideTheScrollBarRowsStartedByAnyCellAndPointsFindTheirCell)
    {
        // viewport, cells, columns, surface height, whether it scrolls, how far
        const std::tuple<QSize, int, int, int, bool, int> rows[] = {
            { { 548, 300 }, 12, 6, 194, false, 0 }, // exactly six cells wide, two whole rows
            { { 547, 300 }, 12, 5, 291, false, 0 }, // a pixel short of six
            { { 600, 291 }, 13, 6, 291, true, 0 }, // exactly as high as the viewport
            { { 600, 292 }, 13, 6, 291, false, 0 },
            { { 600, 300 }, 100, 6, 17 * 97, true, 17 * 97 - 300 },
            { { 600, 400 }, 100000, 6, 16667 * 97, true, 16667 * 97 - 400 }, // one cell an arrow
            { { 600, 300 }, 0, 6, 0, false, 0 },
            { { 50, 300 }, 3, 1, 291, false, 0 }, // narrower than a cell: still one column
        };
        for (const auto& [viewport, count, cols, height, scrolls, scrollMax] : rows) {
            SCOPED_TRACE(testing::Message() << viewport.width() << "x" << viewport.height());
            const GridLayout g = ComputeGridLayout(viewport, kScrollBar, kCell, count);
            EXPECT_EQ(std::tuple(g.cols, g.surface, g.scrollEnabled, g.scrollMax, g.smallChange,
                          g.largeChange),
                std::tuple(cols, QSize(89 * cols, height), scrolls, scrollMax, scrolls ? 97 : 0,
                    scrolls ? viewport.height() : 0));
        }
        EXPECT_EQ(ComputeGridLayout({ 600, 300 }, kScrollBar, { 0, 97 }, 3).cols, 1);
        const GridLayout g = ComputeGridLayout({ 600, 400 }, kScrollBar, kCell, 100000);
        const int last = 16666 * 97; // the top of the last row, far beyond 32767
        EXPECT_EQ(g.CellPosition(99999), QPoint(3 * 89, last));
        const std::pair<QPoint, int> points[]
            = { { { 0, 0 }, 0 }, { { 88, 96 }, 0 }, { { 89, 0 }, 1 }, { { 5 * 89 + 88, 97 }, 11 },
                  { { -1, 5 }, -1 }, { { 5, -1 }, -1 }, { { 6 * 89, 5 }, -1 },
                  { { 3 * 89 + 3, last + 5 }, 99999 }, { { 4 * 89 + 3, last + 5 }, -1 } };
        for (const auto& [point, cell] : points)
            EXPECT_EQ(g.CellAt(point, 100000), cell) << point.x() << "," << point.y();
    }

    // Sizes whose results hinge on the single-precision scale and the half-to-even rounding.
    TEST(ThumbnailGeometry, FitsLikeTheClassicHalftoneTiles)
    {
        const std::pair<QSize, QRect> rows[] = { { { 62, 62 }, { 1, 1, 62, 62 } },
            { { 10, 10 }, { 27, 27, 10, 10 } }, { { 100, 100 }, { 1, 1, 62, 62 } },
            { { 63, 10 }, { 1, 27, 62, 10 } }, { { 10, 63 }, { 27, 1, 10, 62 } },
            { { 640, 480 }, { 1, 9, 62, 46 } }, // 46.4999986
            { { 480, 640 }, { 9, 1, 46, 62 } }, { { 800, 600 }, { 1, 8, 62, 47 } }, // 46.5000004
            { { 1024, 768 }, { 1, 9, 62, 46 } }, // exactly 46.5: to even
            { { 300, 200 }, { 1, 11, 62, 41 } }, { { 1, 1 }, { 31, 31, 1, 1 } },
            { { 5000, 1 }, { 1, 32, 62, 0 } }, { { 0, 0 }, { 32, 32, 0, 0 } } };
        for (const auto& [natural, image] : rows) {
            const ThumbnailGeometry g = ComputeThumbnailGeometry(natural);
            EXPECT_EQ(g.image, image) << natural.width() << "x" << natural.height();
            EXPECT_EQ(g.frame, image.adjusted(-1, -1, 1, 1));
        }
    }

    const ThumbnailColors kColors { QColor(0xF0, 0xF0, 0xF0), QColor(0x20, 0x80, 0x20) };

    // What a tile must show: the button face, and on it `picture` at `at` in a black frame.
    QImage ExpectedTile(const QImage& picture, QPoint at)
    {
        QImage tile = Solid({ 64, 64 }, kColors.tile);
        QPainter painter(&tile);
        painter.fillRect(QRect(at, picture.size()).adjusted(-1, -1, 1, 1), Qt::black);
        painter.drawImage(at, picture);
        return tile;
    }

    TEST(DrawThumbnail, FramesTheAreaAveragedPictureCentredOnTheButtonFaceWhereverPainted)
    {
        QImage dotted = Solid({ 10, 10 }, Qt::blue); // a small picture is kept as it is
        dotted.setPixelColor(3, 4, Qt::white);
        // Half transparent: the loading surface shows through the clear half.
        QImage half = Solid({ 20, 20 }, Qt::transparent, QImage::Format_ARGB32_Premultiplied);
        QPainter(&half).fillRect(0, 0, 10, 20, Qt::red);
        QImage flat = Solid({ 20, 20 }, kColors.loadSurface);
        QPainter(&flat).fillRect(0, 0, 10, 20, Qt::red);
        // source, its natural size (a reduced decode lands where the whole picture would), the
        // picture the tile must show and where
        const std::tuple<QImage, QSize, QImage, QPoint> rows[] = {
            { Solid({ 640, 480 }, Qt::red), { 640, 480 }, Solid({ 62, 46 }, Qt::red), { 1, 9 } },
            { Solid({ 50, 70 }, Qt::red), { 400, 560 }, Solid({ 44, 62 }, Qt::red), { 10, 1 } },
            { Solid({ 62, 62 }, Qt::blue), { 62, 62 }, Solid({ 62, 62 }, Qt::blue), { 1, 1 } },
            { dotted, { 10, 10 }, dotted, { 27, 27 } }, { half, { 20, 20 }, flat, { 22, 22 } }
        };
        for (const auto& [source, natural, picture, at] : rows) {
            SCOPED_TRACE(testing::Message() << natural.width() << "x" << natural.height());
            const QImage expected = ExpectedTile(picture, at);
            EXPECT_EQ(DrawThumbnail(source, natural, kColors), expected);
            // The compact form a cell keeps: the picture alone, packed without loss.
            const CompactTile tile = MakeCompactTile(source, natural, kColors.loadSurface);
            EXPECT_EQ(tile.Picture(), picture.convertToFormat(QImage::Format_RGB888));
            QImage surface = Solid({ 100, 100 }, Qt::white), wanted = surface;
            QPainter(&wanted).drawImage(7, 9, expected);
            QPainter painter(&surface);
            tile.Paint(painter, QPoint(7, 9), kColors.tile);
            painter.end();
            EXPECT_EQ(surface, wanted);
        }
    }

    // Two device pixels to a logical one: stripes one device pixel wide stay apart, in the
    // same logical place; a source without the pixels is not enlarged.
    TEST(DrawThumbnail, IsAsSharpAsAHighDensityScreen)
    {
        QImage stripes = Solid({ 248, 184 }, Qt::red); // four times the 62 x 46 picture
        for (int x = 2; x < stripes.width(); x += 4)
            QPainter(&stripes).fillRect(x, 0, 2, 184, Qt::blue);
        QImage surface = Solid({ 200, 200 }, Qt::white);
        surface.setDevicePixelRatio(2);
        QPainter painter(&surface);
        MakeCompactTile(stripes, { 640, 480 }, kColors.loadSurface, 2).Paint(painter, {}, Qt::gray);
        painter.end();
        EXPECT_EQ(std::tuple(surface.pixelColor(1, 17), surface.pixelColor(2, 18),
                      surface.pixelColor(3, 18), surface.pixelColor(125, 109)),
            std::tuple(QColor(Qt::black), QColor(Qt::red), QColor(Qt::blue), QColor(Qt::blue)));
        EXPECT_EQ(
            MakeCompactTile(Solid({ 10, 10 }, Qt::blue), { 10, 10 }, Qt::gray, 2).Picture().size(),
            QSize(10, 10));
    }

    // Every edge case of the predictor at once: first row and column, hard edges between black
    // and white, red and blue below green (negative differences) and a fine grain.
    QImage Patterned(QSize size, int grain)
    {
        QImage image(size, QImage::Format_RGB888);
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                const int g = grain * ((x * 7 + y * 13) % 5 - 2);
                image.setPixel(x, y,
                    (x / 8 + y / 8) % 3 == 0 ? qRgb(x % 2 ? 255 : 0, 0, 255)
                                             : qRgb(std::clamp(4 * x + g, 0, 255),
                                                 std::clamp(250 - 3 * y + g, 0, 255), 60 + x + y));
            }
        }
        return image;
    }

    TEST(TilePacking, GivesBackEveryPixelOfAnySizeAndPacksSmoothPicturesSmall)
    {
        for (const QSize size : { QSize(1, 1), QSize(62, 1), QSize(1, 62), QSize(62, 46) }) {
            for (const int grain : { 0, 3 }) {
                const QImage picture = Patterned(size, grain);
                const QByteArray packed = PackPixels(picture);
                EXPECT_EQ(UnpackPixels(packed, size), picture)
                    << size.width() << "x" << size.height();
                EXPECT_TRUE(UnpackPixels(packed.left(packed.size() / 2), size).isNull());
                EXPECT_TRUE(UnpackPixels(packed, size + QSize(1, 0)).isNull()); // too few pixels
            }
        }
        QImage smooth(62, 62, QImage::Format_RGB888);
        for (int y = 0; y < 62; ++y)
            for (int x = 0; x < 62; ++x)
                smooth.setPixel(x, y, qRgb(2 * x + y, 200 - x - y, 3 * y));
        EXPECT_LT(PackPixels(smooth).size(), smooth.sizeInBytes() / 3);
        EXPECT_EQ(UnpackPixels(PackPixels(smooth), { 62, 62 }), smooth);
    }

} // namespace
} // namespace gb::core

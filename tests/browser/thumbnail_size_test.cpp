// The thumbnail size a person chose: cells, tiles, captions, the shared cache's entry size and
// the grid's layout follow it.
#include "main_window_harness.h"

#include "browser/thumbnail_cache_writer.h"
#include "browser/tile_maker.h"
#include "module1/settings.h"

#include <QFontMetrics>
#include <tuple>

namespace gb::test {
namespace {

    using browser::CellGeometry;

    // The borders around the tile stay those of the classic 89 x 97 cell.
    TEST(ThumbnailSize, TheCellIsTheTileWithTheClassicBordersAndCaptionLine)
    {
        const std::tuple<int, QSize, QPoint, int> rows[] = {
            { 64, { 89, 97 }, { 112, 54 }, 120 }, // tile at (100 + 12, 50 + 4), caption 54 + 66
            { 128, { 153, 161 }, { 112, 54 }, 184 },
            { 256, { 281, 289 }, { 112, 54 }, 312 },
        };
        for (const auto& [side, cell, tileAt, captionTop] : rows) {
            const CellGeometry geometry { side };
            EXPECT_EQ(geometry.Cell(), cell) << side;
            EXPECT_EQ(geometry.TileAt({ QPoint(100, 50), cell }), tileAt) << side;
            EXPECT_EQ(geometry.CaptionTop({ QPoint(100, 50), cell }), captionTop) << side;
        }
    }

    // The entry as large as the tile's device pixels, or the next larger.
    TEST(ThumbnailSize, TheCacheEntryHasAtLeastTheTilesDevicePixels)
    {
        const std::tuple<int, qreal, int> rows[] = { { 64, 1, 128 }, { 64, 2, 128 },
            { 64, 2.5, 256 }, { 96, 1.5, 256 }, { 128, 1, 128 }, { 128, 2, 256 }, { 192, 2, 512 },
            { 256, 1, 256 }, { 256, 2, 512 }, { 256, 4, 1024 }, { 256, 8, 1024 } };
        for (const auto& [side, ratio, entry] : rows)
            EXPECT_EQ(browser::CacheSideFor(side, ratio), entry) << side << " at " << ratio;
    }

    // A photograph decoded for a larger tile keeps the pixels the screen shows: the reduced
    // decode is asked for the larger room.
    TEST(ThumbnailSize, ATileMadeFromAFileHasTheSizesRoomAndTheScreensPixels)
    {
        TestServices s;
        browser::ThumbnailCacheWriter writer(s.thumbnails);
        TempFolder photos;
        WritePicture(photos, "photo.jpg", { 600, 400 });
        const std::tuple<int, qreal, QRect> rows[]
            = { { 64, 2, { 1, 11, 62, 41 } }, { 128, 1, { 2, 22, 124, 83 } },
                  { 128, 2, { 2, 22, 124, 83 } }, { 256, 2, { 4, 45, 248, 165 } } };
        for (const auto& [side, ratio, image] : rows) {
            SCOPED_TRACE(testing::Message() << side << " at " << ratio);
            browser::TileMaker::Options options { true, Qt::gray, ratio };
            options.tileSide = side;
            const browser::TileMaker maker(s.pictures, s.thumbnails, writer, options);
            const auto tile = maker.Make(photos.File("photo.jpg")).tile;
            ASSERT_TRUE(tile);
            EXPECT_EQ(tile->side, side);
            EXPECT_EQ(tile->image, image);
            EXPECT_EQ(tile->Picture().size(), image.size() * ratio);
        }
    }

    // Read when the load starts: the grid lays out 153-pixel columns, the caption has their
    // width, and each cell paints its whole 128-pixel tile where the cell's geometry puts it.
    TEST(ThumbnailSize, AFolderLoadedAt128LaysOutLargerCells)
    {
        MainWindowHarness h;
        app::Settings(h.module1).SetThumbnailSize(128);
        TempFolder photos;
        const QString name = "a rather long name for a photograph of the sea.jpg";
        WritePicture(photos, name, { 600, 400 });
        WritePicture(photos, "b.jpg", { 600, 400 });
        browser::frmThumbs& w = h.Window();
        w.show();
        w.resize(800, 500);
        h.Open(photos.Path());
        QCoreApplication::processEvents();
        browser::ThumbGrid& grid = w.Grid();
        EXPECT_EQ(grid.Layout().cell, QSize(153, 161));
        EXPECT_EQ(grid.Layout().cols, grid.width() / 153);
        const browser::ThumbCell& cell = w.Cells()[0];
        ASSERT_EQ(cell.Tag, name);
        EXPECT_EQ(cell.Picture.image, QRect(2, 22, 124, 83));
        const QFontMetrics metrics(grid.font());
        EXPECT_LE(metrics.horizontalAdvance(cell.Caption), 153 - 15);
        EXPECT_GT(metrics.horizontalAdvance(cell.Caption), 89 - 15);
        const QRect tileRect(grid.CellRect(0).topLeft() + QPoint(12, 4), QSize(128, 128));
        grid.clearFocus(); // whose mark would cross the tile's top row
        const QImage shown = grid.grab().toImage();
        EXPECT_EQ(shown.copy(tileRect).convertToFormat(QImage::Format_RGB32),
            cell.Picture.Tile(grid.palette().color(QPalette::Button)));
    }

} // namespace
} // namespace gb::test

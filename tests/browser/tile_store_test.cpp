// A folder whose pictures outgrow the tile budget: those far from the screen are parked on the
// disk and come back, the very same pixels, as they are scrolled into view; a disk that takes
// nothing leaves every picture in memory.
#include "browser/tile_store.h"
#include "main_window_harness.h"

#include <QScrollBar>

namespace gb::test {
namespace {

    // A scratch space on a disk with no room left.
    struct FullDisk : platform::IScratchSpace {
        std::unique_ptr<platform::IScratchFile> Create(int& error) const override
        {
            error = ENOSPC;
            return nullptr;
        }
    };

    struct ParkingWindow : MainWindowHarness {
        explicit ParkingWindow(platform::IScratchSpace* scratchSpace = nullptr)
            : parkedServices { profile, pictures, dialogs, appInfo, shell, wallpaper, *usedFiles,
                registry, thumbnails, scratchSpace ? *scratchSpace : scratch }
        {
            for (int i = 0; i < 60; ++i) // each picture its own width, so its own bytes
                WritePicture(photos, QString("p%1.bmp").arg(i, 2, 10, QChar('0')), { 40 + i, 30 });
            window = std::make_unique<browser::frmThumbs>(module);
            window->resize(400, 300);
            window->show();
        }
        browser::TileStore& Tiles() { return window->Tiles(); }
        qint64 TileBytes()
        {
            qint64 total = 0;
            for (const browser::ThumbCell& cell : window->Cells())
                total += cell.Picture.pixels.size();
            return total;
        }
        QImage BottomOfGrid() { return GridAt(window->ScrollBar().maximum()); }
        QImage GridAt(int scroll)
        {
            window->ScrollBar().setValue(scroll);
            (void)window->Grid().grab(); // painting asks for what the page lacks
            EXPECT_TRUE(QTest::qWaitFor([&] { return Tiles().IsSettled(); }));
            return window->Grid().grab().toImage();
        }
        TempFolder photos;
        platform::Services parkedServices;
        app::Module1 module { parkedServices };
    };

    TEST(TileStore, ParksPicturesFarFromTheScreenAndBringsBackTheSamePixels)
    {
        ParkingWindow h;
        h.Tiles().SetBudget(0);
        h.Open(h.photos.Path());
        const qint64 total = h.TileBytes();
        const QImage whole = h.BottomOfGrid();

        h.window->ScrollBar().setValue(0);
        h.Tiles().SetBudget(total / 4);
        h.WaitForLoad([&] { h.Trigger("Refresh"); });
        EXPECT_LE(h.Tiles().ResidentBytes(), total / 4);
        EXPECT_TRUE(h.Tiles().IsParked(40));
        EXPECT_FALSE(h.Tiles().IsParked(0));

        EXPECT_EQ(h.BottomOfGrid(), whole);
        EXPECT_FALSE(h.Tiles().IsParked(40));
        EXPECT_TRUE(h.Tiles().IsParked(0)); // the top of the grid made room for them
    }

    // In date order the cells are sorted once all are in, by when their files changed here
    // (the last first), by which time many are parked: each picture comes back to its own cell.
    TEST(TileStore, ParkedPicturesFollowTheirCellsWhenSortedByDate)
    {
        ParkingWindow h;
        for (int i = 0; i < 60; ++i) {
            QFile file(h.photos.File(QString("p%1.bmp").arg(i, 2, 10, QChar('0'))));
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2026, 5, 1), QTime(12, 0)).addSecs(-i),
                QFileDevice::FileModificationTime));
        }
        h.SetSetting("Sort Order", "Date Taken");
        h.Tiles().SetBudget(0);
        h.Open(h.photos.Path());
        ASSERT_EQ(h.window->Cells().front().Tag, "p59.bmp");
        const qint64 total = h.TileBytes();
        const QImage top = h.GridAt(0);

        h.Tiles().SetBudget(total / 4);
        h.WaitForLoad([&] { h.Trigger("Refresh"); });
        int parked = 0;
        for (int i = 0; i < 60; ++i)
            parked += h.Tiles().IsParked(i) ? 1 : 0;
        EXPECT_GT(parked, 0);
        ASSERT_TRUE(QTest::qWaitFor([&] { return h.Tiles().IsSettled(); }));
        EXPECT_EQ(h.window->Grid().grab().toImage(), top); // unscrolled: as the sort left it
    }

    TEST(TileStore, ADiskWithNoRoomLeavesEveryPictureInMemory)
    {
        FullDisk full;
        ParkingWindow h(&full);
        h.Tiles().SetBudget(1000);
        h.Open(h.photos.Path());
        ASSERT_TRUE(QTest::qWaitFor([&] { return h.Tiles().IsSettled(); }));
        const auto& cells = h.window->Cells();
        const auto missing = std::count_if(cells.begin(), cells.end(),
            [](const browser::ThumbCell& cell) { return cell.Picture.pixels.isEmpty(); });
        EXPECT_EQ(missing, 0);
        EXPECT_EQ(h.Tiles().ResidentBytes(), h.TileBytes());
    }

} // namespace
} // namespace gb::test

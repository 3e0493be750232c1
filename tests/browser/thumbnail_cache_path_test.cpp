// The shared thumbnail cache in the loading path: what a load decodes is stored once the grid is
// shown, the next load takes it from there, and both paths draw the same tile.
#include "main_window_harness.h"

#include "browser/thumbnail_cache_writer.h"
#include "browser/tile_maker.h"
#include "platform/freedesktop_thumbnail_cache.h"
#include "samplegen/image_writers.h"

#include <QCryptographicHash>
#include <QTest>

namespace gb::test {
namespace {

    using browser::ThumbnailCacheWriter;
    using browser::TileMaker;

    QString CacheEntry(
        const QString& cacheRoot, const QString& file, const QString& size = "normal")
    {
        const QByteArray uri = platform::FreedesktopThumbnailCache::FileUri(file);
        return cacheRoot + "/" + size + "/"
            + QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex() + ".png";
    }

    // Large pictures and failures are stored once released; small pictures and icons are not.
    // Past twice the usual density the entry is of the large size, so a second visit stays sharp.
    class TileMakerTest : public ::testing::TestWithParam<std::tuple<qreal, QString, QSize>> { };

    TEST_P(TileMakerTest, WhatWasDecodedIsCachedOnReleaseAndTheCachedTileMatches)
    {
        const auto& [ratio, size, entrySize] = GetParam();
        struct {
            TestServices s;
            QString root = s.dataFolder.Path() + "/cache/thumbnails";
            ThumbnailCacheWriter writer { s.thumbnails };
        } m;
        const TileMaker maker { m.s.pictures, m.s.thumbnails, m.writer, { true, Qt::gray, ratio } };
        TempFolder photos;
        WritePicture(photos, "wide.jpg", QSize(640, 400));
        photos.Write("broken.jpg", "not a picture at all");
        WritePicture(photos, "small.jpg", QSize(256, 192));
        WritePicture(photos, "icon.ico");
        const QString file = photos.File("wide.jpg");
        const QString entry = CacheEntry(m.root, file, size);
        m.writer.Hold();
        const auto decoded = maker.Make(file).tile;
        EXPECT_TRUE(maker.Make(photos.File("small.jpg")).tile);
        EXPECT_TRUE(maker.Make(photos.File("icon.ico")).tile);
        EXPECT_FALSE(maker.Make(photos.File("broken.jpg")).tile);
        EXPECT_FALSE(QFile::exists(entry)); // held until the grid is shown
        m.writer.Release();
        const auto broken = m.s.thumbnails.KeyFor(photos.File("broken.jpg"));
        ASSERT_TRUE(broken);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return QFile::exists(entry)
                    && m.s.thumbnails.Find(*broken).result
                    == platform::ThumbnailLookup::KnownFailure;
            },
            20000));
        for (const char* name : { "small.jpg", "icon.ico" })
            EXPECT_FALSE(QFile::exists(CacheEntry(m.root, photos.File(name), size))) << name;
        EXPECT_EQ(QDir(m.root).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
            QStringList({ "fail", size }));

        EXPECT_EQ(QImage(entry).size(), entrySize);
        const auto cached = maker.Make(file).tile;
        ASSERT_TRUE(cached);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(cached->image, decoded->image);
        EXPECT_EQ(cached->frame, decoded->frame);
        EXPECT_FALSE(maker.Make(photos.File("broken.jpg")).tile);
    }

    INSTANTIATE_TEST_SUITE_P(Densities, TileMakerTest,
        ::testing::Values(
            std::tuple(1.0, "normal", QSize(128, 80)), std::tuple(3.0, "large", QSize(256, 160))));

    // A date-order load gives the date the file records from its decode, then from our cache
    // entry, and from the file's head beside another program's entry, which records none.
    TEST(TileMakerDates, ACacheHitGivesTheDateTheColdReadGave)
    {
        TestServices s;
        ThumbnailCacheWriter writer { s.thumbnails };
        TileMaker::Options options { true, Qt::gray, 1 };
        options.dateTaken = true;
        const TileMaker maker { s.pictures, s.thumbnails, writer, options };
        TempFolder photos;
        const QImage picture = tools::Grainy({ 640, 400 }, qRgb(150, 110, 60));
        photos.Write("dated.jpg",
            tools::WithApp1(tools::WriteJpeg(picture, 90),
                tools::CameraExifBlock(
                    { .taken = "2021:06:15 14:30:05", .takenOffset = "+02:00" })));
        const QString file = photos.File("dated.jpg");
        const qint64 taken = 1623760205000; // 12:30:05 UTC
        writer.Hold();
        EXPECT_EQ(maker.Make(file).takenMs, taken);
        writer.Release();
        const auto key = s.thumbnails.KeyFor(file);
        ASSERT_TRUE(key);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return s.thumbnails.Find(*key).result == platform::ThumbnailLookup::Hit; },
            20000));
        EXPECT_EQ(s.thumbnails.Find(*key).taken.takenMs, taken);
        EXPECT_EQ(maker.Make(file).takenMs, taken);
        ASSERT_TRUE(s.thumbnails.Save(*key, picture, picture.size()));
        EXPECT_FALSE(s.thumbnails.Find(*key).taken.recorded);
        EXPECT_EQ(maker.Make(file).takenMs, taken);
    }

    TEST(ThumbnailCacheWriter, PastItsHoldLimitWritesAtOnceAndNeverLosesAnEntry)
    {
        TestServices s;
        TempFolder photos;
        const QString root = s.dataFolder.Path() + "/cache/thumbnails";
        const QImage blue = tools::Solid({ 128, 96 }, Qt::blue);
        const auto file = [&](int i) { return photos.File(QString("f%1.jpg").arg(i)); };
        QList<bool> writtenAtOnce;
        {
            ThumbnailCacheWriter writer(s.thumbnails, 2);
            for (int i = 0; i < 7; ++i) {
                if (i == 0 || i == 6)
                    writer.Hold();
                if (i == 5)
                    writer.Release(); // from now on it holds nothing
                WritePicture(photos, QString("f%1.jpg").arg(i), QSize(400, 300));
                writer.Add(*s.thumbnails.KeyFor(file(i)), blue, {});
                writtenAtOnce << QFile::exists(CacheEntry(root, file(i)));
            }
            writer.Release();
        } // what it released is written all the same
        // Two held, the rest written by the adding thread.
        EXPECT_EQ(writtenAtOnce, QList<bool>({ false, false, true, true, true, true, false }));
        for (int i = 0; i < 7; ++i)
            EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(CacheEntry(root, file(i))); }));
    }

    // A HEIC's tile, shown with every type, goes to the shared cache and comes back from it as a
    // JPEG's does; a small bitmap's is never stored, so it is decoded again.
    TEST(MainWindowCache, SecondLoadOfAFolderComesFromTheCache)
    {
        MainWindowHarness h;
        TempFolder photos;
        WritePicture(photos, "a.jpg", QSize(400, 300));
        WritePicture(photos, "b.bmp", QSize(300, 400));
        ASSERT_TRUE(QFile::copy(GLIMMERBOX_SOURCE_DIR "/tests/data/heif/quadrants-640x400.heic",
            photos.File("c.heic")));
        h.SetSetting("Last Path", photos.Path());
        h.SetSetting("Every Picture Type", "True");
        h.ShowAndActivate();
        ASSERT_EQ(h.Window().Cells().size(), 3u);
        const QString root = h.dataFolder.Path() + "/cache/thumbnails";
        for (const char* name : { "a.jpg", "c.heic" })
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return QFile::exists(CacheEntry(root, photos.File(name))); }, 20000))
                << name;

        // Painted over in the cache, their tiles show the cache's picture on Refresh.
        const QImage red = tools::Solid({ 128, 96 }, Qt::red);
        for (const char* name : { "a.jpg", "c.heic" })
            ASSERT_TRUE(h.thumbnails.Save(*h.thumbnails.KeyFor(photos.File(name)), red, {}));
        h.WaitForLoad([&] { h.Trigger("Refresh"); });
        const auto& cells = h.Window().Cells();
        ASSERT_EQ(Tags(h.Window()), QStringList({ "a.jpg", "b.bmp", "c.heic" }));
        EXPECT_EQ(cells[0].Picture.Picture().pixelColor(20, 20), QColor(Qt::red));
        EXPECT_NE(cells[1].Picture.Picture().pixelColor(20, 20), QColor(Qt::red));
        EXPECT_EQ(cells[2].Picture.Picture().pixelColor(20, 20), QColor(Qt::red));
    }

} // namespace
} // namespace gb::test

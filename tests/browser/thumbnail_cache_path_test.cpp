// The shared thumbnail cache in the loading path: what a load decodes is stored once the grid is
// shown, the next load takes it from there (while its entry is current, which the cache itself
// decides), and both paths draw the same tile.
#include "main_window_harness.h"

#include "browser/thumbnail_cache_writer.h"
#include "browser/tile_maker.h"
#include "platform/freedesktop_thumbnail_cache.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QTest>

namespace gb::test {
namespace {

    using browser::ThumbnailCacheWriter;
    using browser::TileMaker;

    QString NormalEntry(const QString& cacheRoot, const QString& file)
    {
        const QByteArray uri = platform::FreedesktopThumbnailCache::FileUri(file);
        return cacheRoot + "/normal/"
            + QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex() + ".png";
    }

    struct Maker {
        TestServices s;
        QString root = s.dataFolder.Path() + "/cache/thumbnails";
        ThumbnailCacheWriter writer { s.thumbnails };
        TileMaker maker { s.pictures, s.thumbnails, s.files, writer, { true, Qt::gray } };
    };

    // Large pictures and failures are stored once released; small pictures and icons are not.
    TEST(TileMaker, WhatWasDecodedIsCachedOnReleaseAndTheCachedTileMatches)
    {
        Maker m;
        TempFolder photos;
        WritePicture(photos, "wide.jpg", QSize(640, 400));
        photos.Write("broken.jpg", "not a picture at all");
        WritePicture(photos, "small.jpg", QSize(256, 192));
        WritePicture(photos, "icon.ico");
        const QString file = photos.File("wide.jpg");
        m.writer.Hold();
        const auto decoded = m.maker.Make(file);
        ASSERT_TRUE(decoded && m.maker.Make(photos.File("small.jpg")));
        EXPECT_TRUE(
            !m.maker.Make(photos.File("broken.jpg")) && m.maker.Make(photos.File("icon.ico")));
        EXPECT_FALSE(QFile::exists(NormalEntry(m.root, file))); // held until the grid is shown
        m.writer.Release();
        const auto broken = m.s.thumbnails.KeyFor(photos.File("broken.jpg"));
        ASSERT_TRUE(broken);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return QFile::exists(NormalEntry(m.root, file))
                    && m.s.thumbnails.Find(*broken).result
                    == platform::ThumbnailLookup::KnownFailure;
            },
            20000));
        for (const char* name : { "small.jpg", "icon.ico" })
            EXPECT_FALSE(QFile::exists(NormalEntry(m.root, photos.File(name)))) << name;

        EXPECT_EQ(QImage(NormalEntry(m.root, file)).size(), QSize(128, 80));
        const auto cached = m.maker.Make(file);
        ASSERT_TRUE(cached);
        EXPECT_TRUE(cached->image == decoded->image && cached->frame == decoded->frame);
        EXPECT_FALSE(m.maker.Make(photos.File("broken.jpg")));
    }

    TEST(ThumbnailCacheWriter, PastItsHoldLimitWritesAtOnceAndNeverLosesAnEntry)
    {
        TestServices s;
        TempFolder photos;
        const QString root = s.dataFolder.Path() + "/cache/thumbnails";
        QImage blue(128, 96, QImage::Format_RGB32);
        blue.fill(Qt::blue);
        const auto add = [&](ThumbnailCacheWriter& writer, int i) {
            WritePicture(photos, QString("f%1.jpg").arg(i), QSize(400, 300));
            writer.Add(*s.thumbnails.KeyFor(photos.File(QString("f%1.jpg").arg(i))), blue, {});
            return QFile::exists(NormalEntry(root, photos.File(QString("f%1.jpg").arg(i))));
        };
        {
            ThumbnailCacheWriter writer(s.thumbnails, 2);
            writer.Hold();
            QList<bool> writtenAtOnce;
            for (int i = 0; i < 5; ++i)
                writtenAtOnce << add(writer, i);
            // Two held, the rest written by the adding thread.
            EXPECT_EQ(writtenAtOnce, QList<bool>({ false, false, true, true, true }));
            writer.Release();
            EXPECT_TRUE(add(writer, 5)) << "released, the writer holds nothing any more";
            writer.Hold();
            EXPECT_FALSE(add(writer, 6));
            writer.Release();
        } // the writer finishes what it released before it goes
        for (int i = 0; i < 7; ++i)
            EXPECT_TRUE(QFile::exists(NormalEntry(root, photos.File(QString("f%1.jpg").arg(i)))));
    }

    TEST(MainWindowCache, SecondLoadOfAFolderComesFromTheCache)
    {
        MainWindowHarness h;
        TempFolder photos;
        WritePicture(photos, "a.jpg", QSize(400, 300));
        WritePicture(photos, "b.bmp", QSize(300, 400));
        h.SetSetting("Last Path", photos.Path());
        h.ShowAndActivate();
        ASSERT_EQ(h.Window().Cells().size(), 2u);
        const QString root = h.dataFolder.Path() + "/cache/thumbnails";
        for (const char* name : { "a.jpg", "b.bmp" })
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return QFile::exists(NormalEntry(root, photos.File(name))); }, 20000));

        // Painted over in the cache, a.jpg's tile shows the cache's picture on Refresh.
        QImage red(128, 96, QImage::Format_RGB32);
        red.fill(Qt::red);
        ASSERT_TRUE(h.thumbnails.Save(*h.thumbnails.KeyFor(photos.File("a.jpg")), red, {}));
        h.WaitForLoad([&] { h.Trigger("Refresh"); });
        const auto& cells = h.Window().Cells();
        ASSERT_EQ(Tags(h.Window()), QStringList({ "a.jpg", "b.bmp" }));
        EXPECT_EQ(cells[0].Picture.picture.pixelColor(20, 20), QColor(Qt::red));
        EXPECT_NE(cells[1].Picture.picture.pixelColor(20, 20), QColor(Qt::red));
    }

} // namespace
} // namespace gb::test

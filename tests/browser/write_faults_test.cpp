// The main window's own files on a disk that is full or read-only: the settings file,
// Wallpaper.bmp and the shared thumbnail cache. The window still works, what was on disk stays
// exactly as it was, and nothing temporary is left behind.
#include "main_window_harness.h"

#include "support/disk_checks.h"
#include "support/scratch_mount.h"

#include <QDirIterator>
#include <QImageReader>
#include <QRegularExpression>

namespace gb::test {
namespace {

    // Every file below `folder`, hidden ones included, with its size.
    QStringList Files(const QString& folder)
    {
        QStringList files;
        QDirIterator it(
            folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            files << it.filePath().mid(folder.size() + 1)
                    + QString(" %1").arg(it.fileInfo().size());
        }
        files.sort();
        return files;
    }

    // A small bitmap goes to the disk only when the file is committed, a large one while it is
    // written: both must fail without touching the old file.
    TEST(WriteFaults, FullOrReadOnlyDataFolderKeepsTheSettingsAndTheWallpaper)
    {
        for (const bool full : { false, true }) {
            SCOPED_TRACE(full ? "full" : "read-only");
            MainWindowHarness h;
            const ScratchMount disk(h.dataFolder.Path());
            TempFolder photos;
            WritePicture(photos, "small.bmp", QSize(40, 30)); // 3.6 KB as a bitmap
            WritePicture(photos, "big.jpg", QSize(400, 300)); // 360 KB
            const QByteArray settings = "; mine\r\n[Main]\r\nWindow Position=1500, 1500, 9000, "
                                        "6600\r\nMaximized=False\r\nLast Path="
                + QFile::encodeName(photos.Path()) + "\r\n[Other]\r\nkeep=1\r\n";
            h.dataFolder.Write("glimmerbox.ini", settings);
            const QByteArray wallpaper = tools::WriteBmp(Gradient(50, 20));
            h.dataFolder.Write("Wallpaper.bmp", wallpaper);
            if (!(full ? disk.Mounted() : disk.MakeReadOnly() != 0))
                GTEST_SKIP() << "a full or read-only disk needs a tmpfs: root with CAP_SYS_ADMIN";
            if (full)
                disk.Fill();
            const QStringList before = Files(h.dataFolder.Path());

            h.ShowAndActivate(); // opens the remembered folder, which it remembers again
            ASSERT_EQ(Tags(h.Window()), QStringList({ "big.jpg", "small.bmp" }));
            for (const int cell : { 0, 1 }) {
                h.Click(cell, {}, Qt::RightButton);
                h.MenuItem("mnuWallpaper")->trigger();
            }
            ASSERT_EQ(h.dialogs.messages.size(), 2u);
            for (const auto& message : h.dialogs.messages)
                EXPECT_TRUE(message.prompt.contains("could not be written"));
            EXPECT_TRUE(h.runner.calls.empty()) << "the desktop was not told to change";
            EXPECT_EQ(h.module1.WriteSetting("Main", "Last Path", "/somewhere/else"), 0);
            h.Window().move(h.Window().pos() + QPoint(40, 30));
            EXPECT_TRUE(h.Window().close());
            EXPECT_TRUE(h.dataFolder.Read("glimmerbox.ini") == settings);
            EXPECT_TRUE(h.dataFolder.Read("Wallpaper.bmp") == wallpaper);
            EXPECT_EQ(Files(h.dataFolder.Path()), before);
        }
    }

    TEST(WriteFaults, CacheOnAFullDiskStillShowsEveryTileAndKeepsOnlyWholeEntries)
    {
        MainWindowHarness h;
        const QString cache = h.dataFolder.File("cache");
        ASSERT_TRUE(QDir().mkpath(cache));
        const ScratchMount disk(cache, "size=256k");
        if (!disk.Mounted())
            GTEST_SKIP() << "mounting a tmpfs needs root with CAP_SYS_ADMIN";
        disk.Fill(48 * 1024); // room for a few entries, then a write runs out of room half-way
        TempFolder photos;
        constexpr int kPictures = 12;
        for (int i = 0; i < kPictures; ++i) {
            QImage noisy = Gradient(400, 300);
            for (int p = 0; p < 3000; ++p)
                noisy.setPixel(
                    (p * 7919 + i * 31) % 400, (p * 104729) % 300, qRgb(p, i * 20, p / 7));
            photos.Write(QStringLiteral("p%1.bmp").arg(i), tools::WriteBmp(noisy));
        }
        h.Window().show();
        for (int load = 0; load < 2; ++load) { // the second load meets what the first stored
            h.Open(photos.Path());
            ASSERT_EQ(h.Window().Cells().size(), size_t(kPictures));
            for (const browser::ThumbCell& cell : h.Window().Cells())
                EXPECT_FALSE(cell.Picture.picture.isNull()) << cell.Tag.toStdString();
        }
        h.window.reset(); // waits for the cache writes
        // Besides the filler, only entries named as the cache names them, each a whole PNG.
        static const QRegularExpression entryName(QStringLiteral("^[0-9a-f]{32}\\.png \\d+$"));
        for (const QString& entry : Files(cache)) {
            const QString path = cache + "/" + entry.section(' ', 0, 0);
            EXPECT_TRUE(entry.startsWith("filler ")
                || (entryName.match(entry.section('/', -1)).hasMatch()
                    && ReadAll(path).endsWith(QByteArray("IEND\xae\x42\x60\x82", 8))
                    && !QImageReader(path, "png").read().isNull()))
                << entry.toStdString();
        }
        int stored = 0;
        for (int i = 0; i < kPictures; ++i)
            stored
                += h.thumbnails.Find(*h.thumbnails.KeyFor(photos.File(QString("p%1.bmp").arg(i))))
                       .result
                == platform::ThumbnailLookup::Hit;
        EXPECT_GT(stored, 0);
        EXPECT_LT(stored, kPictures) << "the disk never ran full";
    }

} // namespace
} // namespace gb::test

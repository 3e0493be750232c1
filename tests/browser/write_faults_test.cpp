// The main window's own files on a disk that is full or read-only, or in the way: the settings
// file, Wallpaper.bmp and the shared thumbnail cache. The window still works, what was on disk
// stays exactly as it was, and no temporary file is left behind.
#include "main_window_harness.h"

#include "support/disk_checks.h"
#include "support/scratch_mount.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>

namespace gb::test {
namespace {

    enum class DiskFault { ReadOnly, Full };
    const char* Name(DiskFault fault) { return fault == DiskFault::Full ? "full" : "read-only"; }

    // Makes the disk under `disk` full or read-only; false when this process cannot.
    bool Apply(const ScratchMount& disk, DiskFault fault)
    {
        if (fault == DiskFault::ReadOnly)
            return disk.MakeReadOnly() != 0;
        if (disk.Mounted())
            disk.Fill();
        return disk.Mounted();
    }

    // Every file below `folder`, hidden ones included, with its size.
    std::string Files(const QString& folder)
    {
        QStringList files;
        QDirIterator it(
            folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            files << QStringLiteral("%1 (%2)")
                         .arg(it.filePath().mid(folder.size() + 1))
                         .arg(it.fileInfo().size());
        }
        files.sort();
        return files.join(", ").toStdString();
    }

    // Changes a setting and the placement, then closes the window, which writes them back.
    void ChangeSettingsAndClose(MainWindowHarness& h)
    {
        EXPECT_EQ(h.module1.WriteSetting("Main", "Last Path", "/somewhere/else"), 0);
        h.Window().move(h.Window().pos() + QPoint(40, 30));
        EXPECT_TRUE(h.Window().close());
        EXPECT_FALSE(h.Window().isVisible());
        h.window.reset();
    }

    TEST(SettingsWriteFaults, FullOrReadOnlyDataFolderNeverTouchesTheSettingsFile)
    {
        for (const DiskFault fault : { DiskFault::ReadOnly, DiskFault::Full }) {
            SCOPED_TRACE(Name(fault));
            MainWindowHarness h;
            const ScratchMount disk(h.dataFolder.Path());
            TempFolder photos;
            WritePicture(photos, "a.bmp");
            const QByteArray settings = "; mine\r\n[Main]\r\nWindow Position=1500, 1500, 9000, "
                                        "6600\r\nMaximized=False\r\nLast Path="
                + QFile::encodeName(photos.Path()) + "\r\n[Other]\r\nkeep=1\r\n";
            h.dataFolder.Write(QFileInfo(h.IniPath()).fileName(), settings);
            if (!Apply(disk, fault))
                GTEST_SKIP() << "a full or read-only disk needs a tmpfs: root with CAP_SYS_ADMIN";
            const std::string before = Files(h.dataFolder.Path());

            h.ShowAndActivate(); // opens the remembered folder, which it remembers again
            ASSERT_EQ(h.Window().Cells().size(), 1u);
            ChangeSettingsAndClose(h);
            EXPECT_TRUE(ReadAll(h.IniPath()) == settings) << ReadAll(h.IniPath()).toStdString();
            EXPECT_EQ(Files(h.dataFolder.Path()), before);
        }
    }

    TEST(SettingsWriteFaults, SettingsFileThatIsAFolderOrAPipeIsLeftAsItIs)
    {
        for (const bool pipe : { false, true }) {
            SCOPED_TRACE(pipe ? "pipe" : "folder");
            MainWindowHarness h;
            ASSERT_TRUE(pipe ? MakeFifo(h.IniPath()) : QDir().mkdir(h.IniPath()));
            h.ShowAndActivate();
            ChangeSettingsAndClose(h);
            const mode_t mode = LinkMode(h.IniPath());
            EXPECT_TRUE(pipe ? S_ISFIFO(mode) : S_ISDIR(mode));
            // Nothing was written beside it or, for the folder, into it.
            EXPECT_EQ(Files(h.dataFolder.Path()), pipe ? "glimmerbox.ini (0)" : "");
        }
    }

    // A small bitmap goes to the disk only when the file is committed, a large one while it is
    // written: both must fail without touching the old file.
    TEST(WallpaperWriteFaults, FullOrReadOnlyDataFolderKeepsTheOldWallpaper)
    {
        for (const DiskFault fault : { DiskFault::ReadOnly, DiskFault::Full })
            for (const char* picture : { "small.bmp", "big.jpg" }) {
                SCOPED_TRACE(std::string(Name(fault)) + ", " + picture);
                MainWindowHarness h;
                const ScratchMount disk(h.dataFolder.Path());
                const QByteArray old = tools::WriteBmp(Gradient(50, 20));
                h.dataFolder.Write("Wallpaper.bmp", old);
                TempFolder photos;
                WritePicture(photos, "small.bmp", QSize(40, 30)); // 3.6 KB as a bitmap
                WritePicture(photos, "big.jpg", QSize(400, 300)); // 360 KB
                h.Window().show();
                h.Open(photos.Path());
                if (!Apply(disk, fault))
                    GTEST_SKIP()
                        << "a full or read-only disk needs a tmpfs: root with CAP_SYS_ADMIN";
                const std::string before = Files(h.dataFolder.Path());

                h.Click(Tags(h.Window()).indexOf(picture), {}, Qt::RightButton);
                h.MenuItem("mnuWallpaper")->trigger();
                EXPECT_TRUE(h.dataFolder.Read("Wallpaper.bmp") == old);
                EXPECT_EQ(Files(h.dataFolder.Path()), before);
                EXPECT_TRUE(h.runner.calls.empty()) << "the desktop was not told to change";
                ASSERT_EQ(h.dialogs.messages.size(), 1u);
                EXPECT_TRUE(h.dialogs.messages[0].prompt.contains("could not be written"))
                    << h.dialogs.messages[0].prompt.toStdString();
                h.window.reset();
            }
    }

    // What lies in the cache besides the filler: entries named as the cache names them, each a
    // whole PNG that decodes to the end.
    void ExpectOnlyWholeEntries(const QString& cache)
    {
        static const QRegularExpression entryName(QStringLiteral("^[0-9a-f]{32}\\.png$"));
        QDirIterator it(
            cache, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (path == cache + "/filler")
                continue;
            EXPECT_TRUE(entryName.match(it.fileName()).hasMatch()
                && ReadAll(path).endsWith(QByteArray("IEND\xae\x42\x60\x82", 8))
                && !QImageReader(path, "png").read().isNull())
                << path.toStdString();
        }
    }

    TEST(ThumbnailCacheWriteFaults, CacheOnAFullDiskStillShowsEveryTileAndKeepsOnlyWholeEntries)
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
            h.WaitForLoad([&] { h.Window().OpenSourceFolder(photos.Path()); });
            ASSERT_EQ(h.Window().Cells().size(), size_t(kPictures));
            for (const browser::ThumbCell& cell : h.Window().Cells())
                EXPECT_FALSE(cell.Picture.isNull() || cell.Picture.picture.isNull())
                    << cell.Tag.toStdString();
        }
        h.window.reset(); // waits for the cache writes
        ExpectOnlyWholeEntries(cache);
        int stored = 0;
        for (int i = 0; i < kPictures; ++i) {
            const auto key = h.thumbnails.KeyFor(photos.File(QStringLiteral("p%1.bmp").arg(i)));
            ASSERT_TRUE(key);
            stored += h.thumbnails.Find(*key).result == platform::ThumbnailLookup::Hit;
        }
        EXPECT_GT(stored, 0);
        EXPECT_LT(stored, kPictures) << "the disk never ran full";
    }

} // namespace
} // namespace gb::test

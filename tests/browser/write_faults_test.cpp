// The main window's own files on a disk that is full or read-only, or in the way: the settings
// file, Wallpaper.bmp and the shared thumbnail cache. The window still works, what was on disk
// stays exactly as it was, and no temporary file is left behind.
#include "main_window_harness.h"

#include "browser/thumb_grid.h"
#include "samplegen/image_writers.h"
#include "support/disk_checks.h"
#include "support/scratch_mount.h"

#include <QAction>
#include <QDirIterator>
#include <QFileInfo>
#include <QImageReader>
#include <QMenu>
#include <QRegularExpression>
#include <fcntl.h>
#include <limits>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace gb::test {
namespace {

    enum class DiskFault { ReadOnly, Full };
    const char* Name(DiskFault fault) { return fault == DiskFault::Full ? "full" : "read-only"; }

    // A small tmpfs on a folder that can be filled up or made read-only. Without the right to
    // mount, a folder can still be made read-only where its permissions bind (not for root).
    class SmallDisk {
    public:
        explicit SmallDisk(const QString& folder, const char* options = "size=1m")
            : folder_(QFile::encodeName(folder))
            , mount_(folder, options)
        {
        }
        ~SmallDisk() { ::chmod(folder_.constData(), 0700); }
        bool Mounted() const { return mount_.Mounted(); }
        bool CanBe(DiskFault fault) const
        {
            return Mounted() || (fault == DiskFault::ReadOnly && ::geteuid() != 0);
        }
        void Apply(DiskFault fault) const
        {
            if (fault == DiskFault::Full)
                Fill();
            else if (Mounted())
                ASSERT_EQ(
                    ::mount(nullptr, folder_.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr),
                    0);
            else
                ASSERT_EQ(::chmod(folder_.constData(), 0555), 0);
        }

        // Leaves about `room` bytes free; with none, every further write fails.
        void Fill(qint64 room = 0) const
        {
            struct statvfs disk { };
            ASSERT_EQ(::statvfs(folder_.constData(), &disk), 0);
            qint64 left = room > 0 ? qint64(disk.f_bavail) * qint64(disk.f_frsize) - room
                                   : std::numeric_limits<qint64>::max();
            const int fd = ::open(
                (folder_ + "/filler").constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            ASSERT_GE(fd, 0);
            const QByteArray chunk(64 * 1024, 'f');
            for (ssize_t wrote = 1; left > 0 && wrote > 0; left -= wrote)
                wrote
                    = ::write(fd, chunk.constData(), size_t(std::min<qint64>(left, chunk.size())));
            ::close(fd);
        }

    private:
        QByteArray folder_;
        ScratchMount mount_;
    };

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
            SmallDisk disk(h.dataFolder.Path());
            if (!disk.CanBe(fault))
                GTEST_SKIP() << "a full disk needs a tmpfs: root with CAP_SYS_ADMIN";
            TempFolder photos;
            WritePicture(photos, "a.bmp");
            const QByteArray settings = "; mine\r\n[Main]\r\nWindow Position=1500, 1500, 9000, "
                                        "6600\r\nMaximized=False\r\nLast Path="
                + QFile::encodeName(photos.Path()) + "\r\n[Other]\r\nkeep=1\r\n";
            h.dataFolder.Write(QFileInfo(h.IniPath()).fileName(), settings);
            disk.Apply(fault);
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

    // Right-clicks the tile of `name` and sets it as the wallpaper.
    void SetAsWallpaper(MainWindowHarness& h, const QString& name)
    {
        const auto& cells = h.Window().Cells();
        const auto cell = std::find_if(cells.begin(), cells.end(),
            [&](const browser::ThumbCell& each) { return each.Tag == name; });
        ASSERT_NE(cell, cells.end());
        browser::ThumbGrid& grid = h.Window().Grid();
        QTest::mouseClick(
            &grid, Qt::RightButton, {}, grid.CellRect(int(cell - cells.begin())).center());
        h.Window().ContextMenu().hide();
        h.Window().ContextMenu().findChild<QAction*>("mnuWallpaper")->trigger();
    }

    // A small bitmap goes to the disk only when the file is committed, a large one while it is
    // written: both must fail without touching the old file.
    TEST(WallpaperWriteFaults, FullOrReadOnlyDataFolderKeepsTheOldWallpaper)
    {
        for (const DiskFault fault : { DiskFault::ReadOnly, DiskFault::Full })
            for (const char* picture : { "small.bmp", "big.jpg" }) {
                SCOPED_TRACE(std::string(Name(fault)) + ", " + picture);
                MainWindowHarness h;
                SmallDisk disk(h.dataFolder.Path());
                if (!disk.CanBe(fault))
                    GTEST_SKIP() << "a full disk needs a tmpfs: root with CAP_SYS_ADMIN";
                const QByteArray old = tools::WriteBmp(Gradient(50, 20));
                h.dataFolder.Write("Wallpaper.bmp", old);
                TempFolder photos;
                WritePicture(photos, "small.bmp", QSize(40, 30)); // 3.6 KB as a bitmap
                WritePicture(photos, "big.jpg", QSize(400, 300)); // 360 KB
                h.Window().show();
                h.WaitForLoad([&] { h.Window().OpenSourceFolder(photos.Path()); });
                disk.Apply(fault);
                const std::string before = Files(h.dataFolder.Path());

                SetAsWallpaper(h, picture);
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
        SmallDisk disk(cache, "size=256k");
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

// The main window's own files on a full or read-only disk: the window still shows every picture
// and says what could not be written; the old files stay, and nothing temporary is left behind.
#include "main_window_harness.h"

#include "support/disk_checks.h"
#include "support/scratch_mount.h"

#include <QDirIterator>
#include <cstring>

namespace gb::test {
namespace {

    QStringList Files(const QString& folder)
    {
        QStringList files;
        for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
             it.hasNext();)
            files << it.next() + QString(" %1").arg(it.fileInfo().size());
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
            const QByteArray settings = "; mine\r\n[Main]\r\nLast Path="
                + QFile::encodeName(photos.Path()) + "\r\n[Other]\r\nkeep=1\r\n";
            h.dataFolder.Write("glimmerbox.ini", settings);
            const QByteArray wallpaper = tools::WriteBmp(tools::Gradient({ 50, 20 }));
            h.dataFolder.Write("Wallpaper.bmp", wallpaper);
            if (!(full ? disk.Mounted() : disk.MakeReadOnly() != 0))
                GTEST_SKIP() << "a full or read-only disk needs a tmpfs: root with CAP_SYS_ADMIN";
            if (full)
                disk.Fill();
            const QStringList before = Files(h.dataFolder.Path());

            h.ShowAndActivate(); // opens the remembered folder, which it remembers again
            ASSERT_EQ(Tags(h.Window()), QStringList({ "big.jpg", "small.bmp" }));
            for (const int cell : { 0, 1 })
                h.SetWallpaper(cell);
            EXPECT_EQ(h.dialogs.messages.size(), 2u);
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

    // The program's folder could not be made (a read-only home): the message says why.
    TEST(WriteFaults, WallpaperFolderThatCannotBeMadeSaysWhy)
    {
        TempFolder home, photos;
        const ScratchMount disk(home.Path());
        const int refusal = disk.MakeReadOnly();
        if (refusal == 0)
            GTEST_SKIP() << "a read-only folder needs a tmpfs: root with CAP_SYS_ADMIN";
        MainWindowHarness h(home.File("glimmerbox"));
        WritePicture(photos, "a.bmp");
        h.Window().show();
        h.Open(photos.Path());
        h.SetWallpaper(0);
        ASSERT_EQ(h.dialogs.messages.size(), 1u);
        EXPECT_TRUE(h.dialogs.messages[0].prompt.contains(std::strerror(refusal)));
    }

} // namespace
} // namespace gb::test

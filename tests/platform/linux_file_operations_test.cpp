#include "platform/linux_file_operations.h"
#include "support/disk_checks.h"
#include "support/scratch_mount.h"
#include "support/temp_folder.h"

#include <QDir>
#include <cerrno>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

namespace gb::test {
namespace {

    // A file nobody may write to is read-only and kept unless forced, even for root; a link
    // is removed, never what it points to.
    TEST(DeleteFile, RemovesForGoodButKeepsReadOnlyFilesUnlessForced)
    {
        TempFolder folder;
        folder.Write("locked.jpg", "keep me");
        ::chmod(QFile::encodeName(folder.File("locked.jpg")).constData(), 0444);
        ASSERT_TRUE(QFile::link(folder.File("locked.jpg"), folder.File("link.jpg")));
        ASSERT_TRUE(QFile::link(folder.File("gone.jpg"), folder.File("dangling.jpg")));
        ASSERT_TRUE(QDir(folder.Path()).mkdir("album.jpg"));
        const struct {
            const char* name;
            bool force;
            int number;
        } cases[] = { { "gone.jpg", true, 53 }, { "album.jpg", true, 75 },
            { "locked.jpg", false, 70 }, { "link.jpg", false, 0 }, { "dangling.jpg", false, 0 },
            { "locked.jpg", true, 0 } };
        platform::LinuxFileOperations files;
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            const mode_t before = LinkMode(folder.File(c.name));
            const platform::FileError error = files.DeleteFile(folder.File(c.name), c.force);
            EXPECT_EQ(error.number, c.number);
            EXPECT_EQ(error.description.isEmpty(), c.number == 0);
            EXPECT_EQ(LinkMode(folder.File(c.name)), c.number == 0 ? 0 : before);
            EXPECT_EQ(folder.Read("locked.jpg"), c.force && c.number == 0 ? "" : "keep me");
        }
        EXPECT_EQ(QDir(folder.Path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
            QStringList { "album.jpg" });
    }

    // On a read-only disk it is the disk the user has to be told about, not the file.
    TEST(DeleteFile, OnAReadOnlyDiskNamesTheDisk)
    {
        TempFolder folder;
        ASSERT_TRUE(QDir(folder.Path()).mkdir("card"));
        const ScratchMount card(folder.File("card"), "size=64k");
        if (!card.Mounted())
            GTEST_SKIP() << "mounting needs root with CAP_SYS_ADMIN";
        folder.Write("card/photo.jpg", "photo");
        const QByteArray mountPoint = QFile::encodeName(folder.File("card"));
        ASSERT_EQ(::mount(nullptr, mountPoint, nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
        platform::LinuxFileOperations files;
        for (const bool force : { false, true }) {
            const platform::FileError error
                = files.DeleteFile(folder.File("card/photo.jpg"), force);
            EXPECT_EQ(error.number, 70);
            EXPECT_EQ(
                error.description, platform::LinuxFileOperations::FromErrno(EROFS).description);
        }
        EXPECT_EQ(folder.Read("card/photo.jpg"), "photo");
    }

} // namespace
} // namespace gb::test

#include "platform/linux_file_operations.h"
#include "support/disk_checks.h"
#include "support/temp_folder.h"
#include <QFile>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utility>

namespace gb::test {
namespace {

    using platform::LinuxFileOperations;

    // A file nobody may write to is read-only and kept unless forced, even for root; a link
    // goes, never what it points to.
    TEST(DeleteFile, RemovesForGoodButKeepsReadOnlyFilesUnlessForced)
    {
        TempFolder folder;
        folder.Write("locked.jpg", "keep me");
        ::chmod(QFile::encodeName(folder.File("locked.jpg")).constData(), 0444);
        ASSERT_TRUE(QFile::link(folder.File("locked.jpg"), folder.File("link.jpg")));
        ASSERT_TRUE(QFile::link(folder.File("gone.jpg"), folder.File("dangling.jpg")));
        ASSERT_TRUE(QDir(folder.Path()).mkpath("album.jpg"));
        const std::tuple<const char*, bool, int, QString> cases[]
            = { { "gone.jpg", true, 53, LinuxFileOperations::FromErrno(ENOENT).description },
                  { "album.jpg", true, 75, "Path/File access error (it is a folder)" },
                  { "locked.jpg", false, 70, "Permission denied (the file is read-only)" },
                  { "link.jpg", false, 0, "" }, { "dangling.jpg", false, 0, "" },
                  { "locked.jpg", true, 0, "" } };
        LinuxFileOperations files;
        for (const auto& [name, force, number, description] : cases) {
            const mode_t before = LinkMode(folder.File(name));
            const platform::FileError error = files.DeleteFile(folder.File(name), force);
            EXPECT_EQ(std::tuple(error.number, error.description, LinkMode(folder.File(name))),
                std::tuple(number, description, number == 0 ? 0 : before))
                << name;
            EXPECT_EQ(folder.Read("locked.jpg"), force && number == 0 ? "" : "keep me");
        }
        EXPECT_EQ(Entries(folder.Path()), QStringList { "album.jpg" });
    }

    // Each change touches one part of the stamp only: the size, the time to the nanosecond or
    // the second, or the inode (b.jpg, a copy of the same size and time put in a.jpg's place).
    TEST(StampOf, EveryNewVersionOfAFileGetsAnotherStampAndOnlyWhatIsThereIsReadable)
    {
        TempFolder folder;
        const QString path = folder.File("a.jpg");
        platform::LinuxFileOperations files;
        std::optional<platform::FileStamp> last;
        const std::tuple<const char*, const char*, time_t, long, bool> versions[]
            = { { "a.jpg", "1234", 0, 100, true }, { "a.jpg", "1234", 0, 100, false },
                  { "a.jpg", "12345", 0, 100, true }, { "a.jpg", "12345", 0, 101, true },
                  { "a.jpg", "12345", 1, 101, true }, { "b.jpg", "12345", 1, 101, true } };
        for (const auto& [name, bytes, seconds, nanos, changed] : versions) {
            folder.Write(name, bytes);
            const timespec times[2] = { { 0, UTIME_OMIT }, { 1600000000 + seconds, nanos } };
            ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(folder.File(name)), times, 0), 0);
            ASSERT_TRUE(folder.File(name) == path
                || (QFile::remove(path) && QFile::rename(folder.File(name), path)));
            const std::optional<platform::FileStamp> now = files.StampOf(path);
            EXPECT_EQ(std::exchange(last, now) != now, changed)
                << bytes << " " << seconds << " " << nanos;
        }
        EXPECT_TRUE(last && last->size == 5 && files.IsReadable(path));
        for (const QString& none : { folder.File("gone.jpg"), path + "/x", QString() })
            EXPECT_FALSE(files.IsReadable(none) || files.StampOf(none)) << qPrintable(none);
    }

} // namespace
} // namespace gb::test

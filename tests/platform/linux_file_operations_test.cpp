#include "platform/linux_file_operations.h"
#include "support/disk_checks.h"
#include "support/scratch_mount.h"
#include "support/temp_folder.h"

#include <QFile>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <utility>

namespace gb::test {
namespace {

    using platform::LinuxFileOperations;

    // A file nobody may write to is read-only and kept unless forced, even for root; a link
    // goes, never what it points to. On a read-only disk the user is told about the disk.
    TEST(DeleteFile, RemovesForGoodButKeepsReadOnlyFilesUnlessForced)
    {
        TempFolder folder;
        folder.Write("locked.jpg", "keep me");
        ::chmod(QFile::encodeName(folder.File("locked.jpg")).constData(), 0444);
        ASSERT_TRUE(QFile::link(folder.File("locked.jpg"), folder.File("link.jpg")));
        ASSERT_TRUE(QFile::link(folder.File("gone.jpg"), folder.File("dangling.jpg")));
        ASSERT_TRUE(QDir(folder.Path()).mkpath("album.jpg") && QDir(folder.Path()).mkpath("card"));
        const ScratchMount card(folder.File("card"), "size=64k");
        folder.Write("card/photo.jpg", "on a card");
        const QByteArray cardPath = QFile::encodeName(folder.File("card"));
        ASSERT_EQ(card.Mounted(),
            ::mount(nullptr, cardPath, nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0);
        const auto refusal
            = [](int error) { return LinuxFileOperations::FromErrno(error).description; };
        const std::tuple<const char*, bool, int, QString> cases[]
            = { { "gone.jpg", true, 53, refusal(ENOENT) },
                  { "album.jpg", true, 75, "Path/File access error (it is a folder)" },
                  { "locked.jpg", false, 70, "Permission denied (the file is read-only)" },
                  { "link.jpg", false, 0, "" }, { "dangling.jpg", false, 0, "" },
                  { "card/photo.jpg", false, 70, refusal(EROFS) },
                  { "card/photo.jpg", true, 70, refusal(EROFS) }, { "locked.jpg", true, 0, "" } };
        LinuxFileOperations files;
        for (const auto& [name, force, number, description] : cases) {
            if (!card.Mounted() && QByteArray(name).startsWith("card/"))
                continue; // mounting needs root with CAP_SYS_ADMIN
            const mode_t before = LinkMode(folder.File(name));
            const platform::FileError error = files.DeleteFile(folder.File(name), force);
            EXPECT_EQ(std::tuple(error.number, error.description, LinkMode(folder.File(name))),
                std::tuple(number, description, number == 0 ? 0 : before))
                << name;
            EXPECT_EQ(folder.Read("locked.jpg"), force && number == 0 ? "" : "keep me");
        }
        EXPECT_EQ(Entries(folder.Path()), QStringList({ "album.jpg", "card" }));
    }

    // Each change touches one part of the stamp only: the size, the time to the nanosecond or
    // the second, or the inode (a copy of the same size and time put in the file's place).
    TEST(StampOf, EveryNewVersionOfAFileGetsAnotherStampAndOnlyWhatIsThereIsReadable)
    {
        TempFolder folder;
        const QString path = folder.File("a.jpg");
        const auto write = [&](const char* name, const char* bytes, time_t seconds, long nanos) {
            folder.Write(name, bytes);
            const timespec times[2] = { { 0, UTIME_OMIT }, { seconds, nanos } };
            const QByteArray file = QFile::encodeName(folder.File(name));
            ASSERT_EQ(::utimensat(AT_FDCWD, file.constData(), times, 0), 0);
        };
        platform::LinuxFileOperations files;
        write("a.jpg", "1234", 1600000000, 100);
        std::optional<platform::FileStamp> last = files.StampOf(path);
        ASSERT_TRUE(last);
        const auto changed = [&] {
            const std::optional<platform::FileStamp> now = files.StampOf(path);
            return std::exchange(last, now) != now;
        };
        EXPECT_FALSE(changed());
        write("a.jpg", "12345", 1600000000, 100);
        EXPECT_TRUE(changed()) << "size";
        write("a.jpg", "12345", 1600000000, 101);
        EXPECT_TRUE(changed()) << "nanoseconds";
        write("a.jpg", "12345", 1600000001, 101);
        EXPECT_TRUE(changed()) << "seconds";
        write("b.jpg", "12345", 1600000001, 101);
        ASSERT_TRUE(QFile::remove(path) && QFile::rename(folder.File("b.jpg"), path));
        EXPECT_TRUE(changed()) << "inode";
        EXPECT_EQ(last->size, 5);
        EXPECT_TRUE(files.IsReadable(path));
        for (const QString& none : { folder.File("gone.jpg"), path + "/x", QString() })
            EXPECT_FALSE(files.IsReadable(none) || files.StampOf(none)) << qPrintable(none);
    }

} // namespace
} // namespace gb::test

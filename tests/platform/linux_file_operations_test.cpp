#include "platform/linux_file_operations.h"
#include "support/temp_folder.h"

#include <QDir>
#include <QFile>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utility>

namespace gb::test {
namespace {

    TEST(DeleteFile, RemovesForGoodButNotReadOnlyFilesUnlessForced)
    {
        TempFolder folder;
        folder.Write("a.jpg", "x");
        folder.Write("locked.jpg", "y");
        ::chmod(QFile::encodeName(folder.File("locked.jpg")).constData(), 0444);
        platform::LinuxFileOperations files;

        EXPECT_TRUE(files.DeleteFile(folder.File("a.jpg")).Ok());
        EXPECT_FALSE(QFile::exists(folder.File("a.jpg")));

        const platform::FileError refused = files.DeleteFile(folder.File("locked.jpg"));
        EXPECT_EQ(refused.number, 70);
        EXPECT_FALSE(refused.description.isEmpty());
        EXPECT_TRUE(QFile::exists(folder.File("locked.jpg")));
        EXPECT_TRUE(files.DeleteFile(folder.File("locked.jpg"), true).Ok());
        EXPECT_FALSE(QFile::exists(folder.File("locked.jpg")));
    }

    TEST(DeleteFile, MissingFilesAndFoldersAreErrorsNotCrashes)
    {
        TempFolder folder;
        platform::LinuxFileOperations files;
        EXPECT_EQ(files.DeleteFile(folder.File("gone.jpg")).number, 53);
        QDir(folder.Path()).mkdir("sub.jpg");
        EXPECT_EQ(files.DeleteFile(folder.File("sub.jpg")).number, 75);
        EXPECT_TRUE(QDir(folder.File("sub.jpg")).exists());
    }

    TEST(DeleteFile, ALinkIsRemovedNotWhatItPointsTo)
    {
        TempFolder folder;
        folder.Write("target.jpg", "keep me");
        ::chmod(QFile::encodeName(folder.File("target.jpg")).constData(), 0444);
        ASSERT_TRUE(QFile::link(folder.File("target.jpg"), folder.File("link.jpg")));
        platform::LinuxFileOperations files;
        EXPECT_TRUE(files.DeleteFile(folder.File("link.jpg")).Ok());
        EXPECT_EQ(folder.Read("target.jpg"), "keep me");
    }

    TEST(IsReadable, OnlyWhatIsThere)
    {
        TempFolder folder;
        folder.Write("a.jpg", "x");
        platform::LinuxFileOperations files;
        for (const auto& [path, readable] :
            { std::pair { folder.File("a.jpg"), true }, { folder.File("gone.jpg"), false },
                { folder.File("a.jpg/x"), false }, { QString(), false } })
            EXPECT_EQ(files.IsReadable(path), readable) << path.toStdString();
    }

    // Each change touches one part of the stamp only: the size, the time to the nanosecond or
    // the second, or the inode (a copy of the same size and time put in the file's place).
    TEST(StampOf, EveryNewVersionOfAFileGetsAnotherStamp)
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
        EXPECT_FALSE(files.StampOf(folder.File("gone.jpg")));
        EXPECT_FALSE(files.StampOf(QString()));
    }

} // namespace
} // namespace gb::test

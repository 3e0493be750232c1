#include "platform/linux_file_operations.h"
#include "support/temp_folder.h"

#include <QDir>
#include <QFile>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

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

    // Each change touches one part of the stamp only: the same size, the same time to the
    // second, or the same size and time on another inode.
    TEST(StampOf, EveryNewVersionOfAFileGetsAnotherStamp)
    {
        TempFolder folder;
        const QString path = folder.File("a.jpg");
        const auto setTime = [](const QString& file, time_t seconds, long nanoseconds) {
            const timespec times[2] = { { 0, UTIME_OMIT }, { seconds, nanoseconds } };
            ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(file).constData(), times, 0), 0);
        };
        folder.Write("a.jpg", "1234");
        setTime(path, 1600000000, 100);
        const struct {
            const char* change;
            std::function<void()> apply;
            bool same;
        } rows[] = {
            { "nothing", [] {}, true },
            { "size",
                [&] {
                    folder.Write("a.jpg", "12345");
                    setTime(path, 1600000000, 100);
                },
                false },
            { "nanoseconds", [&] { setTime(path, 1600000000, 101); }, false },
            { "seconds", [&] { setTime(path, 1600000001, 101); }, false },
            { "inode",
                [&] {
                    folder.Write("b.jpg", "12345");
                    setTime(folder.File("b.jpg"), 1600000001, 101);
                    ASSERT_EQ(::rename(QFile::encodeName(folder.File("b.jpg")).constData(),
                                  QFile::encodeName(path).constData()),
                        0);
                },
                false },
        };
        platform::LinuxFileOperations files;
        for (const auto& row : rows) {
            const std::optional<platform::FileStamp> before = files.StampOf(path);
            ASSERT_TRUE(before) << row.change;
            row.apply();
            EXPECT_EQ(files.StampOf(path) == before, row.same) << row.change;
        }
        EXPECT_EQ(files.StampOf(path)->size, 5);
        EXPECT_FALSE(files.StampOf(folder.File("gone.jpg")));
        EXPECT_FALSE(files.StampOf(QString()));
    }

} // namespace
} // namespace gb::test

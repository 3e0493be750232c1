#include "platform/linux_file_operations.h"
#include "support/temp_folder.h"

#include <QDir>
#include <QFile>
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

} // namespace
} // namespace gb::test

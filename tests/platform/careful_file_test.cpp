// The one door every file goes through: only regular files open, a read error is never the end of
// the file, and a replacement is whole or nothing.
#include "platform/careful_file.h"
#include "support/disk_checks.h"
#include "support/temp_folder.h"
#include <fcntl.h>
#include <gtest/gtest.h>

namespace gb::platform {
namespace {

    using test::TempFolder;

    TEST(CarefulFile, OpensOnlyRegularFilesAndNeverTakesAReadErrorForTheEnd)
    {
        TempFolder folder;
        folder.Write("five.jpg", "12345");
        ASSERT_TRUE(test::MakeFifo(folder.File("pipe.jpg"))); // opened plainly, it would hang
        EXPECT_EQ(OpenRegularFile(folder.File("missing.jpg")).error, ENOENT);
        for (const QString& other :
            { folder.File("pipe.jpg"), folder.Path(), QString("/dev/zero") }) {
            const OpenedFile file = OpenRegularFile(other);
            EXPECT_FALSE(file.Ok()) << qPrintable(other);
            EXPECT_EQ(file.error, 0) << qPrintable(other);
        }
        const OpenedFile five = OpenRegularFile(folder.File("five.jpg"));
        ASSERT_TRUE(five.Ok());
        QByteArray bytes = "x";
        EXPECT_EQ(ReadAt(five.fd.Get(), 3, 4, bytes), 0); // the file ends first
        EXPECT_EQ(bytes, "x45");
        const FileDescriptor notAFile(::open(QFile::encodeName(folder.Path()), O_RDONLY));
        EXPECT_EQ(ReadAt(notAFile.Get(), 0, 4, bytes), EISDIR);
        EXPECT_EQ(bytes, "x45");
        EXPECT_EQ(ReadAll(five.fd.Get(), 4, bytes), EFBIG);
        EXPECT_EQ(ReadAll(five.fd.Get(), 5, bytes), 0);
        EXPECT_EQ(bytes, "12345");
    }

    // The permissions of what is replaced stay; a link is followed; a failed replacement (a folder
    // in the way) leaves nothing behind.
    TEST(CarefulFile, ReplacesWholeKeepingPermissionsThroughLinks)
    {
        TempFolder folder;
        folder.Write("settings.ini", "old");
        ASSERT_EQ(::chmod(QFile::encodeName(folder.File("settings.ini")), 0640), 0);
        ASSERT_TRUE(QFile::link(folder.File("settings.ini"), folder.File("link.ini")));
        ASSERT_TRUE(QDir(folder.Path()).mkdir("album"));
        EXPECT_EQ(ReplaceAtomically(folder.File("link.ini"), "new", Durability::UserData), 0);
        EXPECT_EQ(ReplaceAtomically(folder.File("album"), "new", Durability::Cache), EISDIR);
        EXPECT_EQ(folder.Read("settings.ini"), "new");
        EXPECT_EQ(test::LinkMode(folder.File("settings.ini")), S_IFREG | 0640);
        EXPECT_TRUE(S_ISLNK(test::LinkMode(folder.File("link.ini"))));
        EXPECT_EQ(
            test::Entries(folder.Path()), QStringList({ "album", "link.ini", "settings.ini" }));
    }

} // namespace
} // namespace gb::platform

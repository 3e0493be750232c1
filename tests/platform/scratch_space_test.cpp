#include "platform/linux_scratch_space.h"
#include "support/temp_folder.h"

#include <QDir>
#include <gtest/gtest.h>

namespace gb::test {
namespace {

    TEST(ScratchSpace, KeepsBytesByOffsetInAFileNoFolderShows)
    {
        const TempFolder folder;
        int error = -1;
        const auto file = platform::LinuxScratchSpace(folder.Path()).Create(error);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(error, 0);
        EXPECT_TRUE(
            QDir(folder.Path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
        ASSERT_EQ(file->WriteAt(4096, "later"), 0);
        ASSERT_EQ(file->WriteAt(0, "first"), 0);
        QByteArray read = "kept:";
        EXPECT_EQ(file->ReadAt(4096, 5, read), 0);
        EXPECT_EQ(read, "kept:later");
        EXPECT_EQ(file->ReadAt(4099, 5, read), EIO); // the file ends before
        EXPECT_EQ(read, "kept:later");
    }

    TEST(ScratchSpace, AFolderThatIsNotThereGivesNoFileAndSaysWhy)
    {
        int error = 0;
        EXPECT_EQ(platform::LinuxScratchSpace("/nonexistent/glimmerbox").Create(error), nullptr);
        EXPECT_EQ(error, ENOENT);
    }

} // namespace
} // namespace gb::test

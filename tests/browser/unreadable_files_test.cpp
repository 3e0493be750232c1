// What the status bar says of a load's files that are there but could not be read.
#include "browser/unreadable_files.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace gb::browser {
namespace {

    TEST(UnreadableFiles, CountsTheFilesAndNamesEachReasonOnce)
    {
        UnreadableFiles files;
        EXPECT_EQ(files.Text(), "");
        files.Add(EIO);
        EXPECT_EQ(files.Text(), "1 picture could not be read: Input/output error");
        files.Add(EACCES);
        files.Add(EIO);
        files.Add(0);
        EXPECT_EQ(files.Text(),
            "4 pictures could not be read: changed while it was read, Input/output error, "
            "Permission denied");
    }

} // namespace
} // namespace gb::browser

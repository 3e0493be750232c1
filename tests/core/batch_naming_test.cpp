#include "core/batch_naming.h"

#include <gtest/gtest.h>

namespace gb::core {
namespace {

    TEST(BatchNaming, ExtensionsAndSplitsLookOnlyAtTheName)
    {
        EXPECT_EQ(GetExtensionName("/p/IMG_0012.JPG"), "JPG");
        EXPECT_EQ(GetExtensionName("/p/archive.tar.gz"), "gz");
        EXPECT_EQ(GetExtensionName("/p.d/noext"), "");
        EXPECT_EQ(GetExtensionName("/p/trailing."), "");
        const SplitPath split = SplitAtLastSeparator("/a/b/c.jpg");
        EXPECT_EQ(split.folder, "/a/b/");
        EXPECT_EQ(split.name, "c.jpg");
        EXPECT_EQ(SplitAtLastSeparator("plain").folder, "");
    }

    TEST(BatchNaming, CounterDropsLeadingZerosAfterTheFirstFile)
    {
        EXPECT_EQ(NextBatchCounter("007"), "8");
        EXPECT_EQ(NextBatchCounter("09"), "10");
        EXPECT_EQ(NextBatchCounter("99999"), "100000");
        EXPECT_TRUE(IsBatchNumber("007"));
        EXPECT_FALSE(IsBatchNumber(""));
        EXPECT_FALSE(IsBatchNumber("1a"));
        EXPECT_FALSE(IsBatchNumber("-1"));
    }

    TEST(BatchNaming, TargetKeepsTheNameAsTypedAndTheSourcesExtension)
    {
        EXPECT_EQ(BatchTarget("/album", "Party", "7", "JPG"), "/album/Party7.JPG");
        EXPECT_EQ(BatchTarget("/album/", " Party ", "007", "gif"), "/album/ Party 007.gif");
        EXPECT_EQ(BatchTarget("/album", "Party", "1", ""), "/album/Party1.");
    }

} // namespace
} // namespace gb::core

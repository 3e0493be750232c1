#include "core/batch_naming.h"
#include "core/files_dictionary.h"

#include <gtest/gtest.h>

namespace gb::core {
namespace {

    TEST(BatchNaming, ExtensionsAndSplitsLookOnlyAtTheName)
    {
        const std::pair<const char*, const char*> extensions[]
            = { { "/p/IMG_0012.JPG", "JPG" }, { "/p/archive.tar.gz", "gz" }, { "/p.d/noext", "" },
                  { "/p/trailing.", "" }, { "/p/.hidden", "hidden" }, { "plain.txt", "txt" } };
        for (const auto& [path, extension] : extensions)
            EXPECT_EQ(GetExtensionName(path), extension) << path;
        const std::tuple<const char*, const char*, const char*> splits[]
            = { { "/a/b/c.jpg", "/a/b/", "c.jpg" }, { "/c.jpg", "/", "c.jpg" }, { "c", "", "c" } };
        for (const auto& [path, folder, name] : splits) {
            EXPECT_EQ(SplitAtLastSeparator(path).folder, folder) << path;
            EXPECT_EQ(SplitAtLastSeparator(path).name, name) << path;
        }
    }

    TEST(BatchNaming, OnlyDigitsStartACounterThatDropsItsLeadingZeros)
    {
        for (const char* number : { "0", "09", "007", "1234567890" })
            EXPECT_TRUE(IsBatchNumber(number)) << number;
        for (const char* text : { "", "1a", "-1", "/", ":", "1 " })
            EXPECT_FALSE(IsBatchNumber(text)) << text;

        QString counter = "0098"; // each taken number moves the counter one on
        for (const char* next : { "99", "100", "101" })
            EXPECT_EQ(counter = NextBatchCounter(counter), next);
        EXPECT_EQ(NextBatchCounter("18446744073709551614"), "18446744073709551615");
        EXPECT_EQ(BatchTarget("/album", "Party", "7", "JPG"), "/album/Party7.JPG");
        EXPECT_EQ(BatchTarget("/album/", " Party ", "007", "gif"), "/album/ Party 007.gif");
        EXPECT_EQ(BatchTarget("/", "x", "1", ""), "/x1.");
    }

    TEST(FilesDictionary, KeepsOrderAndPairsKeysWithItemsThroughRenamesAndRemovals)
    {
        Files files;
        for (const char* key : { "one.jpg", "Two.jpg", "three.jpg", "four.jpg" })
            files.SetItem(key, QString("/") + key[0] + "/");
        files.SetItem("Two.jpg", "/r/"); // a known key keeps its place
        EXPECT_EQ(files.Item("two.jpg"), std::nullopt); // keys are case-sensitive
        EXPECT_FALSE(files.Exists("two.jpg"));

        EXPECT_FALSE(files.RenameKey("one.jpg", "three.jpg")); // taken: nothing changes
        EXPECT_FALSE(files.RenameKey("missing.jpg", "x.jpg"));
        EXPECT_TRUE(files.RenameKey("four.jpg", "four.jpg"));
        EXPECT_TRUE(files.RenameKey("Two.jpg", "Holiday1.jpg"));
        EXPECT_FALSE(files.Exists("Two.jpg"));
        EXPECT_EQ(
            files.Keys(), QStringList({ "one.jpg", "Holiday1.jpg", "three.jpg", "four.jpg" }));
        EXPECT_EQ(files.Items(), QStringList({ "/o/", "/r/", "/t/", "/f/" }));

        files.Remove("missing.jpg");
        files.Remove("one.jpg"); // the entries after it move up and are still found
        EXPECT_EQ(files.Keys(), QStringList({ "Holiday1.jpg", "three.jpg", "four.jpg" }));
        EXPECT_EQ(files.Item("four.jpg"), "/f/");
        EXPECT_TRUE(files.RenameKey("three.jpg", "one.jpg"));
        EXPECT_EQ(files.Item("one.jpg"), "/t/");
        files.RemoveAll();
        EXPECT_EQ(files.Count(), 0);
        EXPECT_FALSE(files.Exists("four.jpg"));
    }

} // namespace
} // namespace gb::core

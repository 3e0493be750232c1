#include "core/files_dictionary.h"

#include <gtest/gtest.h>

namespace gb::core {
namespace {

    TEST(FilesDictionary, KeepsInsertionOrderAndPairsKeysWithItems)
    {
        Files files;
        files.SetItem("b.jpg", "/p/");
        files.SetItem("A.jpg", "/p/");
        files.SetItem("c.jpg", "/q/");
        files.SetItem("b.jpg", "/r/"); // an existing key keeps its place
        EXPECT_EQ(files.Count(), 3);
        EXPECT_EQ(files.Keys(), QStringList({ "b.jpg", "A.jpg", "c.jpg" }));
        EXPECT_EQ(files.Items(), QStringList({ "/r/", "/p/", "/q/" }));
        EXPECT_EQ(files.Item("c.jpg"), "/q/");
        EXPECT_EQ(files.Item("C.jpg"), std::nullopt); // keys are case-sensitive
        EXPECT_TRUE(files.Exists("A.jpg"));
        EXPECT_FALSE(files.Exists("a.jpg"));
    }

    TEST(FilesDictionary, RenameKeyInPlaceFailsOnATakenName)
    {
        Files files;
        files.SetItem("one.jpg", "/a/");
        files.SetItem("two.jpg", "/a/");
        files.SetItem("three.jpg", "/a/");
        EXPECT_TRUE(files.RenameKey("two.jpg", "Holiday1.jpg"));
        EXPECT_EQ(files.Keys(), QStringList({ "one.jpg", "Holiday1.jpg", "three.jpg" }));
        EXPECT_EQ(files.Item("Holiday1.jpg"), "/a/");
        EXPECT_FALSE(files.Exists("two.jpg"));
        EXPECT_FALSE(files.RenameKey("one.jpg", "three.jpg"));
        EXPECT_FALSE(files.RenameKey("missing.jpg", "x.jpg"));
        EXPECT_TRUE(files.RenameKey("one.jpg", "one.jpg"));
        EXPECT_EQ(files.Keys(), QStringList({ "one.jpg", "Holiday1.jpg", "three.jpg" }));
        // The renamed entry is still found after a removal shifts positions.
        files.Remove("one.jpg");
        EXPECT_EQ(files.Item("three.jpg"), "/a/");
        EXPECT_EQ(files.Keys(), QStringList({ "Holiday1.jpg", "three.jpg" }));
        files.RemoveAll();
        EXPECT_EQ(files.Count(), 0);
    }

} // namespace
} // namespace gb::core

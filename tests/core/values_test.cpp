#include "core/batch_naming.h"
#include "core/files_dictionary.h"
#include "core/load_text.h"
#include "core/rounding.h"
#include "core/window_position.h"

#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <optional>
#include <tuple>

namespace gb::core {
namespace {

    constexpr int kMax = 2147483647;
    constexpr int kMin = -kMax - 1;

    TEST(Rounding, HalvesGoToTheEvenNeighbourHugeValuesAreClampedAndPrefixesAreRead)
    {
        const std::pair<double, int> rows[] = { { 0.5, 0 }, { 1.5, 2 }, { 2.5, 2 }, { 3.5, 4 },
            { -2.5, -2 }, { -1.5, -2 }, { 2.4999999, 2 }, { 2.5000001, 3 }, { -0.2, 0 },
            { 2147483646.5, 2147483646 }, { 1e20, kMax }, { -1e20, kMin }, { NAN, 0 } };
        for (const auto& [value, rounded] : rows) {
            if (std::abs(value) < 1e10) { // NaN and the huge ones stay as they are
                EXPECT_EQ(RoundHalfEven(value), rounded) << value;
            }
            EXPECT_EQ(ToInt32HalfEven(value), rounded) << value;
        }
        const std::pair<const char*, double> prefixes[] = { { " 120abc", 120 }, { "-3.5e2,", -350 },
            { "+7", 7 }, { "2.5E3x", 2500 }, { "1e+2", 100 }, { "1e-1", 0.1 }, { ".5", 0.5 },
            { "5.", 5 }, { "99", 99 }, { "12e", 12 }, { "12e+", 12 }, { "abc", 0 }, { ".", 0 },
            { "-", 0 }, { "", 0 }, { "1e999", 0 } };
        for (const auto& [text, value] : prefixes)
            EXPECT_EQ(NumericPrefix(text), value) << text;
    }

    TEST(LoadText, ProgressRoundsHalvesToEven)
    {
        const std::array<int, 3> rows[] = { { 0, 8, 12 }, { 2, 8, 38 }, { 0, 3, 33 }, { 1, 3, 67 },
            { 7, 8, 100 }, { 0, 0, 0 } };
        for (const auto& [index, total, percent] : rows)
            EXPECT_EQ(ProgressPercent(index, total), percent) << index << " of " << total;
    }

    TEST(WindowPosition, ReadsUpToFourCommaBlankEntriesOverTheCurrentPlacementAndBooleans)
    {
        using P = WindowPlacement;
        const P designed { 1000, 2000, 9000, 5070 };
        const std::pair<const char*, P> rows[] = { { "120, 90, 900, 660", { 120, 90, 900, 660 } },
            { "", designed }, { "100, 200", { 100, 200, 9000, 5070 } },
            { ", , , 7", { 1000, 2000, 9000, 7 } }, { "1, 2, 3, 4, 5, 6", { 1, 2, 3, 4 } },
            { "100,20", { 100, 2000, 9000, 5070 } }, // no blank: a single entry
            { "abc, 7px, , 2.5", { 0, 7, 9000, 2 } },
            { "-120, -90.5, 3.5, 4.5", { -120, -90, 4, 4 } },
            { "3.5, 99999999999, -1e99, nan", { 4, kMax, kMin, 0 } } };
        for (const auto& [stored, placement] : rows)
            EXPECT_EQ(ParseWindowPosition(stored, designed), placement) << stored;
        EXPECT_EQ(FormatWindowPosition({ -120, 90, 900, 660 }), "-120, 90, 900, 660");
        const std::pair<const char*, std::optional<bool>> booleans[]
            = { { "True", true }, { " false ", false }, { "TRUE", true }, { "-1", true },
                  { "0", false }, { "0.0", false }, { "0.5", true }, { "yes", std::nullopt },
                  { "", std::nullopt }, { "nan", std::nullopt }, { "inf", std::nullopt } };
        for (const auto& [text, value] : booleans)
            EXPECT_EQ(ParseBoolean(text), value) << text;
    }

    // A stored placement opens where a person can reach its title bar (with its close box) and
    // some of the window; one left within reach opens as it was, partly off-screen or not.
    TEST(WindowPosition, KeepReachableMovesOnlyWhatIsOutOfReach)
    {
        const QList<QRect> one { { 0, 0, 1280, 800 } }, mirrored { one[0], one[0] };
        const QList<QRect> two { one[0], { 1280, 100, 1920, 1080 } };
        const std::tuple<const char*, QList<QRect>, QRect, QPoint> rows[] = { // moved to, if moved
            { "whole title bar", one, { 680, 50, 600, 363 }, {} },
            { "title bar a column off the right", one, { 681, 50, 600, 363 }, { 680, 50 } },
            { "title bar a column off the left", one, { -1, 50, 600, 363 }, { 0, 50 } },
            { "100 px below the title", one, { 100, 700, 600, 363 }, {} },
            { "99 px below the title", one, { 100, 701, 600, 363 }, { 100, 437 } },
            { "title bar above", one, { 100, -1, 600, 363 }, { 100, 0 } },
            { "far off", one, { -9000, 9000, 600, 363 }, { 0, 437 } },
            { "mirrored screens count once", mirrored, { 681, 0, 600, 363 }, { 680, 0 } },
            { "as wide as the screen", one, { -50, 10, 1280, 700 }, { 0, 10 } },
            { "across two screens", two, { 1000, 150, 600, 363 }, {} },
            { "wider than one screen", two, { 0, 150, 2000, 363 }, {} },
            { "last column on the next screen", two, { 1181, 150, 100, 363 }, {} },
            { "above the second screen", two, { 1500, 50, 600, 363 }, { 1500, 100 } },
            { "below the first screen", two, { 100, 900, 600, 363 }, { 100, 437 } },
            { "no screens", {}, { -9000, 9000, 600, 363 }, {} }
        };
        for (const auto& [what, screens, outer, movedTo] : rows)
            EXPECT_EQ(KeepReachable(outer, screens),
                movedTo.isNull() ? outer : QRect(movedTo, outer.size()))
                << what;
        EXPECT_EQ(KeepReachable({ -50, 0, 1300, 900 }, one), one[0]); // larger: shrunk to fit
    }

    TEST(BatchNaming, NamesCountersAndTargets)
    {
        const std::pair<const char*, const char*> extensions[]
            = { { "/p/IMG_0012.JPG", "JPG" }, { "/p/archive.tar.gz", "gz" }, { "/p.d/noext", "" },
                  { "/p/trailing.", "" }, { "/p/.hidden", "hidden" }, { "plain.txt", "txt" } };
        for (const auto& [path, extension] : extensions)
            EXPECT_EQ(GetExtensionName(path), extension) << path;
        for (const auto& [path, parts] :
            { std::pair { "/a/b/c.jpg", "/a/b/ c.jpg" }, { "/c.jpg", "/ c.jpg" }, { "c", " c" } }) {
            const SplitPath split = SplitAtLastSeparator(path);
            EXPECT_EQ(split.folder + " " + split.name, parts);
        }
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
        // A typed name may only name a file in the chosen folder, never the folder or another.
        const std::pair<QString, bool> names[] = { { "Party", true }, { ".hidden", true },
            { "...", true }, { "..x", true }, { " .. ", true }, { "a\\b", true }, { "", false },
            { ".", false }, { "..", false }, { "../esc", false }, { "a/b", false }, { "/", false },
            { "end/", false }, { QString("nul") + QChar(0) + "x", false } };
        for (const auto& [name, plain] : names)
            EXPECT_EQ(IsPlainFileName(name), plain) << name.toStdString();
    }

    // Access by position agrees with the lists and with access by key, entry for entry.
    void ExpectPositionsAgree(const Files& files, const QStringList& keys, const QStringList& items)
    {
        ASSERT_EQ(std::tuple(files.Count(), files.Keys(), files.Items()),
            std::tuple(keys.size(), keys, items));
        for (int i = 0; i < files.Count(); ++i) {
            EXPECT_EQ(std::tuple(files.Key(i), files.ItemAt(i), files.PathAt(i)),
                std::tuple(keys[i], items[i], items[i] + keys[i]));
            EXPECT_EQ(files.Item(keys[i]), items[i]);
        }
        EXPECT_EQ(files.PathAt(-1) + files.PathAt(files.Count()), QString());
    }

    TEST(FilesDictionary, KeepsOrderAndPairsKeysWithItemsThroughRenamesAndRemovals)
    {
        Files files; // appended entries are found by key as soon as one is looked up
        files.Append("one.jpg", "/o/");
        files.Append("Two.jpg", "/T/");
        EXPECT_TRUE(files.Exists("Two.jpg"));
        files.SetItem("three.jpg", "/t/");
        files.Append("four.jpg", "/f/");
        files.SetItem("Two.jpg", "/r/"); // a known key keeps its place
        EXPECT_EQ(files.Item("two.jpg"), std::nullopt); // keys are case-sensitive
        EXPECT_FALSE(files.RenameKey("one.jpg", "three.jpg")); // taken: nothing changes
        EXPECT_FALSE(files.RenameKey("missing.jpg", "x.jpg"));
        EXPECT_TRUE(files.RenameKey("four.jpg", "four.jpg"));
        EXPECT_TRUE(files.RenameKey("Two.jpg", "Party1.jpg"));
        ExpectPositionsAgree(files, { "one.jpg", "Party1.jpg", "three.jpg", "four.jpg" },
            { "/o/", "/r/", "/t/", "/f/" });
        files.Remove("missing.jpg");
        files.Remove("Party1.jpg"); // the entries after it move up and are still found
        ExpectPositionsAgree(
            files, { "one.jpg", "three.jpg", "four.jpg" }, { "/o/", "/t/", "/f/" });
        files.Remove("one.jpg");
        EXPECT_TRUE(files.RenameKey("three.jpg", "one.jpg"));
        files.Append("five.jpg", "/5/");
        ExpectPositionsAgree(files, { "one.jpg", "four.jpg", "five.jpg" }, { "/t/", "/f/", "/5/" });
        EXPECT_FALSE(files.Exists("three.jpg"));
        files.RemoveAll();
        files.Append("six.jpg", "/6/");
        ExpectPositionsAgree(files, { "six.jpg" }, { "/6/" });
        EXPECT_FALSE(files.Exists("four.jpg"));
    }

} // namespace
} // namespace gb::core

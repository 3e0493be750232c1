#include "core/caption_fit.h"
#include "core/grid_layout.h"
#include "core/load_text.h"
#include "core/rounding.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace gb::core {
namespace {

    TEST(Rounding, HalvesGoToTheEvenNeighbour)
    {
        EXPECT_EQ(RoundHalfEven(0.5), 0.0);
        EXPECT_EQ(RoundHalfEven(1.5), 2.0);
        EXPECT_EQ(RoundHalfEven(2.5), 2.0);
        EXPECT_EQ(RoundHalfEven(-2.5), -2.0);
        EXPECT_EQ(RoundHalfEven(2.5000001), 3.0);
        EXPECT_EQ(ToInt32HalfEven(1e20), 2147483647);
        EXPECT_EQ(ToInt32HalfEven(-1e20), -2147483647 - 1);
    }

    TEST(Rounding, NumericPrefixReadsTheLeadingNumber)
    {
        EXPECT_EQ(NumericPrefix(" 120abc"), 120.0);
        EXPECT_EQ(NumericPrefix("-3.5e2,"), -350.0);
        EXPECT_EQ(NumericPrefix("abc"), 0.0);
        EXPECT_EQ(NumericPrefix("."), 0.0);
        EXPECT_EQ(NumericPrefix("12e"), 12.0);
        EXPECT_EQ(NumericPrefix("1e999"), 0.0); // overflow is not a number we can use
    }

    TEST(LoadText, ProgressRoundsHalvesToEven)
    {
        EXPECT_EQ(ProgressPercent(0, 8), 12);
        EXPECT_EQ(ProgressPercent(2, 8), 38);
        EXPECT_EQ(ProgressPercent(0, 3), 33);
        EXPECT_EQ(ProgressPercent(1, 3), 67);
        EXPECT_EQ(ProgressPercent(2, 3), 100);
        EXPECT_EQ(ProgressPercent(0, 0), 0);
    }

    TEST(LoadText, CountUsesTheLocaleGrouping)
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        EXPECT_EQ(FileCountText(1234), "File(s): 1,234");
        EXPECT_EQ(FileCountText(0), "File(s): 0");
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        EXPECT_EQ(FileCountText(1234567), "File(s): 1.234.567");
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    // Every character is 7 pixels wide; "..." is 9.
    int FixedWidth(const QString& text)
    {
        return text == "..." ? 9 : 7 * static_cast<int>(text.size());
    }

    TEST(CaptionFit, ExactFitStaysWholeOneMoreIsCut)
    {
        // Cell 89 wide: room 74. 10 characters = 70 fit; 11 = 77 do not.
        EXPECT_EQ(FitCaption("abcdefghij", 89, FixedWidth), "abcdefghij");
        EXPECT_EQ(FitCaption("abcdefghijk", 89, FixedWidth), "abcdefghi...");
        // Room exactly 74 wide: a width-74 name stays whole.
        auto exact = [](const QString& t) { return t == "..." ? 9 : (t == "X" ? 74 : 75); };
        EXPECT_EQ(FitCaption("X", 89, exact), "X");
        EXPECT_EQ(FitCaption("Y", 89, exact), "...");
    }

    TEST(CaptionFit, NeverSplitsASurrogatePair)
    {
        const QString name = QString::fromUtf8("abcdefgh\xF0\x9F\x93\xB7zz.jpg"); // a camera emoji
        const QString fitted = FitCaption(name, 89, FixedWidth);
        ASSERT_TRUE(fitted.endsWith("..."));
        const QString kept = fitted.chopped(3);
        ASSERT_FALSE(kept.isEmpty());
        EXPECT_FALSE(kept.back().isHighSurrogate());
    }

    TEST(GridLayout, ColumnsRowsAndScrollRange)
    {
        const QSize cell(89, 97);
        // 600 wide viewport, 14 px scroll bar: floor(586 / 89) = 6 columns.
        GridLayout g = ComputeGridLayout({ 600, 300 }, 14, cell, 12);
        EXPECT_EQ(g.cols, 6);
        EXPECT_EQ(g.surface, QSize(534, 194)); // exact multiple: no extra row
        EXPECT_FALSE(g.scrollEnabled);
        EXPECT_EQ(g.scrollMax, 0);
        EXPECT_EQ(g.CellPosition(7), QPoint(89, 97));

        g = ComputeGridLayout({ 600, 300 }, 14, cell, 13);
        EXPECT_EQ(g.surface.height(), 3 * 97); // one more cell starts a whole row
        EXPECT_FALSE(g.scrollEnabled);

        g = ComputeGridLayout({ 600, 291 }, 14, cell, 13);
        EXPECT_TRUE(g.scrollEnabled); // exactly as high as the viewport
        EXPECT_EQ(g.scrollMax, 0);

        g = ComputeGridLayout({ 600, 300 }, 14, cell, 100);
        EXPECT_EQ(g.scrollMax, 17 * 97 - 300);
        EXPECT_EQ(g.smallChange, 97);
        EXPECT_EQ(g.largeChange, 300);
    }

    TEST(GridLayout, HugeFoldersKeepAFullScrollRange)
    {
        GridLayout g = ComputeGridLayout({ 600, 400 }, 14, { 89, 97 }, 100000);
        const int rows = (100000 + 5) / 6;
        EXPECT_EQ(g.scrollMax, rows * 97 - 400);
        EXPECT_GT(g.scrollMax, 32767);
        EXPECT_EQ(g.CellAt(QPoint(3 * 89 + 3, (rows - 1) * 97 + 5), 100000), 99999);
        EXPECT_EQ(g.CellAt(QPoint(4 * 89 + 3, (rows - 1) * 97 + 5), 100000), -1); // past the last
        EXPECT_EQ(g.CellAt(QPoint(6 * 89 + 3, 5), 100000), -1); // the strip beside the grid
    }

    TEST(GridLayout, NarrowViewportStillHasOneColumn)
    {
        const GridLayout g = ComputeGridLayout({ 50, 300 }, 14, { 89, 97 }, 3);
        EXPECT_EQ(g.cols, 1);
        EXPECT_EQ(g.surface.height(), 3 * 97);
    }

} // namespace
} // namespace gb::core

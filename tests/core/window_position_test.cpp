#include "core/window_position.h"

#include <gtest/gtest.h>

namespace gb::core {
namespace {

    using P = WindowPlacement;
    const P Designed { 1000, 2000, 9000, 5070 };

    TEST(WindowPosition, EntriesAreCommaBlankSeparatedNumericPrefixes)
    {
        EXPECT_EQ(ParseWindowPosition("120, 90, 900, 660", Designed), (P { 120, 90, 900, 660 }));
        EXPECT_EQ(ParseWindowPosition("", Designed), Designed);
        EXPECT_EQ(ParseWindowPosition("100, 200", Designed), (P { 100, 200, 9000, 5070 }));
        EXPECT_EQ(ParseWindowPosition("1, 2, 3, 4, 5, 6", Designed), (P { 1, 2, 3, 4 }));
        // Without the blank it is a single entry whose numeric prefix is 100.
        EXPECT_EQ(ParseWindowPosition("100,20", Designed), (P { 100, 2000, 9000, 5070 }));
        EXPECT_EQ(ParseWindowPosition("abc, 7px, , 2.5", Designed), (P { 0, 7, 9000, 2 }));
    }

    TEST(WindowPosition, HandEditedExtremesAreClampedNotOverflowed)
    {
        EXPECT_EQ(ParseWindowPosition("3.5, 99999999999, -1e99, nan", Designed),
            (P { 4, 2147483647, -2147483647 - 1, 0 }));
    }

    TEST(WindowPosition, FormatsAsItIsRead)
    {
        const P p { 120, 90, 900, 660 };
        EXPECT_EQ(FormatWindowPosition(p), "120, 90, 900, 660");
        EXPECT_EQ(ParseWindowPosition(FormatWindowPosition(p), Designed), p);
    }

    TEST(WindowPosition, BooleansAreTrueFalseOrNumbers)
    {
        EXPECT_EQ(ParseBoolean("True"), true);
        EXPECT_EQ(ParseBoolean(" false "), false);
        EXPECT_EQ(ParseBoolean("-1"), true);
        EXPECT_EQ(ParseBoolean("0"), false);
        EXPECT_EQ(ParseBoolean("yes"), std::nullopt);
        EXPECT_EQ(ParseBoolean(""), std::nullopt);
    }

} // namespace
} // namespace gb::core

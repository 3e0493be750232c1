#include "module1/settings.h"
#include "support/test_services.h"

#include <gtest/gtest.h>

namespace gb::test {
namespace {

    // The settings file is the data folder's "<program>.ini"; the classic profile calls read at
    // most 2047 characters, and an empty value deletes the key, an empty key the section.
    TEST(Module1, SettingsFollowTheClassicProfileCalls)
    {
        TempFolder data;
        EXPECT_EQ(TestServices(data.Path() + "/").module1.IniPath(), data.File("glimmerbox.ini"));
        EXPECT_EQ(TestServices("/").module1.IniPath(), "/glimmerbox.ini");
        EXPECT_EQ(TestServices(data.File("missing")).module1.WriteSetting("Main", "Key", "v"), 0);
        TestServices s(data.Path());
        EXPECT_EQ(s.module1.WriteSetting("Main", "Key", "v", data.File("other.ini")), 1);
        EXPECT_EQ(s.module1.ReadSetting("Main", "Key", "", data.File("other.ini")), "v");
        EXPECT_EQ(s.module1.ReadSetting("Main", "Key", "none"), "none");
        s.module1.WriteSetting("Main", "Last Path", "/a");
        s.module1.WriteSetting("Main", "Long", QString(3000, 'x'));
        s.module1.WriteSetting("Other", "Keep", "yes");
        EXPECT_EQ(s.module1.ReadSetting("Main", "Long", ""), QString(2047, 'x'));
        EXPECT_EQ(s.module1.WriteSetting("Main", "Last Path", ""), 1);
        EXPECT_EQ(s.module1.ReadSetting("Main", "Last Path", "gone"), "gone");
        EXPECT_EQ(s.module1.WriteSetting("Main", "", "ignored"), 1);
        EXPECT_EQ(data.Read("glimmerbox.ini"), "[Other]\nKeep=yes\n");
    }

    // Every yes/no setting goes through the one parser: a number is yes when not zero (the
    // classic runtime stores -1), anything it cannot read is the key's own default.
    TEST(Settings, YesNoSettingsReadTheOneWayWithTheirOwnDefaults)
    {
        struct Row {
            const char* stored; // nullptr: the key is missing
            bool embedded; // "Use Embedded Thumbnails", yes by default
            bool everyType; // "Every Picture Type", no by default
        };
        const Row rows[] = { { "-1", true, true }, { "0", false, false }, { "True", true, true },
            { "false", false, false }, { "yes", true, false }, { nullptr, true, false } };
        for (const Row& row : rows) {
            TestServices s;
            if (row.stored) {
                s.SetSetting("Use Embedded Thumbnails", row.stored);
                s.SetSetting("Every Picture Type", row.stored);
            }
            app::Settings settings(s.module1);
            EXPECT_EQ(settings.UseEmbeddedThumbnails(), row.embedded) << row.stored;
            EXPECT_EQ(settings.EveryPictureType(), row.everyType) << row.stored;
            EXPECT_EQ(s.module1.EveryPictureType(), row.everyType) << row.stored;
        }
    }

    // The options that take a value read anything they do not know as their default, so a
    // person who never chose sees the program as it always was.
    TEST(Settings, OptionValuesOutsideTheirChoicesReadAsTheDefault)
    {
        struct Row {
            const char* stored; // nullptr: the key is missing
            int thumbnailSize;
            int slideSeconds;
            app::Settings::SortOrder order;
        };
        using Order = app::Settings::SortOrder;
        const Row rows[] = {
            { nullptr, 64, 2, Order::Name },
            { "128", 128, 60, Order::Name },
            { "100", 64, 60, Order::Name },
            { "0", 64, 1, Order::Name },
            { " date taken ", 64, 2, Order::DateTaken },
        };
        for (const Row& row : rows) {
            TestServices s;
            if (row.stored) {
                for (const char* key : { "Thumbnail Size", "Slide Seconds", "Sort Order" })
                    s.SetSetting(key, row.stored);
            }
            app::Settings settings(s.module1);
            EXPECT_EQ(settings.ThumbnailSize(), row.thumbnailSize) << row.stored;
            EXPECT_EQ(settings.SlideSeconds(), row.slideSeconds) << row.stored;
            EXPECT_EQ(settings.CellSortOrder(), row.order) << row.stored;
        }
    }

    // Leaving the window where no place was worth keeping keeps the stored one.
    TEST(Settings, PlacementWithoutAPositionKeepsTheStoredOne)
    {
        TestServices s;
        app::Settings settings(s.module1);
        EXPECT_TRUE(settings.SetPlacement({ "120, 90, 900, 660", false }));
        EXPECT_TRUE(settings.SetPlacement({ QString(), true }));
        EXPECT_EQ(settings.Placement().windowPosition, "120, 90, 900, 660");
        EXPECT_TRUE(settings.Placement().maximized);
        EXPECT_EQ(s.Setting("Maximized"), "True");
    }

} // namespace
} // namespace gb::test

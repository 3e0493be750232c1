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

} // namespace
} // namespace gb::test

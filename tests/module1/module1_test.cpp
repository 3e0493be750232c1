#include "support/test_services.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace gb::test {
namespace {

    using Module1Fixture = TestServices;

    TEST(Module1Settings, IniPathIsTheDataFolderAndExecutableName)
    {
        TempFolder data;
        Module1Fixture f(data.Path());
        EXPECT_EQ(f.module1.IniPath(), data.Path() + "/glimmerbox.ini");
        Module1Fixture root("/");
        EXPECT_EQ(root.module1.IniPath(), "/glimmerbox.ini");
    }

    TEST(Module1Settings, DefaultsUntilWrittenThenValuesRoundTrip)
    {
        TempFolder data;
        Module1Fixture f(data.Path());
        EXPECT_EQ(f.module1.ReadSetting("Main", "Last Path", "fallback"), "fallback");
        EXPECT_FALSE(QFile::exists(f.module1.IniPath()));
        EXPECT_NE(f.module1.WriteSetting("Main", "Last Path", "/photos/2024"), 0);
        EXPECT_EQ(f.module1.ReadSetting("Main", "Last Path", ""), "/photos/2024");
        EXPECT_EQ(f.module1.ReadSetting("Main", "Other", "d"), "d");
        EXPECT_EQ(f.module1.ReadSetting("Elsewhere", "Last Path", "d"), "d");
        const QString text = QString::fromUtf8(data.Read("glimmerbox.ini"));
        EXPECT_TRUE(text.startsWith("[Main]\n"));
        EXPECT_TRUE(text.contains("Last Path=/photos/2024"));
    }

    TEST(Module1Settings, EmptyValueDeletesTheKeyEmptyKeyTheSection)
    {
        TempFolder data;
        Module1Fixture f(data.Path());
        f.module1.WriteSetting("Main", "Last Path", "/a");
        f.module1.WriteSetting("Main", "Maximized", "True");
        f.module1.WriteSetting("Other", "Keep", "yes");
        f.module1.WriteSetting("Main", "Last Path", "");
        EXPECT_EQ(f.module1.ReadSetting("Main", "Last Path", "gone"), "gone");
        EXPECT_EQ(f.module1.ReadSetting("Main", "Maximized", ""), "True");
        f.module1.WriteSetting("Main", "", "");
        EXPECT_EQ(f.module1.ReadSetting("Main", "Maximized", "gone"), "gone");
        EXPECT_EQ(f.module1.ReadSetting("Other", "Keep", ""), "yes");
        EXPECT_FALSE(QString::fromUtf8(data.Read("glimmerbox.ini")).contains("[Main]"));
    }

    TEST(Module1Settings, ReadsAreCutAt2047Characters)
    {
        TempFolder data;
        Module1Fixture f(data.Path());
        const QString longValue(3000, QChar('x'));
        f.module1.WriteSetting("Main", "Long", longValue);
        EXPECT_EQ(f.module1.ReadSetting("Main", "Long", ""), longValue.left(2047));
    }

    TEST(Module1Settings, NamedFileIsUsedInsteadOfTheSettingsFile)
    {
        TempFolder data;
        Module1Fixture f(data.Path());
        const QString other = data.File("other.ini");
        f.module1.WriteSetting("Main", "Key", "v", other);
        EXPECT_EQ(f.module1.ReadSetting("Main", "Key", "", other), "v");
        EXPECT_EQ(f.module1.ReadSetting("Main", "Key", "none"), "none");
    }

    TEST(Module1Settings, FailedWriteReportsZero)
    {
        TempFolder data;
        Module1Fixture f(data.File("missing/folder"));
        EXPECT_EQ(f.module1.WriteSetting("Main", "Key", "v"), 0);
    }

    TEST(Module1Folder, PickerIsAskedWithTitleAndInitialFolder)
    {
        TempFolder data;
        Module1Fixture f(data.Path());
        f.dialogs.folderAnswers.push_back("/chosen");
        EXPECT_EQ(f.module1.BrowseForFolder(nullptr, "Pick", "/start"), "/chosen");
        EXPECT_EQ(f.module1.BrowseForFolder(nullptr, "Again", ""), "");
        ASSERT_EQ(f.dialogs.folderRequests.size(), 2u);
        EXPECT_EQ(f.dialogs.folderRequests[0].title, "Pick");
        EXPECT_EQ(f.dialogs.folderRequests[0].initialFolder, "/start");
    }

    TEST(Module1Shell, OpenDocumentHandsTheNameToTheDesktop)
    {
        TempFolder data;
        Module1Fixture f(data.Path());
        f.shell.accept = false; // a refusal is not reported
        f.module1.OpenDocument(nullptr, "/photos/a b.jpg");
        EXPECT_EQ(f.shell.opened, QStringList({ "/photos/a b.jpg" }));
        EXPECT_TRUE(f.dialogs.messages.empty());
    }

} // namespace
} // namespace gb::test

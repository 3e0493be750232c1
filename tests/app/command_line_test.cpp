#include "app/command_line.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace gb::app {
namespace {

    TEST(CommandLine, FolderContactSheetAndScreenshot)
    {
        EXPECT_EQ(ParseCommandLine({}).folder, "");
        EXPECT_EQ(ParseCommandLine({ "/photos" }).folder, "/photos");

        const CommandLine sheet
            = ParseCommandLine({ "--contact-sheet", "out.png", "--columns", "5", "/photos" });
        EXPECT_TRUE(sheet.error.isEmpty());
        EXPECT_EQ(sheet.contactSheet, "out.png");
        EXPECT_EQ(sheet.columns, 5);
        EXPECT_EQ(sheet.folder, "/photos");
        EXPECT_EQ(ParseCommandLine({ "--contact-sheet", "o.png", "/p" }).columns, 8);

        const CommandLine shot = ParseCommandLine({ "--screenshot", "w.png", "/photos" });
        EXPECT_EQ(shot.screenshot, "w.png");
        EXPECT_EQ(shot.folder, "/photos");
        EXPECT_EQ(ParseCommandLine({ "--", "--odd-folder-name" }).folder, "--odd-folder-name");
    }

    TEST(CommandLine, MistakesAreReportedNotGuessed)
    {
        EXPECT_FALSE(ParseCommandLine({ "--contact-sheet", "out.png" }).error.isEmpty());
        EXPECT_FALSE(ParseCommandLine({ "--contact-sheet" }).error.isEmpty());
        EXPECT_FALSE(
            ParseCommandLine({ "--columns", "0", "--contact-sheet", "o", "/p" }).error.isEmpty());
        EXPECT_FALSE(
            ParseCommandLine({ "--columns", "x", "--contact-sheet", "o", "/p" }).error.isEmpty());
        EXPECT_FALSE(ParseCommandLine({ "--frobnicate" }).error.isEmpty());
        EXPECT_FALSE(ParseCommandLine({ "/a", "/b" }).error.isEmpty());
        EXPECT_TRUE(ParseCommandLine({ "--help" }).showHelp);
    }

    TEST(CommandLine, APictureArgumentOpensItsFolder)
    {
        QTemporaryDir dir;
        QFile picture(dir.filePath("a.jpg"));
        ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
        picture.close();
        EXPECT_EQ(FolderToOpen(dir.filePath("a.jpg")), QDir(dir.path()).absolutePath());
        EXPECT_EQ(FolderToOpen(dir.path()), QDir(dir.path()).absolutePath());
        EXPECT_TRUE(QFileInfo(FolderToOpen("relative/folder")).isAbsolute());
    }

} // namespace
} // namespace gb::app

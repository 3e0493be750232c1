#include "platform/linux_app_info.h"
#include "support/temp_folder.h"

#include <QUrl>
#include <gtest/gtest.h>

// Where the installed program keeps its settings and finds its help pages.
namespace gb::test {
namespace {

    using platform::LinuxAppInfo;

    // Installed into the system's folders the program keeps nothing beside itself, even when
    // root, who could write there, runs it.
    TEST(ProgramFiles, SettingsBesideAWritableExecutableElseInTheConfigFolderAndHelpPages)
    {
        TempFolder exe, config;
        EXPECT_EQ(LinuxAppInfo::ChooseDataDirectory(exe.Path() + "/./", config.Path()), exe.Path());
        for (const QString& dir : QStringList {
                 exe.File("no/such/dir"), "/usr/bin", "/usr/local/bin/", "/bin", "/sbin", "" })
            EXPECT_EQ(
                LinuxAppInfo::ChooseDataDirectory(dir, config.Path()), config.File("glimmerbox"))
                << qPrintable(dir);
        EXPECT_TRUE(QFileInfo(config.File("glimmerbox")).isDir());
        EXPECT_EQ(LinuxAppInfo::ChooseHelpSite("https://example.org/", {}), "https://example.org");
        EXPECT_EQ(LinuxAppInfo::ChooseHelpSite("https://example.org", {}), "https://example.org");
        TempFolder installed, source;
        const QStringList candidates { installed.Path(), source.Path() + "/." };
        EXPECT_EQ(LinuxAppInfo::ChooseHelpSite("", candidates),
            QUrl::fromLocalFile(installed.Path()).toString());
        ASSERT_TRUE(QDir(source.Path()).mkpath("GBHelp"));
        source.Write("GBHelp/toc.htm", "<html></html>");
        EXPECT_EQ(LinuxAppInfo::ChooseHelpSite("", candidates),
            QUrl::fromLocalFile(source.Path()).toString());
    }

} // namespace
} // namespace gb::test

#include "platform/linux_app_info.h"
#include "support/temp_folder.h"

#include <QProcess>
#include <QUrl>
#include <gtest/gtest.h>

// Where the installed program keeps its settings and finds its help pages.
namespace gb::test {
namespace {

    using platform::LinuxAppInfo;

    // Installed into the system's folders the program keeps nothing beside itself, even for
    // root, who could write there.
    TEST(DataDirectory, TheExecutablesFolderWhenWritableElseTheConfigFolder)
    {
        TempFolder exe, config;
        const QString own = config.File("glimmerbox");
        EXPECT_EQ(LinuxAppInfo::ChooseDataDirectory(exe.Path() + "/./", config.Path()), exe.Path());
        for (const QString& dir : { exe.File("no/such/dir"), QString("/usr/bin"),
                 QString("/usr/local/bin/"), QString("/bin"), QString("/sbin"), QString() })
            EXPECT_EQ(LinuxAppInfo::ChooseDataDirectory(dir, config.Path()), own)
                << qPrintable(dir);
        EXPECT_TRUE(QFileInfo(own).isDir());
    }

    TEST(HelpSite, TheConfiguredSiteElseTheFirstFolderHoldingThePages)
    {
        EXPECT_EQ(LinuxAppInfo::ChooseHelpSite("https://example.org/", {}), "https://example.org");
        EXPECT_EQ(LinuxAppInfo::ChooseHelpSite("https://example.org", {}), "https://example.org");
        TempFolder installed, source, empty;
        const QStringList candidates { installed.Path(), source.Path() + "/.", empty.Path() };
        EXPECT_EQ(LinuxAppInfo::ChooseHelpSite("", candidates),
            QUrl::fromLocalFile(installed.Path()).toString());
        ASSERT_TRUE(QDir(source.Path()).mkpath("GBHelp"));
        source.Write("GBHelp/toc.htm", "<html></html>");
        EXPECT_EQ(LinuxAppInfo::ChooseHelpSite("", candidates),
            QUrl::fromLocalFile(source.Path()).toString());
    }

    TEST(HelpSite, TheInstalledProgramFindsItsPages)
    {
        TempFolder prefix;
        QProcess install;
        install.start("cmake", { "--install", GLIMMERBOX_BUILD_DIR, "--prefix", prefix.Path() });
        ASSERT_TRUE(install.waitForFinished(60000));
        ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();
        EXPECT_TRUE(QFileInfo(prefix.File("share/glimmerbox/GBHelp/toc.htm")).isFile());
        EXPECT_TRUE(QFileInfo(prefix.File("bin/glimmerbox")).isExecutable());
    }

} // namespace
} // namespace gb::test

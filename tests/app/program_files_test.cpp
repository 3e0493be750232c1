#include "platform/linux_app_info.h"
#include "support/temp_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>
#include <gtest/gtest.h>
#include <unistd.h>

// Where the installed program keeps its settings and finds its help pages.
namespace gb::test {
namespace {

    TEST(DataDirectory, ExecutableFolderWhenWritableElseConfigFolder)
    {
        TempFolder exe;
        TempFolder config;
        EXPECT_EQ(
            platform::LinuxAppInfo::ChooseDataDirectory(exe.Path(), config.Path()), exe.Path());
        const QString fallback
            = platform::LinuxAppInfo::ChooseDataDirectory(exe.File("no/such/dir"), config.Path());
        EXPECT_EQ(fallback, config.Path() + "/glimmerbox");
        EXPECT_TRUE(QFileInfo(fallback).isDir());
        // Installed into the system: never beside the executable, even for root.
        EXPECT_EQ(platform::LinuxAppInfo::ChooseDataDirectory("/usr/bin", config.Path()), fallback);
        EXPECT_EQ(platform::LinuxAppInfo::ChooseDataDirectory("/usr/local/bin/", config.Path()),
            fallback);
        if (::geteuid() != 0) {
            QFile::setPermissions(exe.Path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            EXPECT_EQ(
                platform::LinuxAppInfo::ChooseDataDirectory(exe.Path(), config.Path()), fallback);
            QFile::setPermissions(exe.Path(),
                QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        }
    }

    TEST(HelpSite, ConfiguredSiteElseTheFirstFolderHoldingThePages)
    {
        EXPECT_EQ(platform::LinuxAppInfo::ChooseHelpSite("https://example.org/", {}),
            "https://example.org");
        TempFolder installed;
        TempFolder source;
        QDir(source.Path()).mkpath("GBHelp");
        source.Write("GBHelp/toc.htm", "<html></html>");
        EXPECT_EQ(platform::LinuxAppInfo::ChooseHelpSite("", { installed.Path(), source.Path() }),
            QUrl::fromLocalFile(source.Path()).toString());
        QDir(installed.Path()).mkpath("GBHelp");
        installed.Write("GBHelp/toc.htm", "<html></html>");
        EXPECT_EQ(platform::LinuxAppInfo::ChooseHelpSite("", { installed.Path(), source.Path() }),
            QUrl::fromLocalFile(installed.Path()).toString());
    }

    TEST(HelpSite, InstalledProgramFindsItsPages)
    {
        TempFolder prefix;
        QProcess install;
        install.start("cmake",
            { "--install", QStringLiteral(GLIMMERBOX_BUILD_DIR), "--prefix", prefix.Path() });
        ASSERT_TRUE(install.waitForFinished(60000));
        ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();
        EXPECT_TRUE(QFileInfo(prefix.File("share/glimmerbox/GBHelp/toc.htm")).isFile());
        EXPECT_TRUE(QFileInfo(prefix.File("bin/glimmerbox")).isExecutable());
    }

} // namespace
} // namespace gb::test

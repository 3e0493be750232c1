#include "about_harness.h"
#include "platform/system_info_seed.h"

namespace gb::test {
namespace {

    namespace Registry = platform::Registry;

    // Stands in for the PATH search: only `installed` programs are found.
    struct FakePath {
        explicit FakePath(QStringList programs)
            : installed(std::move(programs))
        {
        }
        QString operator()(const QString& program)
        {
            asked << program;
            return installed.contains(program) ? "/usr/bin/" + program : QString();
        }
        QStringList installed;
        QStringList asked;
    };

    QString SeededPath(platform::MemoryRegistry& registry, about::KeyLookup expected)
    {
        QString path;
        EXPECT_EQ(
            about::GetKeyValue(registry, Registry::HKEY_LOCAL_MACHINE, ToolPathKey, "PATH", path),
            expected);
        return path;
    }

    TEST(SeedSystemInfo, RecordsTheFirstInstalledToolAsATerminatedString)
    {
        platform::MemoryRegistry registry;
        FakePath path({ "xfce4-about", "kinfocenter" });
        platform::SeedSystemInfo(registry, std::ref(path));
        EXPECT_EQ(path.asked, QStringList({ "hardinfo", "kinfocenter" }));
        EXPECT_EQ(SeededPath(registry, about::KeyLookup::Found), "kinfocenter");

        Registry::Key key = 0;
        ASSERT_EQ(registry.RegOpenKeyEx(Registry::HKEY_LOCAL_MACHINE, ToolPathKey, 0, 0, key),
            Registry::ERROR_SUCCESS);
        std::uint32_t type = 0;
        QByteArray data;
        std::uint32_t size = 1024;
        ASSERT_EQ(registry.RegQueryValueEx(key, "PATH", type, data, size), Registry::ERROR_SUCCESS);
        EXPECT_EQ(type, Registry::REG_SZ);
        EXPECT_EQ(data, QByteArray("kinfocenter\0", 12));
        registry.RegCloseKey(key);
    }

    TEST(SeedSystemInfo, GnomeSettingsOpensItsAboutPage)
    {
        platform::MemoryRegistry registry;
        platform::SeedSystemInfo(registry, FakePath({ "gnome-control-center", "lxqt-about" }));
        EXPECT_EQ(
            SeededPath(registry, about::KeyLookup::Found), "gnome-control-center info-overview");
    }

    TEST(SeedSystemInfo, NothingInstalledRecordsNothingAndTheLauncherExplains)
    {
        AboutHarness h;
        FakePath path({});
        platform::SeedSystemInfo(h.registry, std::ref(path));
        EXPECT_EQ(path.asked.size(), 6);
        EXPECT_TRUE(SeededPath(h.registry, about::KeyLookup::NotFound).isEmpty());
        QString folder;
        EXPECT_EQ(about::GetKeyValue(
                      h.registry, Registry::HKEY_LOCAL_MACHINE, ToolFolderKey, "MSINFO", folder),
            about::KeyLookup::NotFound);
        about::StartSysInfo(h.module1, nullptr);
        EXPECT_EQ(h.UnavailableMessages(), 1);
        EXPECT_TRUE(h.shell.started.isEmpty());
    }

    TEST(SeedSystemInfo, TheLauncherStartsTheSeededTool)
    {
        AboutHarness h;
        platform::SeedSystemInfo(h.registry, FakePath({ "mate-system-monitor" }));
        about::StartSysInfo(h.module1, nullptr);
        EXPECT_EQ(h.shell.started, QStringList({ "mate-system-monitor" }));
        EXPECT_EQ(h.UnavailableMessages(), 0);
    }

} // namespace
} // namespace gb::test

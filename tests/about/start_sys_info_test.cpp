#include "about_harness.h"

#include <QDir>

namespace gb::test {
namespace {

    namespace Registry = platform::Registry;

    // The About harness with a folder that holds a startable-looking MSINFO32.EXE.
    struct Launcher : AboutHarness {
        Launcher() { tools.Write("MSINFO32.EXE", "not really a program"); }
        void Start() { about::StartSysInfo(module1, nullptr); }
        QString FolderTool() const { return tools.Path() + "/MSINFO32.EXE"; }
        TempFolder tools;
    };

    TEST(StartSysInfo, RecordedPathIsStartedAsItIsAndTheFolderIsNotTried)
    {
        Launcher l;
        l.SetToolPath(Registry::REG_SZ, RegistryText("gnome-control-center info-overview"));
        l.SetToolFolder(l.tools.Path());
        l.Start();
        EXPECT_EQ(l.shell.started, QStringList({ "gnome-control-center info-overview" }));
        EXPECT_EQ(l.UnavailableMessages(), 0);
        EXPECT_EQ(l.registry.OpenHandles(), 0);
    }

    TEST(StartSysInfo, RecordedPathThatCannotStartExplainsWithoutTryingTheFolder)
    {
        Launcher l;
        l.shell.startSucceeds = false;
        l.SetToolPath(Registry::REG_SZ, RegistryText("/gone/msinfo"));
        l.SetToolFolder(l.tools.Path());
        l.Start();
        EXPECT_EQ(l.shell.started, QStringList({ "/gone/msinfo" }));
        EXPECT_EQ(l.UnavailableMessages(), 1);
    }

    TEST(StartSysInfo, RecordedPathOfAnotherTypeIsAnEmptyCommandThatCannotStart)
    {
        Launcher l;
        l.SetToolPath(Registry::REG_EXPAND_SZ, RegistryText("%ProgramFiles%\\msinfo32.exe"));
        l.SetToolFolder(l.tools.Path());
        l.Start();
        EXPECT_TRUE(l.shell.started.isEmpty());
        EXPECT_EQ(l.UnavailableMessages(), 1);
        EXPECT_EQ(l.registry.OpenHandles(), 0);
    }

    TEST(StartSysInfo, EmptyRecordedPathEndsTheSearchWithTheMessage)
    {
        Launcher l;
        l.SetToolPath(Registry::REG_SZ, QByteArray());
        l.SetToolFolder(l.tools.Path());
        l.Start();
        EXPECT_TRUE(l.shell.started.isEmpty());
        EXPECT_EQ(l.UnavailableMessages(), 1);
        EXPECT_EQ(l.registry.OpenHandles(), 0);
    }

    TEST(StartSysInfo, WithoutAPathTheFolderToolIsStartedWhenItIsThere)
    {
        Launcher l;
        l.SetToolFolder(l.tools.Path());
        l.Start();
        EXPECT_EQ(l.shell.started, QStringList({ l.FolderTool() }));
        EXPECT_EQ(l.UnavailableMessages(), 0);

        // A folder lookup that exists but cannot be started also ends in the message.
        l.shell.startSucceeds = false;
        l.Start();
        EXPECT_EQ(l.shell.started.size(), 2);
        EXPECT_EQ(l.UnavailableMessages(), 1);
        EXPECT_EQ(l.registry.OpenHandles(), 0);
    }

    TEST(StartSysInfo, FolderWithoutTheToolFileOrWithNothingRecordedExplains)
    {
        Launcher empty;
        empty.Start();
        EXPECT_EQ(empty.UnavailableMessages(), 1);

        Launcher noFile;
        TempFolder other;
        noFile.SetToolFolder(other.Path());
        noFile.Start();
        EXPECT_EQ(noFile.UnavailableMessages(), 1);

        // A folder of that name is not the program.
        Launcher folderNamed;
        TempFolder decoy;
        ASSERT_TRUE(QDir(decoy.Path()).mkdir("MSINFO32.EXE"));
        folderNamed.SetToolFolder(decoy.Path());
        folderNamed.Start();
        EXPECT_EQ(folderNamed.UnavailableMessages(), 1);

        for (Launcher* l : { &empty, &noFile, &folderNamed }) {
            EXPECT_TRUE(l->shell.started.isEmpty());
            EXPECT_EQ(l->registry.OpenHandles(), 0);
        }
    }

} // namespace
} // namespace gb::test

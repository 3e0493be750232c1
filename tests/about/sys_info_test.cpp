#include "about/sys_info.h"
#include "platform/system_info_seed.h"
#include "support/test_services.h"

namespace gb::test {
namespace {

    namespace Registry = platform::Registry;
    using about::KeyLookup;
    using Registry::REG_DWORD, Registry::REG_EXPAND_SZ, Registry::REG_SZ;
    using Data = QByteArray;

    // A registry string as the system stores it: UTF-8 with a terminating NUL.
    QByteArray Text(const QString& text) { return text.toUtf8() + '\0'; }

    const QString kKey = "SOFTWARE\\Vendor\\Tool";

    TEST(GetKeyValue, ReadsTextAndNumbersThatFitAKilobyteAndAlwaysClosesTheKey)
    {
        using enum KeyLookup;
        const QString accented = QString::fromUtf8("/opt/Caf\xC3\xA9/\xE5\xB7\xA5\xE5\x85\xB7");
        const std::tuple<std::uint32_t, QByteArray, KeyLookup, QString> rows[]
            = { { REG_SZ, "bare", Found, "bare" }, { REG_SZ, Text(accented), Found, accented },
                  { REG_SZ, Data(1023, 'a') + '\0', Found, QString(1023, 'a') },
                  { REG_SZ, Data(1024, 'b'), Found, QString(1024, 'b') },
                  { REG_SZ, Data(1024, 'c') + '\0', NotFound, "" },
                  // Most significant byte first, after what the caller held, as the classic code
                  // has it; a zero top byte looks like a terminator and goes.
                  { REG_DWORD, Data("\x05\x01\x00\x00", 4), Found, "&hold000105" },
                  { REG_DWORD, Data("\x78\x56\x34\xAB", 4), Found, "&holdAB345678" },
                  { REG_EXPAND_SZ, Text("%Root%\\x.exe"), Found, "old" }, // left as it was
                  { REG_SZ, "", Error, "old" }, { REG_DWORD, "", Error, "old" },
                  { 0, "", NotFound, "" } }; // no key at all
        for (const auto& [type, data, result, after] : rows) {
            SCOPED_TRACE(testing::Message() << type << " " << data.left(8).toHex().data());
            platform::MemoryRegistry registry;
            if (type != 0)
                registry.SetValue(Registry::HKEY_LOCAL_MACHINE, kKey, "v", type, data);
            for (const bool present : { true, false }) {
                QString text = "old";
                EXPECT_EQ(about::GetKeyValue(registry, Registry::HKEY_LOCAL_MACHINE, kKey,
                              present ? "v" : "w", text),
                    present ? result : NotFound);
                EXPECT_EQ(text, present ? after : "");
                EXPECT_EQ(registry.OpenHandles(), 0) << "a key was left open";
            }
        }
    }

    // The recorded path is tried first and trusted when found; only when it is missing is the
    // tool looked for in the recorded folder. Whatever fails, the user is told. At start-up the
    // first installed of the known tools is recorded as the path.
    TEST(StartSysInfo, TriesTheRecordedPathThenTheFolderAndExplainsWhenNothingStarts)
    {
        enum Folder { None, WithTool, WithoutTool, ToolIsAFolder };
        // The tools installed at start-up, the recorded path's type (0: none but start-up's) and
        // data, the folder, whether starting works, what is started ("*": the folder's tool).
        using Row = std::tuple<QStringList, std::uint32_t, QByteArray, Folder, bool, const char*>;
        const QByteArray gnome = Text("gnome-control-center info-overview");
        const Row rows[] = { { {}, REG_SZ, gnome, WithTool, true, gnome.data() },
            { {}, REG_SZ, Text("/gone"), WithTool, false, "/gone" },
            { {}, REG_SZ, Text("  "), WithTool, true, nullptr },
            { {}, REG_EXPAND_SZ, Text("x"), WithTool, true, nullptr },
            { {}, REG_SZ, "", WithTool, true, nullptr }, // unreadable: an error
            { {}, 0, "", WithTool, true, "*" }, { {}, 0, "", WithTool, false, "*" },
            { {}, 0, "", WithoutTool, true, nullptr }, { {}, 0, "", ToolIsAFolder, true, nullptr },
            { {}, 0, "", None, true, nullptr },
            { { "xfce4-about", "kinfocenter" }, 0, "", None, true, "kinfocenter" },
            { { "lxqt-about", "gnome-control-center" }, 0, "", WithTool, true, gnome.data() } };
        int row = 0;
        for (const auto& [installed, type, path, folder, startSucceeds, start] : rows) {
            SCOPED_TRACE(testing::Message() << "row " << row++);
            TestServices s;
            const auto& onPath = installed; // clang 14 lambdas may not capture a binding
            platform::SeedSystemInfo(s.registry, [&](const QString& program) {
                return onPath.contains(program) ? "/usr/bin/" + program : QString();
            });
            TempFolder tools;
            if (folder == WithTool)
                tools.Write("MSINFO32.EXE", "not really a program");
            if (folder == ToolIsAFolder)
                QDir(tools.Path()).mkdir("MSINFO32.EXE");
            if (folder != None)
                s.registry.SetValue(Registry::HKEY_LOCAL_MACHINE,
                    "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO", REG_SZ,
                    Text(tools.Path()));
            if (type != 0)
                s.registry.SetValue(Registry::HKEY_LOCAL_MACHINE,
                    "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", type, path);
            s.shell.startSucceeds = startSucceeds;
            about::StartSysInfo(s.module1, nullptr);
            const QString started = start == QString("*") ? tools.File("MSINFO32.EXE") : start;
            EXPECT_EQ(s.shell.started, start ? QStringList { started } : QStringList());
            QStringList said; // what the message boxes said, how, and under which title
            for (const FakeDialogs::MessageBox& box : s.dialogs.messages)
                said << QString("%1 (%2, %3)").arg(box.prompt).arg(box.style).arg(box.title);
            EXPECT_EQ(said.join(""),
                !start || !startSucceeds
                    ? "System Information Is Unavailable At This Time (0, Glimmerbox)"
                    : "");
            EXPECT_EQ(s.registry.OpenHandles(), 0);
        }
    }

} // namespace
} // namespace gb::test

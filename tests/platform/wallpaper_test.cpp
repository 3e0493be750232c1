#include "platform/linux_wallpaper.h"
#include "platform/process_command_runner.h"
#include "support/temp_folder.h"

#include <QDir>
#include <deque>
#include <gtest/gtest.h>
#include <map>
#include <ostream>
#include <set>
#include <vector>

namespace gb::platform {
namespace {

    struct Call {
        QString program;
        QStringList arguments;
        bool operator==(const Call&) const = default;
    };

    void PrintTo(const Call& call, std::ostream* out)
    {
        *out << qPrintable(call.program);
        for (const QString& argument : call.arguments)
            *out << " [" << qPrintable(argument) << "]";
    }

    // Stands in for the shell: records every command and answers with scripted results, one per
    // call in order, then success.
    class RecordingRunner : public ICommandRunner {
    public:
        CommandResult Run(const QString& program, const QStringList& arguments) override
        {
            calls.push_back({ program, arguments });
            if (missing.count(program))
                return {};
            std::deque<CommandResult>& queue = scripted[program];
            if (queue.empty())
                return { true, 0, {}, {} };
            const CommandResult result = queue.front();
            queue.pop_front();
            return result;
        }
        void Script(const QString& program, CommandResult result)
        {
            scripted[program].push_back(std::move(result));
        }

        std::vector<Call> calls;
        std::set<QString> missing;

    private:
        std::map<QString, std::deque<CommandResult>> scripted;
    };

    CommandResult Failed(const QString& error) { return { true, 1, {}, error }; }

    class WallpaperTest : public ::testing::Test {
    protected:
        void SetUp() override
        {
            ASSERT_TRUE(QDir(temp.Path()).mkdir(QStringLiteral("my pics")));
            temp.Write(QStringLiteral("my pics/it's wallpaper.bmp"), "BM not really a bitmap");
        }
        WallpaperResult Set(const QString& desktop)
        {
            LinuxWallpaper wallpaper(runner, desktop);
            return wallpaper.SetWallpaper(path);
        }

        test::TempFolder temp;
        RecordingRunner runner;
        const QString path = temp.File(QStringLiteral("my pics/it's wallpaper.bmp"));
        const QString uri = QStringLiteral("file://") + temp.Path()
            + QStringLiteral("/my%20pics/it's%20wallpaper.bmp");
    };

    Call GSettings(const QString& schema, const QString& key, const QString& value)
    {
        return { QStringLiteral("gsettings"), { QStringLiteral("set"), schema, key, value } };
    }

    Call Xfconf(const QStringList& arguments)
    {
        return { QStringLiteral("xfconf-query"),
            QStringList { QStringLiteral("-c"), QStringLiteral("xfce4-desktop") } + arguments };
    }

    Call Portal(const QString& uri)
    {
        return { QStringLiteral("gdbus"),
            { QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("--object-path"),
                QStringLiteral("/org/freedesktop/portal/desktop"), QStringLiteral("--method"),
                QStringLiteral("org.freedesktop.portal.Wallpaper.SetWallpaperURI"), QString(), uri,
                QStringLiteral("{'show-preview': <false>, 'set-on': <'both'>}") } };
    }

    TEST_F(WallpaperTest, GnomeResetsBothKeysBeforeSettingTheEncodedUri)
    {
        const QString schema = QStringLiteral("org.gnome.desktop.background");
        const WallpaperResult result = Set(QStringLiteral("GNOME"));
        EXPECT_TRUE(result.ok) << qPrintable(result.error);
        const std::vector<Call> expected { GSettings(schema, "picture-uri", "''"),
            GSettings(schema, "picture-uri", uri), GSettings(schema, "picture-uri-dark", "''"),
            GSettings(schema, "picture-uri-dark", uri) };
        EXPECT_EQ(runner.calls, expected);
    }

    TEST_F(WallpaperTest, DesktopListIsMatchedIgnoringCaseAndFirstKnownEntryWins)
    {
        const QString gnome = QStringLiteral("org.gnome.desktop.background");
        const QString cinnamon = QStringLiteral("org.cinnamon.desktop.background");
        const std::vector<std::pair<QString, Call>> cases {
            { "ubuntu:GNOME", GSettings(gnome, "picture-uri", "''") },
            { "Budgie:GNOME", GSettings(gnome, "picture-uri", "''") },
            { "Unity", GSettings(gnome, "picture-uri", "''") },
            { "gnome", GSettings(gnome, "picture-uri", "''") },
            { "x-cinnamon", GSettings(cinnamon, "picture-uri", "''") },
            { "X-Cinnamon", GSettings(cinnamon, "picture-uri", "''") },
            { "Hyprland:sway", { "swaymsg", { "output", "*", "bg", path, "fill" } } },
            { "lxqt:XFCE", { "pcmanfm-qt", { "--set-wallpaper=" + path } } },
        };
        for (const auto& [desktop, firstCall] : cases) {
            runner.calls.clear();
            EXPECT_TRUE(Set(desktop).ok) << qPrintable(desktop);
            ASSERT_FALSE(runner.calls.empty()) << qPrintable(desktop);
            EXPECT_EQ(runner.calls.front(), firstCall) << qPrintable(desktop);
        }
    }

    TEST_F(WallpaperTest, CinnamonAndMateResetThenSetTheirOwnKeys)
    {
        const QString cinnamon = QStringLiteral("org.cinnamon.desktop.background");
        EXPECT_TRUE(Set(QStringLiteral("X-Cinnamon")).ok);
        EXPECT_EQ(runner.calls,
            (std::vector<Call> { GSettings(cinnamon, "picture-uri", "''"),
                GSettings(cinnamon, "picture-uri", uri) }));

        runner.calls.clear();
        const QString mate = QStringLiteral("org.mate.background");
        EXPECT_TRUE(Set(QStringLiteral("MATE")).ok);
        EXPECT_EQ(runner.calls,
            (std::vector<Call> { GSettings(mate, "picture-filename", "''"),
                GSettings(mate, "picture-filename", path) }));
    }

    TEST_F(WallpaperTest, PlasmaScriptWritesAnEmptyImageThenTheEscapedUriOnEveryDesktop)
    {
        EXPECT_TRUE(Set(QStringLiteral("KDE")).ok);
        ASSERT_EQ(runner.calls.size(), 1u);
        const Call& call = runner.calls.front();
        EXPECT_EQ(call.program, QStringLiteral("dbus-send"));
        ASSERT_EQ(call.arguments.size(), 7);
        EXPECT_EQ(call.arguments.mid(0, 6),
            (QStringList { "--session", "--print-reply", "--dest=org.kde.plasmashell",
                "--type=method_call", "/PlasmaShell", "org.kde.PlasmaShell.evaluateScript" }));
        const QString script = call.arguments.at(6);
        ASSERT_TRUE(script.startsWith(QStringLiteral("string:")));
        QString escapedUri = uri;
        escapedUri.replace(QStringLiteral("'"), QStringLiteral("\\'"));
        EXPECT_TRUE(script.contains("var uri = \"" + escapedUri + "\";")) << qPrintable(script);
        EXPECT_FALSE(script.contains(QStringLiteral("it's")));
        EXPECT_TRUE(script.contains(QStringLiteral("desktops()")));
        EXPECT_TRUE(script.contains(QStringLiteral("wallpaperPlugin = \"org.kde.image\"")));
        EXPECT_TRUE(script.contains(QStringLiteral(
            "currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"]")));
        const qsizetype cleared = script.indexOf(QStringLiteral("writeConfig(\"Image\", \"\")"));
        const qsizetype written = script.indexOf(QStringLiteral("writeConfig(\"Image\", uri)"));
        EXPECT_GE(cleared, 0);
        EXPECT_GT(written, cleared);
    }

    TEST_F(WallpaperTest, XfceResetsEveryListedLastImage)
    {
        runner.Script("xfconf-query",
            { true, 0,
                "/backdrop/screen0/monitorHDMI-1/workspace0/color-style\n"
                "/backdrop/screen0/monitorHDMI-1/workspace0/last-image\n"
                "/backdrop/screen0/monitorDP-2/workspace1/last-image\n"
                "/desktop-icons/style\n",
                {} });
        EXPECT_TRUE(Set(QStringLiteral("XFCE")).ok);
        const QString first
            = QStringLiteral("/backdrop/screen0/monitorHDMI-1/workspace0/last-image");
        const QString second
            = QStringLiteral("/backdrop/screen0/monitorDP-2/workspace1/last-image");
        EXPECT_EQ(runner.calls,
            (std::vector<Call> { Xfconf({ "-l" }), Xfconf({ "-p", first, "-s", "" }),
                Xfconf({ "-p", first, "-s", path }), Xfconf({ "-p", second, "-s", "" }),
                Xfconf({ "-p", second, "-s", path }) }));
    }

    TEST_F(WallpaperTest, XfceCreatesTheFirstMonitorsPictureWhenNoneIsListed)
    {
        const std::vector<Call> expected { Xfconf({ "-l" }),
            Xfconf({ "-p", "/backdrop/screen0/monitor0/workspace0/last-image", "-n", "-t", "string",
                "-s", path }) };
        runner.Script("xfconf-query", { true, 0, "/desktop-icons/style\n", {} });
        EXPECT_TRUE(Set(QStringLiteral("XFCE")).ok);
        EXPECT_EQ(runner.calls, expected);

        // A channel nobody has written yet is reported as an error; it still gets the picture.
        runner.calls.clear();
        runner.Script("xfconf-query", Failed("Channel \"xfce4-desktop\" contains no properties"));
        EXPECT_TRUE(Set(QStringLiteral("XFCE")).ok);
        EXPECT_EQ(runner.calls, expected);
    }

    TEST_F(WallpaperTest, SingleCommandDesktopsAndThePortal)
    {
        const std::vector<std::pair<QString, Call>> cases {
            { "LXQt", { "pcmanfm-qt", { "--set-wallpaper=" + path } } },
            { "LXDE", { "pcmanfm", { "--set-wallpaper=" + path } } },
            { "sway", { "swaymsg", { "output", "*", "bg", path, "fill" } } },
            { "Hyprland", Portal(uri) },
            { "", Portal(uri) },
        };
        for (const auto& [desktop, call] : cases) {
            runner.calls.clear();
            EXPECT_TRUE(Set(desktop).ok) << qPrintable(desktop);
            EXPECT_EQ(runner.calls, std::vector<Call> { call }) << qPrintable(desktop);
        }
    }

    TEST_F(WallpaperTest, RefusedGSettingsFallsBackToThePortal)
    {
        runner.Script("gsettings", { true, 0, {}, {} });
        runner.Script("gsettings", Failed("\nNo such key “picture-uri”\nmore detail\n"));
        EXPECT_TRUE(Set(QStringLiteral("ubuntu:GNOME")).ok);
        ASSERT_EQ(runner.calls.size(), 3u); // nothing more after the refusal
        EXPECT_EQ(runner.calls.back(), Portal(uri));

        runner.calls.clear();
        runner.Script("gsettings", Failed("No such schema “org.gnome.desktop.background”"));
        runner.Script(
            "gdbus", Failed("Error: GDBus.Error:org.freedesktop.DBus.Error.ServiceUnknown"));
        const WallpaperResult result = Set(QStringLiteral("Budgie:GNOME"));
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(runner.calls.size(), 2u);
        EXPECT_EQ(result.error,
            QStringLiteral("The Budgie desktop did not accept the wallpaper (gsettings: No such "
                           "schema “org.gnome.desktop.background”)."));
    }

    TEST_F(WallpaperTest, MissingToolsAreNamedInTheMessage)
    {
        runner.missing = { "pcmanfm-qt", "gdbus" };
        WallpaperResult result = Set(QStringLiteral("LXQt"));
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error,
            QStringLiteral("No way to set the wallpaper was found on this desktop (tried: "
                           "pcmanfm-qt, the desktop portal)."));

        runner.missing.clear();
        runner.Script("gdbus", { true, 4, {}, {} });
        result = Set(QStringLiteral("Enlightenment"));
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error,
            QStringLiteral(
                "The desktop portal did not accept the wallpaper (gdbus: exit code 4)."));
    }

    TEST_F(WallpaperTest, MissingPictureRunsNothing)
    {
        LinuxWallpaper wallpaper(runner, QStringLiteral("GNOME"));
        for (const QString& bad : { temp.File("gone.bmp"), temp.File("my pics"), QString() }) {
            const WallpaperResult result = wallpaper.SetWallpaper(bad);
            EXPECT_FALSE(result.ok) << qPrintable(bad);
            EXPECT_EQ(result.error, QStringLiteral("The picture for the wallpaper is missing."));
        }
        EXPECT_TRUE(runner.calls.empty());
    }

    TEST_F(WallpaperTest, RelativePathIsMadeAbsolute)
    {
        const QString previous = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(temp.Path()));
        LinuxWallpaper wallpaper(runner, QStringLiteral("LXDE"));
        const WallpaperResult result
            = wallpaper.SetWallpaper(QStringLiteral("my pics/../my pics/it's wallpaper.bmp"));
        QDir::setCurrent(previous);
        EXPECT_TRUE(result.ok);
        ASSERT_EQ(runner.calls.size(), 1u);
        EXPECT_EQ(runner.calls.front().arguments, QStringList { "--set-wallpaper=" + path });
    }

    TEST(ProcessCommandRunnerTest, RunsRealProgramsWithoutAShell)
    {
        ProcessCommandRunner runner;
        const CommandResult exited = runner.Run("/bin/sh", { "-c", "echo hi; exit 3" });
        EXPECT_TRUE(exited.started);
        EXPECT_EQ(exited.exitCode, 3);
        EXPECT_EQ(exited.standardOutput, QStringLiteral("hi\n"));
        EXPECT_FALSE(exited.Succeeded());

        // Arguments arrive untouched: no shell splits or expands them.
        const CommandResult echoed = runner.Run(
            "/bin/sh", { "-c", "printf '%s|' \"$@\"; cat", "sh", "a b", "it's $HOME" });
        EXPECT_TRUE(echoed.Succeeded());
        EXPECT_EQ(echoed.standardOutput, QStringLiteral("a b|it's $HOME|"));

        const CommandResult missing = runner.Run("/nonexistent/glimmerbox-no-such-tool", {});
        EXPECT_FALSE(missing.started);
        EXPECT_FALSE(missing.Succeeded());

        ProcessCommandRunner impatient(std::chrono::milliseconds(100));
        const CommandResult stopped = impatient.Run("/bin/sh", { "-c", "exec sleep 30" });
        EXPECT_TRUE(stopped.started);
        EXPECT_FALSE(stopped.Succeeded());
    }

} // namespace
} // namespace gb::platform

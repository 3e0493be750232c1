#include "platform/linux_wallpaper.h"
#include "platform/process_command_runner.h"
#include "support/temp_folder.h"

#include <QDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <ostream>
#include <utility>
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

    using Answer = std::pair<QString, CommandResult>;
    const CommandResult kNotInstalled {};
    CommandResult Failed(const QString& error) { return { true, 1, {}, error }; }

    // Stands in for the shell: records every command and gives each program its next scripted
    // answer, or success when none is left.
    class RecordingRunner : public ICommandRunner {
    public:
        CommandResult Run(const QString& program, const QStringList& arguments) override
        {
            calls.push_back({ program, arguments });
            const auto answer = std::find_if(answers.begin(), answers.end(),
                [&](const Answer& a) { return a.first == program; });
            if (answer == answers.end())
                return { true, 0, {}, {} };
            const CommandResult result = answer->second;
            answers.erase(answer);
            return result;
        }

        std::vector<Call> calls;
        std::vector<Answer> answers;
    };

    Call GSettings(const QString& schema, const QString& key, const QString& value)
    {
        return { "gsettings", { "set", schema, key, value } };
    }

    Call Xfconf(const QStringList& arguments)
    {
        return { "xfconf-query", QStringList { "-c", "xfce4-desktop" } + arguments };
    }

    class WallpaperTest : public ::testing::Test {
    protected:
        void SetUp() override
        {
            ASSERT_TRUE(QDir(temp.Path()).mkdir(QStringLiteral("my pics")));
            temp.Write(QStringLiteral("my pics/it's wallpaper.bmp"), "BM not really a bitmap");
        }

        test::TempFolder temp;
        RecordingRunner runner;
        const QString path = temp.File(QStringLiteral("my pics/it's wallpaper.bmp"));
        const QString uri = QStringLiteral("file://") + temp.Path()
            + QStringLiteral("/my%20pics/it's%20wallpaper.bmp");
        const Call portal { "gdbus",
            { "call", "--session", "--dest", "org.freedesktop.portal.Desktop", "--object-path",
                "/org/freedesktop/portal/desktop", "--method",
                "org.freedesktop.portal.Wallpaper.SetWallpaperURI", QString(), uri,
                "{'show-preview': <false>, 'set-on': <'both'>}" } };
        const Call lxqt { "pcmanfm-qt", { "--set-wallpaper=" + path } };
    };

    TEST_F(WallpaperTest, EachDesktopRunsItsOwnCommandsThenFallsBackToThePortal)
    {
        const QString gnome = "org.gnome.desktop.background",
                      cinnamon = "org.cinnamon.desktop.background", mate = "org.mate.background";
        const QString hdmi = "/backdrop/screen0/monitorHDMI-1/workspace0/last-image",
                      dp = "/backdrop/screen0/monitorDP-2/workspace1/last-image";
        const std::vector<Call> xfceFirstMonitor { Xfconf({ "-l" }),
            Xfconf({ "-p", "/backdrop/screen0/monitor0/workspace0/last-image", "-n", "-t", "string",
                "-s", path }) };
        const struct {
            QStringList desktops;
            std::vector<Call> calls;
            std::vector<Answer> answers = {};
            QString error = {}; // empty: the wallpaper was set
        } cases[] = {
            // Every key passes through an empty value, so the desktop sees a change. The desktop
            // list is matched ignoring case, and its first known entry wins.
            { { "GNOME", "ubuntu:GNOME", "Budgie:GNOME", "Unity", "gnome" },
                { GSettings(gnome, "picture-uri", "''"), GSettings(gnome, "picture-uri", uri),
                    GSettings(gnome, "picture-uri-dark", "''"),
                    GSettings(gnome, "picture-uri-dark", uri) } },
            { { "X-Cinnamon", "x-cinnamon", "Cinnamon" },
                { GSettings(cinnamon, "picture-uri", "''"),
                    GSettings(cinnamon, "picture-uri", uri) } },
            { { "MATE" },
                { GSettings(mate, "picture-filename", "''"),
                    GSettings(mate, "picture-filename", path) } },
            { { "LXQt", "lxqt:XFCE" }, { lxqt } },
            { { "LXDE" }, { { "pcmanfm", { "--set-wallpaper=" + path } } } },
            { { "sway", "Hyprland:sway" },
                { { "swaymsg", { "output", "*", "bg", path, "fill" } } } },
            { { "Hyprland", "" }, { portal } },
            // Xfce resets every listed last-image, else creates the first monitor's. A channel
            // nobody has written yet is reported as an error; it still gets the picture.
            { { "XFCE" },
                { Xfconf({ "-l" }), Xfconf({ "-p", hdmi, "-s", "" }),
                    Xfconf({ "-p", hdmi, "-s", path }), Xfconf({ "-p", dp, "-s", "" }),
                    Xfconf({ "-p", dp, "-s", path }) },
                { { "xfconf-query",
                    { true, 0,
                        "/backdrop/screen0/monitorHDMI-1/workspace0/color-style\n" + hdmi + "\n"
                            + dp + "\n/desktop-icons/style\n",
                        {} } } } },
            { { "XFCE" }, xfceFirstMonitor,
                { { "xfconf-query", { true, 0, "/desktop-icons/style\n", {} } } } },
            { { "XFCE" }, xfceFirstMonitor,
                { { "xfconf-query",
                    Failed("Channel \"xfce4-desktop\" contains no properties") } } },
            // After a refusal nothing more of the desktop's own commands runs.
            { { "ubuntu:GNOME" },
                { GSettings(gnome, "picture-uri", "''"), GSettings(gnome, "picture-uri", uri),
                    portal },
                { { "gsettings", { true, 0, {}, {} } },
                    { "gsettings", Failed("\nNo such key “picture-uri”\nmore detail\n") } } },
            { { "Budgie:GNOME" }, { GSettings(gnome, "picture-uri", "''"), portal },
                { { "gsettings", Failed("\nNo such schema “" + gnome + "”\nmore detail\n") },
                    { "gdbus",
                        Failed("Error: GDBus.Error:org.freedesktop.DBus.Error.ServiceUnknown") } },
                "The Budgie desktop did not accept the wallpaper (gsettings: No such schema "
                "“org.gnome.desktop.background”)." },
            { { "LXQt" }, { lxqt, portal },
                { { "pcmanfm-qt", kNotInstalled }, { "gdbus", kNotInstalled } },
                "No way to set the wallpaper was found on this desktop (tried: pcmanfm-qt, the "
                "desktop portal)." },
            { { "Enlightenment" }, { portal }, { { "gdbus", { true, 4, {}, {} } } },
                "The desktop portal did not accept the wallpaper (gdbus: exit code 4)." },
        };
        for (size_t i = 0; i < std::size(cases); ++i)
            for (const QString& desktop : cases[i].desktops) {
                SCOPED_TRACE(testing::Message() << "case " << i << ", " << qPrintable(desktop));
                const auto& c = cases[i];
                runner.calls.clear();
                runner.answers = c.answers;
                const WallpaperResult result = LinuxWallpaper(runner, desktop).SetWallpaper(path);
                EXPECT_EQ(result.ok, c.error.isEmpty());
                EXPECT_EQ(result.error, c.error);
                EXPECT_EQ(runner.calls, c.calls);
            }
    }

    TEST_F(WallpaperTest, PlasmaScriptWritesAnEmptyImageThenTheEscapedUriOnEveryDesktop)
    {
        EXPECT_TRUE(LinuxWallpaper(runner, "KDE").SetWallpaper(path).ok);
        ASSERT_EQ(runner.calls.size(), 1u);
        EXPECT_EQ(runner.calls.front().program, "dbus-send");
        QStringList arguments = runner.calls.front().arguments;
        const QString script = arguments.takeLast();
        EXPECT_EQ(arguments,
            (QStringList { "--session", "--print-reply", "--dest=org.kde.plasmashell",
                "--type=method_call", "/PlasmaShell", "org.kde.PlasmaShell.evaluateScript" }));
        ASSERT_TRUE(script.startsWith("string:"));
        EXPECT_TRUE(script.contains("var uri = \"" + QString(uri).replace("'", "\\'") + "\";"))
            << qPrintable(script);
        EXPECT_FALSE(script.contains("it's"));
        for (const char* part : { "desktops()", "wallpaperPlugin = \"org.kde.image\"",
                 "currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"]" })
            EXPECT_TRUE(script.contains(part)) << part;
        const qsizetype cleared = script.indexOf("writeConfig(\"Image\", \"\")");
        EXPECT_GE(cleared, 0);
        EXPECT_GT(script.indexOf("writeConfig(\"Image\", uri)"), cleared);
    }

    TEST_F(WallpaperTest, MissingPictureRunsNothingAndARelativePathIsMadeAbsolute)
    {
        for (const QString& bad : { temp.File("gone.bmp"), temp.File("my pics"), QString() }) {
            const WallpaperResult result = LinuxWallpaper(runner, "GNOME").SetWallpaper(bad);
            EXPECT_FALSE(result.ok) << qPrintable(bad);
            EXPECT_EQ(result.error, QStringLiteral("The picture for the wallpaper is missing."));
        }
        EXPECT_TRUE(runner.calls.empty());

        const QString previous = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(temp.Path()));
        const WallpaperResult result
            = LinuxWallpaper(runner, "LXDE").SetWallpaper("my pics/../my pics/it's wallpaper.bmp");
        QDir::setCurrent(previous);
        EXPECT_TRUE(result.ok);
        EXPECT_EQ(
            runner.calls, (std::vector<Call> { { "pcmanfm", { "--set-wallpaper=" + path } } }));
    }

    TEST(ProcessCommandRunnerTest, RunsRealProgramsWithoutAShell)
    {
        ProcessCommandRunner runner;
        const CommandResult exited = runner.Run("/bin/sh", { "-c", "echo hi; exit 3" });
        EXPECT_TRUE(exited.started);
        EXPECT_EQ(exited.exitCode, 3);
        EXPECT_EQ(exited.standardOutput, QStringLiteral("hi\n"));
        // Arguments arrive untouched: no shell splits or expands them.
        const CommandResult echoed = runner.Run(
            "/bin/sh", { "-c", "printf '%s|' \"$@\"; cat", "sh", "a b", "it's $HOME" });
        EXPECT_TRUE(echoed.Succeeded());
        EXPECT_EQ(echoed.standardOutput, QStringLiteral("a b|it's $HOME|"));
        const CommandResult missing = runner.Run("/nonexistent/glimmerbox-no-such-tool", {});
        EXPECT_FALSE(missing.started);
        ProcessCommandRunner impatient(std::chrono::milliseconds(100));
        const CommandResult stopped = impatient.Run("/bin/sh", { "-c", "exec sleep 30" });
        EXPECT_TRUE(stopped.started);
        EXPECT_FALSE(stopped.Succeeded());
    }

} // namespace
} // namespace gb::platform

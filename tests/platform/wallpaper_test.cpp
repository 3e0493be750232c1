#include "platform/linux_wallpaper.h"
#include "platform/process_command_runner.h"
#include "support/temp_folder.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <tuple>
#include <utility>
#include <vector>

namespace gb::test {
namespace {

    using platform::CommandResult;
    using Answer = std::pair<QString, CommandResult>;
    const CommandResult kNotInstalled {};
    CommandResult Says(int exitCode, const QString& out, const QString& err = {})
    {
        return { true, exitCode, out, err };
    }

    // Records each command as "program|argument|...", and gives each program its next scripted
    // answer, or success when none is left.
    class ScriptedRunner : public platform::ICommandRunner {
    public:
        CommandResult Run(const QString& program, const QStringList& arguments) override
        {
            calls << (QStringList { program } + arguments).join('|');
            const auto answer = std::find_if(answers.begin(), answers.end(),
                [&](const Answer& a) { return a.first == program; });
            if (answer == answers.end())
                return Says(0, {});
            const CommandResult result = answer->second;
            answers.erase(answer);
            return result;
        }
        QStringList calls;
        std::vector<Answer> answers;
    };

    class Wallpaper : public ::testing::Test {
    protected:
        std::string Set(const QString& desktop, const QString& picture)
        {
            runner.calls.clear();
            const platform::WallpaperResult result
                = platform::LinuxWallpaper(runner, desktop).SetWallpaper(picture);
            EXPECT_EQ(result.ok, result.error.isEmpty());
            return result.error.toStdString();
        }

        TempFolder temp;
        ScriptedRunner runner;
        const QString path = temp.File("my pics/it's wallpaper.bmp");
        const QString uri = "file://" + temp.Path() + "/my%20pics/it's%20wallpaper.bmp";
    };

    TEST_F(Wallpaper, EachDesktopRunsItsOwnCommandsThenFallsBackToThePortal)
    {
        ASSERT_TRUE(QDir(temp.Path()).mkdir("my pics"));
        temp.Write("my pics/it's wallpaper.bmp", "BM");
        const auto gsettings = [](const QString& schema, const QString& key, const QString& value) {
            return QStringList { "gsettings|set|" + schema + "|" + key + "|''",
                "gsettings|set|" + schema + "|" + key + "|" + value };
        };
        const QString gnome = "org.gnome.desktop.background",
                      xfconf = "xfconf-query|-c|xfce4-desktop|";
        const QString hdmi = "/backdrop/screen0/monitorHDMI-1/workspace0/last-image",
                      dp = "/backdrop/screen0/monitorDP-2/workspace1/last-image";
        const QString portal = "gdbus|call|--session|--dest|org.freedesktop.portal.Desktop|"
                               "--object-path|/org/freedesktop/portal/desktop|--method|"
                               "org.freedesktop.portal.Wallpaper.SetWallpaperURI||"
            + uri + "|{'show-preview': <false>, 'set-on': <'both'>}";
        const QStringList xfceFirst { xfconf + "-l",
            xfconf + "-p|/backdrop/screen0/monitor0/workspace0/last-image|-n|-t|string|-s|"
                + path };
        const QString lxqt = "pcmanfm-qt|--set-wallpaper=" + path;
        const struct {
            QStringList desktops, calls;
            std::vector<Answer> answers = {};
            std::string error = {}; // empty: the wallpaper was set
        } cases[] = {
            // Every key passes through an empty value, so the desktop sees a change. The desktop
            // list is matched ignoring case, and its first known entry wins.
            { { "GNOME", "ubuntu:GNOME", "Budgie:GNOME", "Unity", "gnome" },
                gsettings(gnome, "picture-uri", uri) + gsettings(gnome, "picture-uri-dark", uri) },
            { { "X-Cinnamon", " x-cinnamon", "Cinnamon" },
                gsettings("org.cinnamon.desktop.background", "picture-uri", uri) },
            { { "MATE" }, gsettings("org.mate.background", "picture-filename", path) },
            { { "LXQt", "lxqt:XFCE" }, { lxqt } },
            { { "LXDE" }, { "pcmanfm|--set-wallpaper=" + path } },
            { { "sway", "Hyprland:sway" }, { "swaymsg|output|*|bg|" + path + "|fill" } },
            { { "Hyprland", "", ":" }, { portal } },
            // Xfce resets every listed last-image, else creates the first monitor's; a channel
            // nobody has written yet is reported as an error.
            { { "XFCE" },
                { xfconf + "-l", xfconf + "-p|" + hdmi + "|-s|",
                    xfconf + "-p|" + hdmi + "|-s|" + path, xfconf + "-p|" + dp + "|-s|",
                    xfconf + "-p|" + dp + "|-s|" + path },
                { { "xfconf-query",
                    Says(0, "/desktop-icons/style\n" + hdmi + "\n " + dp + " \n") } } },
            { { "XFCE" }, xfceFirst, { { "xfconf-query", Says(0, "/desktop-icons/style\n") } } },
            { { "XFCE" }, xfceFirst, { { "xfconf-query", Says(1, hdmi) } } },
            { { "XFCE" }, { xfconf + "-l", portal }, { { "xfconf-query", kNotInstalled } } },
            // After a refusal nothing more of the desktop's own commands runs.
            { { "ubuntu:GNOME" }, gsettings(gnome, "picture-uri", uri) + QStringList { portal },
                { { "gsettings", Says(0, {}) },
                    { "gsettings", Says(1, {}, "\n No such key\nmore\n") } } },
            { { "Budgie:GNOME" }, { gsettings(gnome, "picture-uri", uri)[0], portal },
                { { "gsettings", Says(1, "\n  No such schema  \nmore detail\n", " \n") },
                    { "gdbus", Says(1, {}, "Error: GDBus.Error:ServiceUnknown") } },
                "The Budgie desktop did not accept the wallpaper (gsettings: No such schema)." },
            { { "LXQt" }, { lxqt, portal },
                { { "pcmanfm-qt", kNotInstalled }, { "gdbus", kNotInstalled } },
                "No way to set the wallpaper was found on this desktop (tried: pcmanfm-qt, the "
                "desktop portal)." },
            // Long output is cut to fit a message box.
            { { "LXDE" }, { "pcmanfm|--set-wallpaper=" + path, portal },
                { { "pcmanfm", Says(2, {}, QString(161, 'e')) }, { "gdbus", kNotInstalled } },
                "The LXDE desktop did not accept the wallpaper (pcmanfm: " + std::string(159, 'e')
                    + "\u2026)." },
            { { "X-Cinnamon" },
                { gsettings("org.cinnamon.desktop.background", "picture-uri", uri)[0], portal },
                { { "gsettings", Says(1, QString(160, 'o')) }, { "gdbus", Says(4, {}) } },
                "The Cinnamon desktop did not accept the wallpaper (gsettings: "
                    + std::string(160, 'o') + ")." },
            { { "Enlightenment" }, { portal }, { { "gdbus", Says(4, {}) } },
                "The desktop portal did not accept the wallpaper (gdbus: exit code 4)." },
            { { "" }, { portal }, { { "gdbus", kNotInstalled } },
                "No way to set the wallpaper was found on this desktop (tried: the desktop "
                "portal)." }
        };
        for (const auto& c : cases)
            for (const QString& desktop : c.desktops) {
                SCOPED_TRACE(qPrintable(desktop + " " + c.calls.value(0)));
                runner.answers = c.answers;
                EXPECT_EQ(Set(desktop, path), c.error);
                EXPECT_EQ(runner.calls.join('\n').toStdString(), c.calls.join('\n').toStdString());
            }
    }

    TEST_F(Wallpaper, PlasmaGetsAnEmptyImageThenTheQuotedUriOnEveryDesktop)
    {
        ASSERT_TRUE(QDir(temp.Path()).mkdir("my pics"));
        temp.Write("my pics/it's wallpaper.bmp", "BM");
        EXPECT_EQ(Set("KDE", path), "");
        ASSERT_EQ(runner.calls.size(), 1);
        const QStringList call = runner.calls[0].split('|');
        EXPECT_EQ(call.first(7).join(' '),
            "dbus-send --session --print-reply --dest=org.kde.plasmashell --type=method_call "
            "/PlasmaShell org.kde.PlasmaShell.evaluateScript");
        const QString script = call.mid(7).join('|');
        EXPECT_TRUE(
            script.startsWith("string:var uri = \"" + QString(uri).replace("'", "\\'") + "\";\n"))
            << qPrintable(script);
        for (const char* part : { "var all = desktops();", "d.wallpaperPlugin = \"org.kde.image\";",
                 "d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];" })
            EXPECT_TRUE(script.contains(part)) << part;
        const qsizetype cleared = script.indexOf("d.writeConfig(\"Image\", \"\");");
        EXPECT_GT(script.indexOf("d.writeConfig(\"Image\", uri);"), cleared);
        EXPECT_GE(cleared, 0);
    }

    TEST_F(Wallpaper, AMissingPictureRunsNothingAndARelativePathIsMadeAbsolute)
    {
        for (const QString& bad : { path, temp.Path(), QString() })
            EXPECT_EQ(Set("GNOME", bad), "The picture for the wallpaper is missing.");
        EXPECT_TRUE(runner.calls.empty());
        temp.Write("w.bmp", "BM");
        const QString previous = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(temp.Path()));
        EXPECT_EQ(Set("LXDE", "./sub/../w.bmp"), "");
        QDir::setCurrent(previous);
        EXPECT_EQ(runner.calls, QStringList { "pcmanfm|--set-wallpaper=" + temp.File("w.bmp") });
    }

    TEST(ProcessCommandRunner, RunsRealProgramsWithoutAShell)
    {
        platform::ProcessCommandRunner runner;
        const CommandResult exited
            = runner.Run("/bin/sh", { "-c", "echo hi; echo oh >&2; exit 3" });
        EXPECT_EQ(std::tuple(
                      exited.started, exited.exitCode, exited.standardOutput, exited.standardError),
            std::tuple(true, 3, QString("hi\n"), QString("oh\n")));
        // Arguments arrive untouched: no shell splits or expands them, and nothing waits for input.
        const CommandResult echoed = runner.Run(
            "/bin/sh", { "-c", "printf '%s|' \"$@\"; cat", "sh", "a b", "it's $HOME" });
        EXPECT_TRUE(echoed.Succeeded());
        EXPECT_EQ(echoed.standardOutput, "a b|it's $HOME|");
        EXPECT_FALSE(runner.Run("/nonexistent/glimmerbox-no-such-tool", {}).started);
        const CommandResult crashed = runner.Run("/bin/sh", { "-c", "kill -SEGV $$" });
        EXPECT_EQ(std::pair(crashed.started, crashed.exitCode), std::pair(true, -1));
        const CommandResult stopped = platform::ProcessCommandRunner(std::chrono::milliseconds(100))
                                          .Run("/bin/sh", { "-c", "exec sleep 30" });
        EXPECT_EQ(std::pair(stopped.started, stopped.exitCode), std::pair(true, -1));
        EXPECT_EQ(stopped.standardError, "/bin/sh did not finish in time and was stopped.\n");
    }

} // namespace
} // namespace gb::test

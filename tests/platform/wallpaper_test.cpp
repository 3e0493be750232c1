#include "platform/linux_wallpaper.h"
#include "platform/process_command_runner.h"
#include "support/fake_command_runner.h"
#include "support/temp_folder.h"
#include <gtest/gtest.h>
#include <tuple>

namespace gb::test {
namespace {

    using platform::CommandResult;
    // Each desktop's exact commands, "program|argument|...", one per line.
    class Wallpaper : public ::testing::Test {
    protected:
        std::pair<std::string, std::string> Set(const QString& desktop, const QString& picture)
        {
            runner_.calls.clear();
            const auto result = platform::LinuxWallpaper(runner_, desktop).SetWallpaper(picture);
            EXPECT_EQ(result.ok, result.error.isEmpty());
            QStringList calls;
            for (const auto& call : runner_.calls)
                calls << (QStringList { call.program } + call.arguments).join('|');
            return { calls.join('\n').toStdString(), result.error.toStdString() };
        }
        TempFolder temp_;
        FakeCommandRunner runner_;
        const bool made_ = QDir(temp_.Path()).mkdir("my pics");
        const QString path_ = temp_.File("my pics/it's wallpaper.bmp");
        const QString uri_ = "file://" + temp_.Path() + "/my%20pics/it's%20wallpaper.bmp";
    };

    TEST_F(Wallpaper, EachDesktopRunsItsOwnCommandsThenThePortalButNoneForAMissingPicture)
    {
        for (const QString& bad : { path_, temp_.Path(), QString() })
            EXPECT_EQ(Set("GNOME", bad),
                std::pair(std::string(), std::string("The picture for the wallpaper is missing.")));
        temp_.Write("my pics/it's wallpaper.bmp", "BM");
        const auto says = [](int exitCode, const QString& out, const QString& err = {}) {
            return CommandResult { true, exitCode, out, err };
        };
        // Every key passes through an empty value, so that the desktop sees a change.
        const auto gsettings = [](const QString& schema, const QString& key, const QString& value) {
            return "gsettings|set|" + schema + "|" + key + "|''\ngsettings|set|" + schema + "|"
                + key + "|" + value;
        };
        const QString gnome = "org.gnome.desktop.background",
                      xfconf = "xfconf-query|-c|xfce4-desktop|";
        const QString hdmi = "/backdrop/screen0/monitorHDMI-1/workspace0/last-image",
                      dp = "/backdrop/screen0/monitorDP-2/workspace1/last-image";
        const QString portal = "\ngdbus|call|--session|--dest|org.freedesktop.portal.Desktop|"
                               "--object-path|/org/freedesktop/portal/desktop|--method|"
                               "org.freedesktop.portal.Wallpaper.SetWallpaperURI||"
            + uri_ + "|{'show-preview': <false>, 'set-on': <'both'>}";
        const QString xfceFirst = xfconf + "-l\n" + xfconf
            + "-p|/backdrop/screen0/monitor0/workspace0/last-image|-n|-t|string|-s|" + path_;
        const QString lxqt = "pcmanfm-qt|--set-wallpaper=" + path_,
                      lxde = "pcmanfm|--set-wallpaper=" + path_;
        // The desktop list is matched ignoring case and blanks; its first known entry wins.
        const std::tuple<QStringList, QString, QHash<QString, CommandResult>, QString> cases[] = {
            { { "GNOME", "ubuntu:GNOME", "Budgie:GNOME", "Unity", "gnome" },
                gsettings(gnome, "picture-uri", uri_) + "\n"
                    + gsettings(gnome, "picture-uri-dark", uri_),
                {}, "" },
            { { "X-Cinnamon", " x-cinnamon", "Cinnamon" },
                gsettings("org.cinnamon.desktop.background", "picture-uri", uri_), {}, "" },
            { { "MATE" }, gsettings("org.mate.background", "picture-filename", path_), {}, "" },
            // --print-reply waits for Plasma's answer; the literal quotes the URI's "'".
            { { "KDE" },
                "dbus-send|--session|--print-reply|--dest=org.kde.plasmashell|--type=method_call|"
                "/PlasmaShell|org.kde.PlasmaShell.evaluateScript|string:var uri = \""
                    + QString(uri_).replace("'", "\\'")
                    + "\";\nvar all = desktops();\nfor (var i = 0; i < all.length; i++) {\n"
                      "    var d = all[i];\n    d.wallpaperPlugin = \"org.kde.image\";\n"
                      "    d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", "
                      "\"General\"];\n"
                      "    d.writeConfig(\"Image\", \"\");\n    d.writeConfig(\"Image\", "
                      "uri);\n}\n",
                {}, "" },
            { { "LXQt", "lxqt:XFCE" }, lxqt, {}, "" }, { { "LXDE" }, lxde, {}, "" },
            { { "sway", "Hyprland:sway" }, "swaymsg|output|*|bg|" + path_ + "|fill", {}, "" },
            { { "Hyprland", "", ":" }, portal.mid(1), {}, "" },
            // Xfce resets every listed last-image, else creates the first monitor's; a channel
            // nobody has written yet answers with an error.
            { { "XFCE" },
                xfconf + "-l\n" + xfconf + "-p|" + hdmi + "|-s|\n" + xfconf + "-p|" + hdmi + "|-s|"
                    + path_ + "\n" + xfconf + "-p|" + dp + "|-s|\n" + xfconf + "-p|" + dp + "|-s|"
                    + path_,
                { { "xfconf-query",
                    says(0, "/desktop-icons/style\n" + hdmi + "\n " + dp + " \n") } },
                "" },
            { { "XFCE" }, xfceFirst, { { "xfconf-query", says(0, "/desktop-icons/style\n") } },
                "" },
            { { "XFCE" }, xfceFirst + portal, { { "xfconf-query", says(1, hdmi) } }, "" },
            { { "XFCE" }, xfconf + "-l" + portal, { { "xfconf-query", {} } }, "" },
            // After a refusal nothing more of the desktop's own commands runs.
            { { "Budgie:GNOME" },
                gsettings(gnome, "picture-uri", uri_).section('\n', 0, 0) + portal,
                { { "gsettings", says(1, "\n  No such schema  \nmore\n", " \n") },
                    { "gdbus", says(1, "Error: ServiceUnknown") } },
                "The Budgie desktop did not accept the wallpaper (gsettings: No such schema)." },
            { { "LXQt" }, lxqt + portal, { { "pcmanfm-qt", {} }, { "gdbus", {} } },
                "No way to set the wallpaper was found on this desktop (tried: pcmanfm-qt, the "
                "desktop portal)." },
            // Long output is cut to fit a message box.
            { { "LXDE" }, lxde + portal,
                { { "pcmanfm", says(2, {}, QString(161, 'e')) }, { "gdbus", {} } },
                "The LXDE desktop did not accept the wallpaper (pcmanfm: " + QString(159, 'e')
                    + "\u2026)." },
            { { "" }, portal.mid(1), { { "gdbus", says(3, QString(160, 'o')) } },
                "The desktop portal did not accept the wallpaper (gdbus: " + QString(160, 'o')
                    + ")." },
            { { "" }, portal.mid(1), { { "gdbus", says(4, " ") } },
                "The desktop portal did not accept the wallpaper (gdbus: exit code 4)." }
        };
        for (const auto& [desktops, calls, answers, error] : cases)
            for (const QString& desktop : desktops) {
                runner_.results = answers;
                EXPECT_EQ(Set(desktop, path_), std::pair(calls.toStdString(), error.toStdString()))
                    << qPrintable(desktop);
            }
    }

    // No shell splits or expands the arguments, nothing waits for input, a hang is stopped.
    TEST(ProcessCommandRunner, RunsRealProgramsWithoutAShell)
    {
        const auto run
            = [](const QString& script, std::chrono::milliseconds limit = std::chrono::minutes(1)) {
                  const CommandResult r = platform::ProcessCommandRunner(limit).Run(
                      "/bin/sh", { "-c", script, "sh", "a b", "$HOME" });
                  return std::tuple(r.started, r.exitCode, r.standardOutput.toStdString(),
                      r.standardError.toStdString());
              };
        EXPECT_EQ(run("printf '%s|' \"$@\"; cat; echo oh >&2; exit 3"),
            std::tuple(true, 3, "a b|$HOME|", "oh\n"));
        EXPECT_EQ(run("exec sleep 30", std::chrono::milliseconds(100)),
            std::tuple(true, -1, "", "/bin/sh did not finish in time and was stopped.\n"));
        EXPECT_FALSE(
            platform::ProcessCommandRunner().Run("/nonexistent/glimmerbox-tool", {}).started);
    }

} // namespace
} // namespace gb::test

#include "platform/linux_wallpaper.h"
#include "platform/process_command_runner.h"
#include "support/fake_command_runner.h"
#include "support/fake_portal.h"
#include "support/private_session_bus.h"
#include <QProcess>
#include <gtest/gtest.h>
#include <tuple>

namespace gb::test {
namespace {

    using platform::CommandResult;
    using std::chrono::milliseconds;

    CommandResult Says(int exitCode, const QString& out, const QString& err = {})
    {
        return { true, exitCode, out, err };
    }

    // A picture in a folder whose names need quoting, and the commands a desktop's tools got.
    class Wallpaper : public ::testing::Test {
    protected:
        // The error shown, or "" when the wallpaper changed.
        std::string Set(const QString& desktop, platform::ICommandRunner& runner,
            milliseconds timeout = std::chrono::minutes(1))
        {
            fake_.calls.clear();
            platform::WallpaperPortal portal(portalClient_, timeout);
            const auto result
                = platform::LinuxWallpaper(runner, desktop, std::move(portal)).SetWallpaper(path_);
            EXPECT_EQ(result.ok, result.error.isEmpty());
            return result.error.toStdString();
        }
        std::string Calls() const
        {
            QStringList calls;
            for (const auto& call : fake_.calls)
                calls << (QStringList { call.program } + call.arguments).join('|');
            return calls.join('\n').toStdString();
        }
        std::string Read(const QStringList& command)
        {
            const CommandResult r
                = platform::ProcessCommandRunner().Run(command[0], command.mid(1));
            EXPECT_TRUE(r.Succeeded()) << qPrintable(command.join(' ') + ": " + r.standardError);
            return r.standardOutput.trimmed().toStdString();
        }
        void AddPortal() { portal_.emplace(bus_.Connect()); }

        TempFolder temp_;
        PrivateSessionBus bus_;
        QDBusConnection portalClient_ = bus_.Connect();
        std::optional<FakePortal> portal_;
        FakeCommandRunner fake_;
        platform::ProcessCommandRunner real_;
        const bool made_ = QDir(temp_.Path()).mkdir("my pics");
        const QString path_ = temp_.File("my pics/it's wallpaper.bmp");
        const QString uri_ = "file://" + temp_.Path() + "/my%20pics/it's%20wallpaper.bmp";
    };

    TEST_F(Wallpaper, EachDesktopRunsItsOwnCommandsAndRefusalsAreExplained)
    {
        EXPECT_EQ(Set("GNOME", fake_), "The picture for the wallpaper is missing.");
        EXPECT_EQ(Calls(), "");
        temp_.Write("my pics/it's wallpaper.bmp", "BM");
        const auto gsettings = [](const QString& schema, const QString& key, const QString& value) {
            const QString set = "\ngsettings|set|" + schema + "|" + key + "|";
            return "gsettings|list-keys|" + schema + "\ngsettings|get|" + schema + "|" + key + set
                + "''" + set + value;
        };
        const QString lxde = "pcmanfm|--set-wallpaper=" + path_;
        // The desktop list is matched ignoring case and blanks; its first known entry wins.
        const std::tuple<QStringList, QString, QHash<QString, CommandResult>, QString> cases[] = {
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
                      "\"General\"];\n    d.writeConfig(\"Image\", \"\");\n"
                      "    d.writeConfig(\"Image\", uri);\n}\n",
                {}, "" },
            // sway splits its command at blanks, "," and ";" and expands the path as a shell word.
            { { "sway", "Hyprland:sway" },
                "swaymsg|output|*|bg|\"'" + QString(path_).replace("'", "'\\\\''") + "'\"|fill", {},
                "" },
            { { "LXDE" }, lxde, {}, "" },
            // After a refusal nothing more of the desktop's own commands runs.
            { { "Budgie:GNOME" }, "gsettings|list-keys|org.gnome.desktop.background",
                { { "gsettings", Says(1, "\n  No such schema  \nmore\n", " \n") } },
                "The Budgie desktop did not accept the wallpaper (gsettings: No such schema)." },
            // Long output is cut to fit a message box.
            { { "LXDE" }, lxde, { { "pcmanfm", Says(2, {}, QString(161, 'e')) } },
                "The LXDE desktop did not accept the wallpaper (pcmanfm: " + QString(159, 'e')
                    + "\u2026)." },
            { { "LXDE" }, lxde, { { "pcmanfm", Says(4, " ") } },
                "The LXDE desktop did not accept the wallpaper (pcmanfm: exit code 4)." },
            { { "LXDE" }, lxde, { { "pcmanfm", {} } },
                "No way to set the wallpaper was found on this desktop (tried: pcmanfm, the "
                "desktop portal)." },
            { { "Hyprland", "", ":" }, "", {},
                "No way to set the wallpaper was found on this desktop (tried: the desktop "
                "portal)." },
        };
        for (const auto& [desktops, calls, answers, error] : cases)
            for (const QString& desktop : desktops) {
                fake_.results = answers;
                EXPECT_EQ(Set(desktop, fake_), error.toStdString()) << qPrintable(desktop);
                EXPECT_EQ(Calls(), calls.toStdString()) << qPrintable(desktop);
            }
    }

    // pcmanfm-qt skips a path it already shows, so each time gets a new copy; only the newest
    // stays.
    TEST_F(Wallpaper, LxqtGetsAFreshCopyEachTimeAndOlderCopiesGo)
    {
        QStringList shown;
        for (const QByteArray picture : { "BM first", "BM second", "BM third" }) {
            temp_.Write("my pics/it's wallpaper.bmp", picture);
            EXPECT_EQ(Set("lxqt:XFCE", fake_), "");
            ASSERT_EQ(fake_.calls.size(), 1u);
            shown << fake_.calls[0].arguments.join('|').mid(QString("--set-wallpaper=").size());
            const QStringList files = QDir(temp_.File("my pics")).entryList(QDir::Files);
            EXPECT_EQ(
                files, QStringList({ QFileInfo(shown.back()).fileName(), "it's wallpaper.bmp" }));
            EXPECT_EQ(temp_.Read("my pics/" + files[0]), picture);
        }
        EXPECT_EQ(shown.removeDuplicates(), 0);
    }

    // The portal gets the picture's file itself; its answer arrives later, or never.
    TEST_F(Wallpaper, ThePortalsVerdictIsAwaitedAndARefusalReported)
    {
        temp_.Write("my pics/it's wallpaper.bmp", "BM portal");
        AddPortal();
        const QString refused = "The desktop portal did not accept the wallpaper "
                                "(org.freedesktop.portal.Wallpaper: the change was ";
        const std::tuple<std::optional<uint>, QString, QHash<QString, CommandResult>, QString>
            cases[] = {
                { 0, "", {}, "" },
                { 0, "LXDE", { { "pcmanfm", Says(1, "no") } }, "" },
                { 1, "", {}, refused + "cancelled)." },
                { 2, "", {}, refused + "refused)." },
                { 2, "LXDE", { { "pcmanfm", Says(1, "no") } },
                    "The LXDE desktop did not accept the wallpaper (pcmanfm: no)." },
                { std::nullopt, "", {},
                    "The desktop portal did not accept the wallpaper "
                    "(org.freedesktop.portal.Wallpaper: no answer within 0 seconds)." },
            };
        for (const auto& [response, desktop, answers, error] : cases) {
            portal_->response = response;
            portal_->picture.clear();
            fake_.results = answers;
            EXPECT_EQ(Set(desktop, fake_, milliseconds(response ? 60000 : 1)), error.toStdString());
            EXPECT_EQ(portal_->picture, "BM portal");
            EXPECT_EQ(portal_->options.value("show-preview"), false);
            EXPECT_EQ(portal_->options.value("set-on"), "both");
        }
    }

    // GNOME before 42 and Unity have no dark picture; a failed change leaves the old pictures.
    TEST_F(Wallpaper, GSettingsChangesEveryPictureOrNone)
    {
        temp_.Write("my pics/it's wallpaper.bmp", "BM");
        const QString old = "'file:///usr/share/old.png'", uri = '"' + uri_ + '"';
        const std::tuple<QString, QString, QString, QString> cases[] = {
            { "s", "", uri, uri },
            { "", "", uri, "" },
            // The dark key takes the empty value but not the URI: both keys go back.
            { "ms", "The GNOME desktop did not accept the wallpaper (gsettings: unknown keyword:).",
                old, "@ms " + old },
        };
        for (const auto& [darkType, error, light, dark] : cases) {
            TempFolder schemas;
            schemas.Write("gb.gschema.xml",
                "<schemalist><schema id='org.gnome.desktop.background' "
                "path='/org/gnome/desktop/background/'><key name='picture-uri' type='s'><default>"
                    + old.toUtf8() + "</default></key>"
                    + (darkType.isEmpty()
                            ? QByteArray()
                            : "<key name='picture-uri-dark' type='" + darkType.toUtf8()
                                + "'><default>" + old.toUtf8() + "</default></key>")
                    + "</schema></schemalist>");
            ASSERT_EQ(QProcess::execute("glib-compile-schemas", { schemas.Path() }), 0);
            PrivateSessionBus bus(schemas.Path());
            const QStringList get { "gsettings", "get", "org.gnome.desktop.background" };
            EXPECT_EQ(Set("GNOME", real_), error.toStdString()) << qPrintable(darkType);
            EXPECT_EQ(Read(get + QStringList { "picture-uri" }), light.toStdString());
            if (!darkType.isEmpty()) {
                EXPECT_EQ(Read(get + QStringList { "picture-uri-dark" }), dark.toStdString());
            }
        }
    }

    // Only the monitors Xfce itself lists are changed; with none listed nothing is made up.
    TEST_F(Wallpaper, XfceChangesTheListedMonitorsOrReportsThatThereAreNone)
    {
        temp_.Write("my pics/it's wallpaper.bmp", "BM");
        const QStringList channel { "xfconf-query", "-c", "xfce4-desktop" };
        EXPECT_EQ(Set("XFCE", real_),
            "The Xfce desktop did not accept the wallpaper (xfconf-query: no monitor has a "
            "last-image property).");
        EXPECT_EQ(Read(channel + QStringList { "-l" }), "");
        const QStringList monitors { "/backdrop/screen0/monitorVirtual-1/workspace0/last-image",
            "/backdrop/screen0/monitorHDMI-1/workspace1/last-image" };
        for (const QString& property : monitors + QStringList { "/backdrop/last-image-x" })
            Read(channel + QStringList { "-p", property, "-n", "-t", "string", "-s", "old" });
        EXPECT_EQ(Set("XFCE", real_), "");
        for (const QString& property : monitors)
            EXPECT_EQ(Read(channel + QStringList { "-p", property }), path_.toStdString());
        EXPECT_EQ(Read(channel + QStringList { "-p", "/backdrop/last-image-x" }), "old");
    }

    // No shell splits or expands the arguments, nothing waits for input, a hang is stopped.
    TEST(ProcessCommandRunner, RunsRealProgramsWithoutAShell)
    {
        const auto run = [](const QString& script, milliseconds limit = std::chrono::minutes(1)) {
            const CommandResult r = platform::ProcessCommandRunner(limit).Run(
                "/bin/sh", { "-c", script, "sh", "a b", "$HOME" });
            return std::tuple(r.started, r.exitCode, r.standardOutput.toStdString(),
                r.standardError.toStdString());
        };
        EXPECT_EQ(run("printf '%s|' \"$@\"; cat; echo oh >&2; exit 3"),
            std::tuple(true, 3, "a b|$HOME|", "oh\n"));
        EXPECT_EQ(run("exec sleep 30", milliseconds(100)),
            std::tuple(true, -1, "", "/bin/sh did not finish in time and was stopped.\n"));
        EXPECT_FALSE(
            platform::ProcessCommandRunner().Run("/nonexistent/glimmerbox-tool", {}).started);
    }

} // namespace
} // namespace gb::test

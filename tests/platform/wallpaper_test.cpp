#include "platform/linux_wallpaper.h"
#include "platform/process_command_runner.h"
#include "support/fake_command_runner.h"
#include "support/fake_portal.h"
#include "support/private_session_bus.h"
#include "support/scratch_mount.h"
#include <QProcess>
#include <QSettings>
#include <QTest>
#include <QThread>
#include <cstring>
#include <gtest/gtest.h>
#include <tuple>

namespace gb::test {
namespace {

    using platform::CommandResult;
    using std::chrono::milliseconds;

    // What `runner` reports of a command, once it has.
    CommandResult RunToEnd(
        platform::ICommandRunner& runner, const QString& program, const QStringList& arguments)
    {
        auto result = std::make_shared<std::optional<CommandResult>>();
        runner.Start(program, arguments, [result](const CommandResult& r) { *result = r; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return result->has_value(); }, 60000))
            << program.toStdString();
        return result->value_or(CommandResult());
    }

    // A picture in a folder whose names need quoting, and the commands a desktop's tools got.
    class Wallpaper : public ::testing::Test {
    protected:
        // The error shown, or "" when the wallpaper changed.
        std::string Set(const QString& desktop, platform::ICommandRunner& runner,
            milliseconds timeout = std::chrono::minutes(1))
        {
            fake_.calls.clear();
            platform::LinuxWallpaper wallpaper(
                runner, desktop, platform::WallpaperPortal(portalClient_, timeout));
            auto result = std::make_shared<std::optional<platform::WallpaperResult>>();
            wallpaper.SetWallpaper(path_, [result](const auto& r) { *result = r; });
            EXPECT_TRUE(QTest::qWaitFor([&] { return result->has_value(); }, 120000));
            const platform::WallpaperResult outcome = result->value_or(platform::WallpaperResult());
            EXPECT_EQ(outcome.ok, outcome.error.isEmpty());
            return outcome.error.toStdString();
        }
        std::string Calls() const
        {
            QStringList calls;
            for (const auto& call : fake_.calls)
                calls << (QStringList { call.program } + call.arguments).join('|');
            return calls.join('\n').toStdString();
        }
        // What a desktop tool prints, for commands whose words hold no blanks.
        std::string Read(const QString& command)
        {
            const QStringList words = command.split(' ');
            return RunToEnd(real_, words[0], words.mid(1)).standardOutput.trimmed().toStdString();
        }

        TempFolder temp_;
        PrivateSessionBus bus_;
        QDBusConnection portalClient_ = bus_.Connect();
        FakePortal portal_ { bus_.Connect() };
        FakeCommandRunner fake_;
        platform::ProcessCommandRunner real_;
        const bool made_ = QDir(temp_.Path()).mkdir("my pics");
        const QString path_ = temp_.File("my pics/it's wallpaper.bmp");
        const bool written_ = (temp_.Write("my pics/it's wallpaper.bmp", "BM"), true);
        const QString uri_ = "file://" + temp_.Path() + "/my%20pics/it's%20wallpaper.bmp";
    };

    TEST_F(Wallpaper, EachDesktopRunsItsOwnCommandsAndRefusalsAreExplained)
    {
        QFile::remove(path_);
        EXPECT_EQ(Set("GNOME", fake_), "The picture for the wallpaper is missing.");
        EXPECT_EQ(Calls(), "");
        temp_.Write("my pics/it's wallpaper.bmp", "BM");
        const auto says = [](int code, QString program, QString out, QString err = {}) {
            return QHash<QString, CommandResult> { { program, { true, code, out, err } } };
        };
        const auto refused = [](const QString& who, const QString& why) {
            return "The " + who + " did not accept the wallpaper (" + why + ").";
        };
        const auto portal = [&](const QString& why) {
            return refused("desktop portal", "org.freedesktop.portal.Wallpaper: " + why);
        };
        const QString lxde = "pcmanfm|--set-wallpaper=" + path_,
                      noWay = "No way to set the wallpaper was found on this desktop (tried: ";
        constexpr int kNoPortal = -2, kNotAsked = -3;
        // The desktop list is matched ignoring case and blanks; its first known entry wins. The
        // portal gets the file only when the desktop's own tool is missing or there is none: a
        // refusal is the desktop's last word.
        const std::tuple<QStringList, QHash<QString, CommandResult>, int, QString, QString> cases[]
            = {
                  // sway splits its command at blanks, "," and ";", then expands a shell word.
                  { { "sway", "Hyprland:sway" }, {}, kNotAsked,
                      "swaymsg|output|*|bg|\"'" + QString(path_).replace("'", "'\\\\''")
                          + "'\"|fill",
                      "" },
                  { { "LXDE", " lxde", "lxde:GNOME" }, {}, kNotAsked, lxde, "" },
                  // After a refusal nothing more runs; long output is cut to fit a message box.
                  { { "Budgie:GNOME" }, says(1, "gsettings", "\n  No such schema  \nmore\n", " \n"),
                      kNotAsked, "gsettings|list-keys|org.gnome.desktop.background",
                      refused("Budgie desktop", "gsettings: No such schema") },
                  { { "LXDE" }, says(2, "pcmanfm", "", QString(161, 'e')), kNotAsked, lxde,
                      refused("LXDE desktop", "pcmanfm: " + QString(159, 'e') + "\u2026") },
                  { { "LXDE" }, { { "pcmanfm", {} } }, kNoPortal, lxde,
                      noWay + "pcmanfm, the desktop portal)." },
                  { { "Hyprland", "", ":" }, {}, kNoPortal, "", noWay + "the desktop portal)." },
                  { { "LXDE" }, { { "pcmanfm", {} } }, 0, lxde, "" },
                  { { "" }, {}, 1, "", portal("the change was cancelled") },
                  { { "" }, {}, 2, "", portal("the change was refused") },
                  { { "LXDE" }, { { "pcmanfm", {} } }, 2, lxde, portal("the change was refused") },
                  { { "" }, {}, FakePortal::kSilent, "", portal("no answer within 0 seconds") },
              };
        for (const auto& [desktops, answers, response, calls, error] : cases)
            for (const QString& desktop : desktops) {
                fake_.results = answers;
                portal_.Serve(response != kNoPortal);
                portal_.response = response;
                portal_.picture.clear();
                const milliseconds timeout(response == FakePortal::kSilent ? 1 : 60000);
                EXPECT_EQ(Set(desktop, fake_, timeout), error.toStdString()) << qPrintable(desktop);
                EXPECT_EQ(Calls(), calls.toStdString()) << qPrintable(desktop);
                // A portal that keeps silent may take the call only after we stopped waiting.
                const QByteArray sent = response >= FakePortal::kSilent ? "BM" : "";
                EXPECT_TRUE(QTest::qWaitFor([&] { return portal_.picture == sent; }, 20000))
                    << qPrintable(desktop);
            }
        EXPECT_EQ(portal_.options.value("show-preview"), false);
        EXPECT_EQ(portal_.options.value("set-on"), "both");
    }

    // pcmanfm-qt skips a path it already shows, so each time gets a new copy; only the newest
    // stays. The desktop runs as LXQt starts it, and the setting it saves tells what it took.
    TEST_F(Wallpaper, LxqtGetsAFreshCopyEachTimeAndOlderCopiesGo)
    {
        const QString settings
            = qEnvironmentVariable("XDG_CONFIG_HOME") + "/pcmanfm-qt/lxqt/settings.conf";
        const auto saved = [&](const QString& key) {
            return QSettings(settings, QSettings::IniFormat).value(key).toString();
        };
        const auto write = [&](QString mode) {
            QSettings(settings, QSettings::IniFormat).setValue("Desktop/WallpaperMode", mode);
        };
        // A desktop showing a plain colour (as it does with no settings) is switched to a picture
        // mode, which it keeps after a restart; one showing a picture keeps its own.
        QSettings(settings, QSettings::IniFormat).setValue("Desktop/BgColor", "#123");
        for (const QString mode : { "zoom", "none", "" }) {
            mode.isEmpty() ? void(QFile::remove(settings)) : write(mode);
            EXPECT_EQ(Set("LXQt", fake_), "");
            ASSERT_EQ(fake_.calls.size(), 1u);
            EXPECT_EQ(fake_.calls[0].arguments.value(1),
                mode == "zoom" ? "" : "--wallpaper-mode=stretch");
            EXPECT_EQ(saved("Desktop/WallpaperMode"), mode == "zoom" ? "zoom" : "stretch");
            EXPECT_EQ(saved("Desktop/BgColor"), mode.isEmpty() ? "" : "#123");
        }
        write("none");
        QProcess desktop;
        desktop.start("pcmanfm-qt", { "--desktop", "--profile=lxqt" });
        const auto running = [&] { return desktop.state() != QProcess::NotRunning; };
        while (running() && !portalClient_.interface()->isServiceRegistered("org.pcmanfm.PCManFM"))
            QThread::msleep(10);
        const auto taken = [&] { return saved("Desktop/Wallpaper"); };
        QStringList shown;
        for (const QByteArray picture : { "BM first", "BM second", "BM third" }) {
            temp_.Write("my pics/it's wallpaper.bmp", picture);
            EXPECT_EQ(Set("LXQt", real_), "");
            const QStringList files = QDir(temp_.File("my pics")).entryList(QDir::Files);
            ASSERT_EQ(files.size(), 2);
            EXPECT_EQ(temp_.Read("my pics/" + files[0]), picture);
            shown << temp_.File("my pics/" + files[0]);
            for (QDeadlineTimer patience(std::chrono::minutes(1));
                 running() && !patience.hasExpired() && taken() != shown.back();)
                QThread::msleep(10);
            EXPECT_EQ(taken(), shown.back());
        }
        EXPECT_EQ(shown.removeDuplicates(), 0);
        EXPECT_EQ(saved("Desktop/WallpaperMode"), "stretch");
        desktop.kill();
        desktop.waitForFinished(-1);
    }

    // GNOME before 42 and Unity have no dark picture; a failed change leaves the old pictures.
    TEST_F(Wallpaper, GSettingsChangesEveryPictureOrNone)
    {
        const QString old = "'file:///usr/share/old.png'", uri = '"' + uri_ + '"',
                      key
            = "<key name='picture-uri%1' type='%2'><default>" + old + "</default></key>",
                      get = "gsettings get org.gnome.desktop.background picture-uri";
        const QString refused = "The GNOME desktop did not accept the wallpaper (gsettings: %1).";
        const std::tuple<QString, QString, QString, QString, bool> cases[] = {
            { "s", "", uri, uri, false },
            { "", "", uri, "", false },
            // The dark key takes the empty value but not the URI: both keys go back.
            { "ms", refused.arg("unknown keyword:"), old, "@ms " + old, false },
            // dconf cannot save, and gsettings exits with 0 all the same.
            { "s", refused.arg("picture-uri kept its old value: %1"), old, old, true },
        };
        for (const auto& [darkType, error, light, dark, stuck] : cases) {
            TempFolder schemas;
            schemas.Write("gb.gschema.xml",
                ("<schemalist><schema id='org.gnome.desktop.background' "
                 "path='/org/gnome/desktop/background/'>"
                    + key.arg("", "s") + (darkType.isEmpty() ? "" : key.arg("-dark", darkType))
                    + "</schema></schemalist>")
                    .toUtf8());
            ASSERT_EQ(QProcess::execute("glib-compile-schemas", { schemas.Path() }), 0);
            PrivateSessionBus bus(schemas.Path());
            const QString dconf = qEnvironmentVariable("XDG_CONFIG_HOME") + "/dconf";
            const ScratchMount disk((QDir().mkpath(dconf), dconf));
            const int refusal = stuck ? disk.MakeReadOnly() : 0;
            if (stuck && refusal == 0)
                GTEST_SKIP() << "a read-only folder needs a tmpfs (root with CAP_SYS_ADMIN)";
            EXPECT_EQ(Set("GNOME", real_),
                (stuck ? error.arg(std::strerror(refusal)) : error).toStdString());
            EXPECT_EQ(Read(get), light.toStdString());
            EXPECT_EQ(Read(get + "-dark"), dark.toStdString());
        }
    }

    // Only the monitors Xfce itself knows are changed, also before it has shown a picture on
    // them; with none known nothing is made up.
    TEST_F(Wallpaper, XfceChangesTheMonitorsItKnowsOrReportsThatThereAreNone)
    {
        const QString query = "xfconf-query -c xfce4-desktop -p /backdrop/";
        EXPECT_EQ(Set("XFCE", real_),
            "The Xfce desktop did not accept the wallpaper "
            "(xfconf-query: Xfce has not set up a wallpaper for any monitor yet).");
        EXPECT_EQ(Read("xfconf-query -c xfce4-desktop -l"), "");
        const QStringList monitors { "screen0/monitorVirtual-1/workspace0/last-image",
            "screen0/monitorHDMI-1/workspace1/last-image", "last-image-x" };
        for (const QString& property : monitors)
            Read(query + property + " -n -t string -s old");
        Read(query + "screen0/monitorDP-2/workspace1/image-style -n -t int -s 5");
        EXPECT_EQ(Set("XFCE", real_), "");
        for (const QString& property : monitors)
            EXPECT_EQ(Read(query + property), property.endsWith("x") ? "old" : path_.toStdString());
        EXPECT_EQ(Read(query + "screen0/monitorDP-2/workspace1/last-image"), path_.toStdString());
        EXPECT_EQ(Read(query + "screen0/monitorDP-2/workspace1/image-style"), "5");
    }

    // No shell splits or expands the arguments, nothing waits for input, a hang is stopped.
    TEST(ProcessCommandRunner, RunsRealProgramsWithoutAShell)
    {
        const auto run = [](const QString& script, milliseconds limit = std::chrono::minutes(1)) {
            platform::ProcessCommandRunner runner(limit);
            const CommandResult r
                = RunToEnd(runner, "/bin/sh", { "-c", script, "sh", "a b", "$HOME" });
            return std::tuple(r.started, r.exitCode, r.standardOutput.toStdString(),
                r.standardError.toStdString());
        };
        EXPECT_EQ(run("printf '%s|' \"$@\"; cat; echo oh >&2; exit 3"),
            std::tuple(true, 3, "a b|$HOME|", "oh\n"));
        EXPECT_EQ(run("exec sleep 30", milliseconds(100)),
            std::tuple(true, -1, "", "/bin/sh did not finish in time and was stopped.\n"));
        platform::ProcessCommandRunner runner;
        EXPECT_FALSE(RunToEnd(runner, "/nonexistent/glimmerbox-tool", {}).started);
    }

    // Start returns before the program ends (this one ends only when told, after Start); a
    // runner that goes stops what still runs, without a word.
    TEST(ProcessCommandRunner, NeverWaitsForTheProgram)
    {
        TempFolder folder;
        const auto waitFor = [&](const char* name) {
            return QStringList { "-c", "until [ -e \"$1\" ]; do sleep 0.01; done", "sh",
                folder.File(name) };
        };
        std::optional<CommandResult> told, gone;
        {
            platform::ProcessCommandRunner runner;
            runner.Start("/bin/sh", waitFor("go"), [&](const CommandResult& r) { told = r; });
            EXPECT_FALSE(told.has_value());
            folder.Write("go", "");
            ASSERT_TRUE(QTest::qWaitFor([&] { return told.has_value(); }));
            EXPECT_EQ(told->exitCode, 0);
            runner.Start("/bin/sh", waitFor("never"), [&](const CommandResult& r) { gone = r; });
        }
        QCoreApplication::processEvents();
        EXPECT_FALSE(gone.has_value());
    }

} // namespace
} // namespace gb::test

#pragma once

#include "support/temp_folder.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace gb::test {

// One X server with openbox managing it (openbox runs its startup command once it does), and a
// private settings folder with a settings file of `settings`, or none. The program runs on it
// as a user starts it; xdotool and wmctrl, given `environment`, act on it as a person would.
struct WindowManagerDisplay {
    static bool Available()
    {
        return !QStandardPaths::findExecutable("Xvfb").isEmpty()
            && !QStandardPaths::findExecutable("openbox").isEmpty();
    }
    // Without `managed`, the bare X server alone, as xvfb-run gives.
    explicit WindowManagerDisplay(
        const QByteArray& settings, const QString& screen = "1280x800x24", bool managed = true)
    {
        server.start("Xvfb", { "-displayfd", "1", "-dpi", "96", "-screen", "0", screen });
        while (server.waitForReadyRead(10000) && !server.canReadLine()) { }
        environment.insert("DISPLAY", ":" + server.readLine().trimmed());
        environment.insert("QT_QPA_PLATFORM", "xcb");
        for (const char* name : { "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "HOME" })
            environment.insert(name, config.Path());
        wm.setProcessEnvironment(environment);
        if (!settings.isEmpty() && QDir().mkpath(config.File("glimmerbox")))
            config.Write("glimmerbox/glimmerbox.ini", "[Main]\n" + settings);
        if (!managed)
            return;
        wm.start("openbox", { "--sm-disable", "--startup", "echo managing" });
        while (wm.waitForReadyRead(10000) && !wm.readAllStandardOutput().contains("managing")) { }
        EXPECT_EQ(wm.state(), QProcess::Running);
    }
    ~WindowManagerDisplay()
    {
        for (QProcess* each : { &wm, &server })
            each->terminate(), each->waitForFinished(10000);
    }
    // A start on `folder` until the program closes itself; then the placement it stored.
    QString RunOnce(const QString& folder)
    {
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(GLIMMERBOX_EXE, { "--screenshot", config.File("shot.png"), folder });
        EXPECT_TRUE(program.waitForFinished(30000) && program.exitCode() == 0);
        return StoredPlacement();
    }
    // "Window Position / Maximized" as the settings file holds them.
    QString StoredPlacement() const
    {
        const QString ini = config.Read("glimmerbox/glimmerbox.ini");
        return QRegularExpression("(?m)^Window Position=(.*)$").match(ini).captured(1) + " / "
            + QRegularExpression("(?m)^Maximized=(.*)$").match(ini).captured(1);
    }
    // Runs `tool` (xdotool, wmctrl) on this display, as a person's hand on the keyboard; its
    // output, trimmed. `xdotool search --sync` waits for its window here.
    QString Run(const QString& tool, const QStringList& arguments) const
    {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(tool, arguments);
        EXPECT_TRUE(process.waitForFinished(10000)) << qPrintable(tool + ' ' + arguments.join(' '));
        return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    }
    static bool HasInputTools()
    {
        return !QStandardPaths::findExecutable("xdotool").isEmpty()
            && !QStandardPaths::findExecutable("wmctrl").isEmpty();
    }
    QProcess server, wm;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    TempFolder config;
};

} // namespace gb::test

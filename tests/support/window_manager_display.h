#pragma once

#include "support/temp_folder.h"

#include <QMargins>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

namespace gb::test {

// One X server with openbox managing it (openbox runs its startup command once it does), and a
// private settings folder with a settings file of `settings`, or none. The program runs on it
// as a user starts it; xdotool and wmctrl, given `environment`, act on it as a person would.
struct WindowManagerDisplay {
    // How long a step (a server starting, the window manager answering, the program ending) may
    // take on a busy machine; a step that never comes fails only after this.
    static constexpr int kPatienceMs = 20000;
    // The X server, the window manager and the tools a person's hand stands for here.
    static bool Available()
    {
        for (const char* tool : { "Xvfb", "openbox", "xdotool", "wmctrl", "xprop", "xwininfo" })
            if (QStandardPaths::findExecutable(tool).isEmpty())
                return false;
        return true;
    }
    // Without `managed`, the bare X server alone, as xvfb-run gives.
    explicit WindowManagerDisplay(
        const QByteArray& settings, const QString& screen = "1280x800x24", bool managed = true)
    {
        server.start("Xvfb", { "-displayfd", "1", "-dpi", "96", "-screen", "0", screen });
        while (server.waitForReadyRead(kPatienceMs) && !server.canReadLine()) { }
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
        while (wm.waitForReadyRead(kPatienceMs)
            && !wm.readAllStandardOutput().contains("managing")) { }
        EXPECT_EQ(wm.state(), QProcess::Running);
    }
    ~WindowManagerDisplay()
    {
        for (QProcess* each : { &wm, &server })
            each->terminate(), each->waitForFinished(kPatienceMs);
    }
    // A start on `folder` with --screenshot until the program closes itself; what it printed.
    QString Screenshot(const QString& folder)
    {
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(GLIMMERBOX_EXE, { "--screenshot", config.File("shot.png"), folder });
        EXPECT_TRUE(program.waitForFinished(kPatienceMs));
        EXPECT_EQ(program.exitCode(), 0);
        return QString::fromUtf8(program.readAllStandardOutput());
    }
    // "Window Position / Maximized" as the settings file holds them.
    QString StoredPlacement() const
    {
        const QString ini = config.Read("glimmerbox/glimmerbox.ini");
        return QRegularExpression("(?m)^Window Position=(.*)$").match(ini).captured(1) + " / "
            + QRegularExpression("(?m)^Maximized=(.*)$").match(ini).captured(1);
    }
    // What a tool (xdotool, wmctrl, xprop, xwininfo) prints when run on this display.
    QString Tool(const QString& program, const QStringList& arguments) const
    {
        QProcess tool;
        tool.setProcessEnvironment(environment);
        tool.start(program, arguments);
        EXPECT_TRUE(tool.waitForFinished(kPatienceMs)) << qPrintable(program);
        return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
    }
    // Starts the program on `folder` as a person does, to stay open; false when no window shows.
    bool Start(const QString& folder)
    {
        running.setProcessEnvironment(environment);
        running.start(GLIMMERBOX_EXE, { folder });
        window = Tool("xdotool", { "search", "--sync", "--onlyvisible", "--name", "^Glimmerbox$" })
                     .section('\n', 0, 0);
        return !window.isEmpty();
    }
    // Waits until `id` is the window the keyboard goes to; false when it never becomes so.
    bool WaitUntilActive(const QString& id) const
    {
        return !id.isEmpty()
            && QTest::qWaitFor(
                [&] { return Tool("xdotool", { "getactivewindow" }) == id; }, kPatienceMs);
    }
    // Waits for the started program to end, as it does once its window is closed.
    bool Ended(int patienceMs = kPatienceMs)
    {
        if (running.state() != QProcess::NotRunning && !running.waitForFinished(patienceMs))
            return false;
        return running.exitStatus() == QProcess::NormalExit && running.exitCode() == 0;
    }
    // The frame's sizes the window manager announces for the started program's window.
    QMargins FrameExtents() const
    {
        const QStringList sizes
            = Tool("xprop", { "-id", window, "_NET_FRAME_EXTENTS" }).section('=', 1).split(',');
        return { sizes.value(0).toInt(), sizes.value(2).toInt(), sizes.value(1).toInt(),
            sizes.value(3).toInt() };
    }
    // Where the window shows on the screen, frame included, in pixels.
    QRect Frame() const
    {
        const QString info = Tool("xwininfo", { "-id", window });
        const auto value = [&](const QString& label) {
            return QRegularExpression(label + ":\\s+(-?\\d+)").match(info).captured(1).toInt();
        };
        return QRect(value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"),
            value("Height"))
            .marginsAdded(FrameExtents());
    }
    bool Maximized() const
    {
        return Tool("xprop", { "-id", window, "_NET_WM_STATE" }).contains("MAXIMIZED_VERT");
    }
    // Presses the left button at `from`, moves by `by` in steps a window manager follows, and
    // lets go.
    void Drag(QPoint from, QPoint by) const
    {
        QString steps
            = QString("mousemove %1 %2 sleep 0.1 mousedown 1").arg(from.x()).arg(from.y());
        for (int step = 1; step <= 4; ++step)
            steps += QString(" sleep 0.05 mousemove %1 %2")
                         .arg(from.x() + by.x() * step / 4)
                         .arg(from.y() + by.y() * step / 4);
        Tool("xdotool", (steps + " mouseup 1").split(' '));
    }
    QProcess server, wm, running;
    QString window; // the started program's window
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    TempFolder config;
};

} // namespace gb::test

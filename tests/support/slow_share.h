#pragma once

#include "support/temp_folder.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <unistd.h>

namespace gb::test {

// A folder served through the slowfs FUSE pass-through (the lab's slow, stalled and failing
// storage): `Path()` shows `files` with the given round-trip latency and bandwidth. Stalls and
// faults are switched on through its control folder; the share is unmounted at the end, any
// stall lifted first so that nothing waits for ever.
struct SlowShare {
    static QString Tool()
    {
        const QString named = qEnvironmentVariable("GLIMMERBOX_SLOWFS");
        return !named.isEmpty() ? named
                                : QStringLiteral(GLIMMERBOX_SOURCE_DIR "/../shared/tools/slowfs");
    }
    // Why no share can be mounted here, or empty when one can.
    static QString Missing()
    {
        if (::geteuid() != 0 || !QFileInfo::exists("/dev/fuse"))
            return "FUSE needs root and /dev/fuse";
        if (!QFileInfo(Tool()).isExecutable())
            return "the slowfs tool is not at " + Tool();
        if (QProcess::execute("/usr/bin/python3", { "-c", "import fusepy" }) != 0)
            return "python3-fusepy is not installed";
        return {};
    }
    explicit SlowShare(int latencyMs = 0, int mbps = 0)
    {
        QProcess::execute(Tool(),
            { files.Path(), mount.Path(), "--ctl", control.Path(), "--latency-ms",
                QString::number(latencyMs), "--mbps", QString::number(mbps), "--background" });
        mounted
            = QTest::qWaitFor([&] { return QFileInfo::exists(control.File("stats.json")); }, 20000);
    }
    ~SlowShare()
    {
        for (const char* flag : { "stall", "stall_all", "faults" })
            QFile::remove(control.File(flag));
        if (mounted)
            QProcess::execute("fusermount", { "-u", "-z", mount.Path() });
    }
    QString Path() const { return mount.Path(); }
    QString File(const QString& name) const { return mount.File(name); }
    // Every read and write waits (with `everything`, every operation, as a server gone away).
    void Stall(bool everything = false) const
    {
        control.Write(everything ? "stall_all" : "stall", "");
        Settle();
    }
    void Resume() const
    {
        QFile::remove(control.File("stall"));
        QFile::remove(control.File("stall_all"));
        Settle();
    }
    // Fault rules, one a line ("read /a.jpg 0 EIO"); empty lifts them.
    void Faults(const QByteArray& rules) const
    {
        control.Write("faults", rules);
        Settle();
    }
    // One of the share's counters since it was mounted: "bytes_read", "stalled_waits" …
    qint64 Counter(const char* name) const
    {
        Settle();
        return QJsonDocument::fromJson(control.Read("stats.json")).object()[name].toInteger();
    }
    // Returns once the share has seen the control folder as it is now: it takes up a "dump"
    // request at the end of a look at the whole folder, so the second one it takes up comes
    // from a look that began after this call.
    void Settle() const
    {
        for (int i = 0; i < 2; ++i) {
            control.Write("dump", "");
            EXPECT_TRUE(
                QTest::qWaitFor([&] { return !QFileInfo::exists(control.File("dump")); }, 20000));
        }
    }
    TempFolder files, mount, control;
    bool mounted = false;
};

} // namespace gb::test

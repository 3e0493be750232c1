#pragma once

#include "support/temp_folder.h"

#include <QDBusConnection>
#include <QProcess>

namespace gb::test {

// A session bus of our own. The settings daemons it starts on demand (dconf, xfconfd) keep their
// files in its scratch folder, and the desktop tools we run find it through the environment
// while it lives, so the user's real desktop is never touched.
class PrivateSessionBus {
public:
    // schemas: compiled GSettings schemas for gsettings to use instead of the system's.
    explicit PrivateSessionBus(const QString& schemas = {})
    {
        // The daemons the bus starts take its environment.
        Set("XDG_CONFIG_HOME", config_.Path());
        Set("XDG_RUNTIME_DIR", runtime_.Path()); // private to us, as a QTemporaryDir is
        Set("GSETTINGS_BACKEND", "dconf");
        Set("GSETTINGS_SCHEMA_DIR", schemas);
        daemon_.start("dbus-daemon", { "--session", "--nofork", "--print-address=1" });
        while (!daemon_.canReadLine() && daemon_.waitForReadyRead(-1)) { }
        Set("DBUS_SESSION_BUS_ADDRESS", QString::fromUtf8(daemon_.readLine()).trimmed());
        EXPECT_TRUE(Address().startsWith("unix:")) << "dbus-daemon did not start";
    }
    ~PrivateSessionBus()
    {
        daemon_.kill();
        daemon_.waitForFinished(-1);
        for (const auto& [name, value] : saved_)
            value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }

    // Each call is a separate client, as another program on the bus would be.
    QDBusConnection Connect()
    {
        static int clients = 0;
        return QDBusConnection::connectToBus(Address(), QString("gb-test-%1").arg(++clients));
    }
    static QString Address() { return qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"); }

private:
    void Set(const char* name, const QString& value)
    {
        saved_.append({ name, qgetenv(name) });
        qputenv(name, value.toUtf8());
    }

    TempFolder config_, runtime_;
    QProcess daemon_;
    QList<std::pair<const char*, QByteArray>> saved_;
};

} // namespace gb::test

#pragma once

#include "support/temp_folder.h"

#include <QDBusConnection>
#include <QProcess>
#include <QStandardPaths>

namespace gb::test {

// A session of our own: a bus, settings folders and the programs on the path. The bus starts on
// demand only the services named (by default the settings daemons dconf and xfconfd, whose files
// stay in the scratch folder); whatever else this machine has installed for the session (a desktop
// portal, file managers) is neither activated nor found on the path. The user's real desktop is
// never touched.
class PrivateSessionBus {
public:
    // The programs the tests run by name; nothing else is on the path while the bus lives.
    static QStringList DefaultTools()
    {
        return { "gsettings", "glib-compile-schemas", "xfconf-query", "pcmanfm-qt", "dbus-send",
            "gio", "xdg-mime", "xdg-open", "cp", "false", "sh", "dbus-daemon" };
    }

    static QStringList DefaultServices() { return { "ca.desrt.dconf", "org.xfce.Xfconf" }; }

    // schemas: compiled GSettings schemas for gsettings to use instead of the system's.
    explicit PrivateSessionBus(const QString& schemas = {},
        const QStringList& tools = DefaultTools(), const QStringList& services = DefaultServices())
    {
        const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
        Set("PATH", LinkTools(tools));
        // The daemons the bus starts take its environment.
        Set("XDG_CONFIG_HOME", config_.Path());
        Set("XDG_RUNTIME_DIR", runtime_.Path()); // private to us, as a QTemporaryDir is
        Set("GSETTINGS_BACKEND", "dconf");
        Set("GSETTINGS_SCHEMA_DIR", schemas);
        daemon_.start(
            daemon, { "--config-file=" + WriteConfig(services), "--nofork", "--print-address=1" });
        while (!daemon_.canReadLine() && daemon_.waitForReadyRead(-1)) { }
        Set("DBUS_SESSION_BUS_ADDRESS", QString::fromUtf8(daemon_.readLine()).trimmed());
        EXPECT_TRUE(Address().startsWith("unix:")) << "dbus-daemon did not start";
    }
    ~PrivateSessionBus()
    {
        daemon_.kill();
        daemon_.waitForFinished(-1);
        for (auto it = saved_.crbegin(); it != saved_.crend(); ++it)
            it->second.isNull() ? qunsetenv(it->first) : qputenv(it->first, it->second);
    }

    // Each call is a separate client, as another program on the bus would be.
    QDBusConnection Connect()
    {
        static int clients = 0;
        return QDBusConnection::connectToBus(Address(), QString("gb-test-%1").arg(++clients));
    }
    static QString Address() { return qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"); }

    // Sets an environment variable for as long as the session lasts.
    void Set(const char* name, const QString& value)
    {
        saved_.append({ name, qgetenv(name) });
        qputenv(name, value.toUtf8());
    }

private:
    // A folder of links to the installed tools that are asked for; a missing one stays missing.
    QString LinkTools(const QStringList& tools) const
    {
        const QString bin = private_.File("bin");
        QDir().mkpath(bin);
        for (const QString& tool : tools) {
            if (const QString installed = QStandardPaths::findExecutable(tool);
                !installed.isEmpty())
                QFile::link(installed, bin + "/" + tool);
        }
        return bin;
    }

    // The session bus's usual rules, but with only our own service folder.
    QString WriteConfig(const QStringList& names) const
    {
        const QString services = private_.File("services");
        QDir().mkpath(services);
        for (const QString& name : names) {
            const QString installed = QStandardPaths::locate(
                QStandardPaths::GenericDataLocation, "dbus-1/services/" + name + ".service");
            if (!installed.isEmpty())
                QFile::copy(installed, services + "/" + name + ".service");
        }
        private_.Write("bus.conf",
            ("<busconfig><type>session</type><listen>unix:tmpdir=" + runtime_.Path()
                + "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                  "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                  "<allow own=\"*\"/></policy><servicedir>"
                + services + "</servicedir></busconfig>")
                .toUtf8());
        return private_.File("bus.conf");
    }

    TempFolder config_, runtime_, private_;
    QProcess daemon_;
    QList<std::pair<const char*, QByteArray>> saved_;
};

} // namespace gb::test

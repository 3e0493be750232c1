#pragma once

#include "support/temp_folder.h"

#include <QDBusConnection>
#include <QProcess>
#include <vector>

namespace gb::test {

// A session bus of our own. The settings daemons it starts on demand (dconf, xfconfd) keep their
// files in its scratch folder, and the desktop tools we run find it through the environment
// while it lives, so the user's real desktop is never touched.
class PrivateSessionBus {
public:
    // schemas: compiled GSettings schemas for gsettings to use instead of the system's.
    explicit PrivateSessionBus(const QString& schemas = {})
    {
        for (const char* folder : { "config", "runtime" })
            QDir(home_.Path()).mkdir(folder);
        QFile::setPermissions(
            home_.File("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        SetVariable("XDG_CONFIG_HOME", home_.File("config"));
        SetVariable("XDG_RUNTIME_DIR", home_.File("runtime"));
        SetVariable("GSETTINGS_BACKEND", "dconf");
        SetVariable("GSETTINGS_SCHEMA_DIR", schemas);
        daemon_.start("dbus-daemon", { "--session", "--nofork", "--print-address=1" });
        while (!daemon_.canReadLine() && daemon_.waitForReadyRead(-1)) { }
        const QString address = QString::fromUtf8(daemon_.readLine()).trimmed();
        EXPECT_FALSE(address.isEmpty()) << "dbus-daemon did not start";
        SetVariable("DBUS_SESSION_BUS_ADDRESS", address);
    }

    ~PrivateSessionBus()
    {
        for (const QString& name : names_)
            QDBusConnection::disconnectFromBus(name);
        daemon_.kill();
        daemon_.waitForFinished(-1);
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            it->second.isNull() ? qunsetenv(it->first) : qputenv(it->first, it->second);
    }

    // Each call is a separate client, as another program on the bus would be.
    QDBusConnection Connect()
    {
        names_ << QStringLiteral("glimmerbox-test-%1").arg(names_.size());
        return QDBusConnection::connectToBus(
            qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), names_.back());
    }

private:
    void SetVariable(const char* name, const QString& value)
    {
        saved_.emplace_back(name, qgetenv(name));
        qputenv(name, value.toUtf8());
    }

    TempFolder home_;
    QProcess daemon_;
    QStringList names_;
    std::vector<std::pair<const char*, QByteArray>> saved_;
};

} // namespace gb::test

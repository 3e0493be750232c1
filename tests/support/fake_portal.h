#pragma once

#include <QFile>
#include <QtDBus>

namespace gb::test {

// The freedesktop desktop portal's wallpaper call as the real one answers it: at once the request
// object named after the caller and its token, the verdict later as that object's signal.
class FakePortal : public QDBusVirtualObject {
public:
    static constexpr int kSilent = -1;
    int response = 0; // 0 done, 1 cancelled, 2 refused, or kSilent
    QByteArray picture; // what the caller's file descriptor read
    QVariantMap options;

    explicit FakePortal(QDBusConnection bus)
        : bus_(bus)
    {
        bus_.registerVirtualObject("/org/freedesktop/portal/desktop", this);
    }
    void Serve(bool on) { on ? bus_.registerService(kName) : bus_.unregisterService(kName); }
    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& call, const QDBusConnection& bus) override
    {
        if (call.member() != "SetWallpaperFile" || call.arguments().size() != 3)
            return false;
        QFile file;
        if (file.open(call.arguments()[1].value<QDBusUnixFileDescriptor>().fileDescriptor(),
                QIODevice::ReadOnly))
            picture = file.readAll();
        options = qdbus_cast<QVariantMap>(call.arguments()[2]);
        const QString request = "/org/freedesktop/portal/desktop/request/"
            + call.service().mid(1).replace('.', '_') + "/" + options["handle_token"].toString();
        bus.send(call.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        if (response != kSilent)
            bus.send(
                QDBusMessage::createSignal(request, "org.freedesktop.portal.Request", "Response")
                << uint(response) << QVariantMap());
        return true;
    }

private:
    static constexpr const char* kName = "org.freedesktop.portal.Desktop";
    QDBusConnection bus_;
};

} // namespace gb::test

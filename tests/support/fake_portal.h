#pragma once

#include <QDBusConnection>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QFile>
#include <optional>

namespace gb::test {

// The freedesktop desktop portal's wallpaper call as the real one answers it: a request object
// named after the caller and its token at once, the verdict later as that object's signal.
class FakePortal : public QDBusVirtualObject {
public:
    std::optional<uint> response; // none: the portal never answers
    QByteArray picture; // what the caller's file descriptor read
    QVariantMap options;

    explicit FakePortal(QDBusConnection bus)
    {
        bus.registerService("org.freedesktop.portal.Desktop");
        bus.registerVirtualObject("/org/freedesktop/portal/desktop", this);
    }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& call, const QDBusConnection& bus) override
    {
        if (call.interface() != "org.freedesktop.portal.Wallpaper"
            || call.member() != "SetWallpaperFile" || call.arguments().size() != 3)
            return false;
        QFile file;
        if (file.open(call.arguments()[1].value<QDBusUnixFileDescriptor>().fileDescriptor(),
                QIODevice::ReadOnly))
            picture = file.readAll();
        options = qdbus_cast<QVariantMap>(call.arguments()[2]);
        const QString request = "/org/freedesktop/portal/desktop/request/"
            + call.service().mid(1).replace('.', '_') + "/" + options["handle_token"].toString();
        bus.send(call.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        if (response)
            bus.send(
                QDBusMessage::createSignal(request, "org.freedesktop.portal.Request", "Response")
                << *response << QVariantMap());
        return true;
    }
};

} // namespace gb::test

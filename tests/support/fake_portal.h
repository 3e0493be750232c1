#pragma once

#include <QFile>
#include <QtDBus>

namespace gb::test {

// The freedesktop desktop portal's wallpaper call: a request object named after the caller and
// its token, whose Response signal carries the verdict (here even before the call returns).
class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Wallpaper")
public:
    static constexpr int kSilent = -1;
    int response = 0; // 0 done, 1 cancelled, 2 refused, or kSilent
    QByteArray picture; // what the caller's file descriptor read
    QVariantMap options;

    explicit FakePortal(QDBusConnection bus)
        : bus_(bus)
    {
        bus_.registerObject(
            "/org/freedesktop/portal/desktop", this, QDBusConnection::ExportAllSlots);
    }
    void Serve(bool on) { on ? bus_.registerService(kName) : bus_.unregisterService(kName); }

public Q_SLOTS:
    QDBusObjectPath SetWallpaperFile(const QString&, const QDBusUnixFileDescriptor& fd,
        const QVariantMap& given, const QDBusMessage& call)
    {
        QFile file;
        picture = file.open(fd.fileDescriptor(), QIODevice::ReadOnly) ? file.readAll() : "";
        options = given;
        const QString request = "/org/freedesktop/portal/desktop/request/"
            + call.service().mid(1).replace('.', '_') + "/" + given["handle_token"].toString();
        if (response != kSilent)
            bus_.send(
                QDBusMessage::createSignal(request, "org.freedesktop.portal.Request", "Response")
                << uint(response) << QVariantMap());
        return QDBusObjectPath(request);
    }

private:
    static constexpr const char* kName = "org.freedesktop.portal.Desktop";
    QDBusConnection bus_;
};

} // namespace gb::test

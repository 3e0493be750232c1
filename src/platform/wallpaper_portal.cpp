#include "platform/wallpaper_portal.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusUnixFileDescriptor>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

namespace gb::platform {

namespace {

    const char* const kService = "org.freedesktop.portal.Desktop";
    const char* const kRequestInterface = "org.freedesktop.portal.Request";

    enum class PortalResponse : uint { Success = 0, Cancelled = 1 };

    // QtDBus hands signals only to slots, hence an object to catch the portal's answer.
    class ResponseCatcher : public QObject {
        Q_OBJECT
    public:
        std::optional<uint> response;

    Q_SIGNALS:
        void Answered();

    public Q_SLOTS:
        void OnResponse(uint code, const QVariantMap&)
        {
            response = code;
            Q_EMIT Answered();
        }
    };

    // The portal names its request object after our connection and the token we chose, so that
    // we can listen before asking and miss no answer, however quick.
    QString RequestPath(const QDBusConnection& bus, const QString& token)
    {
        QString sender = bus.baseService().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    }

    bool Listen(QDBusConnection bus, const QString& path, ResponseCatcher& catcher, bool on)
    {
        const QString service = QLatin1String(kService);
        const QString interface = QLatin1String(kRequestInterface);
        const QString name = QStringLiteral("Response");
        const char* slot = SLOT(OnResponse(uint, QVariantMap));
        return on ? bus.connect(service, path, interface, name, &catcher, slot)
                  : bus.disconnect(service, path, interface, name, &catcher, slot);
    }

    // A bus without the portal, or a portal too old for wallpapers: there is no portal to ask.
    bool IsMissingPortal(const QDBusError& error)
    {
        switch (error.type()) {
        case QDBusError::ServiceUnknown:
        case QDBusError::UnknownObject:
        case QDBusError::UnknownInterface:
        case QDBusError::UnknownMethod:
            return true;
        default:
            return false;
        }
    }

    CommandResult Refusal(int code, const QString& why) { return { true, code, {}, why }; }

    CommandResult Verdict(const std::optional<uint>& response, std::chrono::milliseconds waited)
    {
        if (!response)
            return Refusal(-1,
                QStringLiteral("no answer within %1 seconds")
                    .arg(std::chrono::duration_cast<std::chrono::seconds>(waited).count()));
        if (*response == uint(PortalResponse::Success))
            return { true, 0, {}, {} };
        if (*response == uint(PortalResponse::Cancelled))
            return Refusal(int(*response), QStringLiteral("the change was cancelled"));
        return Refusal(int(*response), QStringLiteral("the change was refused"));
    }

} // namespace

WallpaperPortal::WallpaperPortal(std::chrono::milliseconds timeout)
    : timeout_(timeout)
{
}

WallpaperPortal::WallpaperPortal(const QDBusConnection& bus, std::chrono::milliseconds timeout)
    : bus_(bus)
    , timeout_(timeout)
{
}

CommandResult WallpaperPortal::SetWallpaperFile(const QString& path)
{
    const QDBusConnection bus = bus_ ? *bus_ : QDBusConnection::sessionBus();
    if (!bus.isConnected()
        || !(bus.connectionCapabilities() & QDBusConnection::UnixFileDescriptorPassing))
        return { false, -1, {}, {} };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Refusal(-1, file.errorString());
    static int requests = 0;
    const QString token = QStringLiteral("glimmerbox%1").arg(++requests);
    QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(kService),
        QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Wallpaper"), QStringLiteral("SetWallpaperFile"));
    call << QString() << QVariant::fromValue(QDBusUnixFileDescriptor(int(file.handle())))
         << QVariantMap { { QStringLiteral("handle_token"), token },
                { QStringLiteral("show-preview"), false },
                { QStringLiteral("set-on"), QStringLiteral("both") } };
    return Await(bus, call, token);
}

// A local event loop keeps the window painting while the portal (or the user) decides.
CommandResult WallpaperPortal::Await(
    const QDBusConnection& bus, const QDBusMessage& call, const QString& token)
{
    ResponseCatcher catcher;
    QString request = RequestPath(bus, token);
    Listen(bus, request, catcher, true);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&catcher, &ResponseCatcher::Answered, &loop, &QEventLoop::quit);
    std::optional<QDBusError> error;
    QDBusPendingCallWatcher watcher(bus.asyncCall(call, int(timeout_.count())));
    QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, [&] {
        const QDBusMessage reply = watcher.reply();
        if (reply.type() == QDBusMessage::ErrorMessage) {
            error = QDBusError(reply);
            loop.quit();
            return;
        }
        // A portal older than the request tokens makes up its own path.
        const QString handle = reply.arguments().value(0).value<QDBusObjectPath>().path();
        if (!handle.isEmpty() && handle != request) {
            Listen(bus, request, catcher, false);
            request = handle;
            Listen(bus, request, catcher, true);
        }
    });
    timer.start(timeout_);
    loop.exec();
    Listen(bus, request, catcher, false);
    // The bus giving up on the call is the same as the portal never answering.
    if (error && error->type() != QDBusError::NoReply && error->type() != QDBusError::Timeout)
        return IsMissingPortal(*error) ? CommandResult { false, -1, {}, {} }
                                       : Refusal(-1, error->message());
    if (!catcher.response)
        bus.send(QDBusMessage::createMethodCall(QLatin1String(kService), request,
            QLatin1String(kRequestInterface), QStringLiteral("Close")));
    return Verdict(catcher.response, timeout_);
}

} // namespace gb::platform

#include "wallpaper_portal.moc"

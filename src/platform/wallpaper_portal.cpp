#include "platform/wallpaper_portal.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusUnixFileDescriptor>
#include <QFile>
#include <QTimer>

namespace gb::platform {

namespace {

    const char* const kService = "org.freedesktop.portal.Desktop";
    const char* const kRequestInterface = "org.freedesktop.portal.Request";

    enum class PortalResponse : uint { Success = 0, Cancelled = 1 };

    // The portal names its request object after our connection and the token we chose, so that
    // we can listen before asking and miss no answer, however quick.
    QString RequestPath(const QDBusConnection& bus, const QString& token)
    {
        QString sender = bus.baseService().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
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

    CommandResult VerdictOf(const std::optional<uint>& response, std::chrono::milliseconds waited)
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

// One request to the portal, from the call to the verdict. QtDBus hands signals only to slots,
// hence an object to catch the portal's answer.
class PortalRequest : public QObject {
    Q_OBJECT

public:
    PortalRequest(const QDBusConnection& bus, const QDBusMessage& call, const QString& request,
        std::chrono::milliseconds timeout, ICommandRunner::Done done);

public Q_SLOTS:
    void OnResponse(uint code, const QVariantMap&);

private:
    bool Listen(bool on);
    void OnReply(const QDBusPendingCallWatcher& watcher);
    // Tells the verdict once, when the portal answered, the call failed or the time is up.
    void Finish();
    CommandResult Verdict();

    QDBusConnection bus_;
    QString request_; // the path of the request object whose answer counts
    std::chrono::milliseconds timeout_;
    ICommandRunner::Done done_;
    QTimer timer_;
    std::optional<uint> response_;
    std::optional<QDBusError> error_;
    bool finished_ = false;
};

WallpaperPortal::WallpaperPortal(std::chrono::milliseconds timeout)
    : timeout_(timeout)
{
}

WallpaperPortal::WallpaperPortal(const QDBusConnection& bus, std::chrono::milliseconds timeout)
    : bus_(bus)
    , timeout_(timeout)
{
}

void WallpaperPortal::SetWallpaperFile(const QString& path, const ICommandRunner::Done& done) const
{
    const QDBusConnection bus = bus_ ? *bus_ : QDBusConnection::sessionBus();
    if (!bus.isConnected()
        || !(bus.connectionCapabilities() & QDBusConnection::UnixFileDescriptorPassing)) {
        done({ false, -1, {}, {} });
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        done(Refusal(-1, file.errorString()));
        return;
    }
    static int requests = 0;
    const QString token = QStringLiteral("glimmerbox%1").arg(++requests);
    QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(kService),
        QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Wallpaper"), QStringLiteral("SetWallpaperFile"));
    // The message holds a duplicate of the file's descriptor.
    call << QString() << QVariant::fromValue(QDBusUnixFileDescriptor(int(file.handle())))
         << QVariantMap { { QStringLiteral("handle_token"), token },
                { QStringLiteral("show-preview"), false },
                { QStringLiteral("set-on"), QStringLiteral("both") } };
    new PortalRequest(bus, call, RequestPath(bus, token), timeout_, done);
}

PortalRequest::PortalRequest(const QDBusConnection& bus, const QDBusMessage& call,
    const QString& request, std::chrono::milliseconds timeout, ICommandRunner::Done done)
    : bus_(bus)
    , request_(request)
    , timeout_(timeout)
    , done_(std::move(done))
{
    // Listening before asking: no answer is missed, however quick.
    Listen(true);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &PortalRequest::Finish);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, int(timeout_.count())), this);
    connect(
        watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] { OnReply(*watcher); });
    timer_.start(timeout_);
}

bool PortalRequest::Listen(bool on)
{
    const QString service = QLatin1String(kService);
    const QString interface = QLatin1String(kRequestInterface);
    const QString name = QStringLiteral("Response");
    const char* slot = SLOT(OnResponse(uint, QVariantMap));
    return on ? bus_.connect(service, request_, interface, name, this, slot)
              : bus_.disconnect(service, request_, interface, name, this, slot);
}

void PortalRequest::OnResponse(uint code, const QVariantMap&)
{
    response_ = code;
    Finish();
}

void PortalRequest::OnReply(const QDBusPendingCallWatcher& watcher)
{
    const QDBusMessage reply = watcher.reply();
    if (reply.type() == QDBusMessage::ErrorMessage) {
        error_ = QDBusError(reply);
        Finish();
        return;
    }
    // A portal older than the request tokens makes up its own path.
    const QString handle = reply.arguments().value(0).value<QDBusObjectPath>().path();
    if (!handle.isEmpty() && handle != request_) {
        Listen(false);
        request_ = handle;
        Listen(true);
    }
}

void PortalRequest::Finish()
{
    if (finished_)
        return;
    finished_ = true;
    timer_.stop();
    Listen(false);
    deleteLater();
    done_(Verdict());
}

CommandResult PortalRequest::Verdict()
{
    // The bus giving up on the call is the same as the portal never answering.
    if (error_ && error_->type() != QDBusError::NoReply && error_->type() != QDBusError::Timeout)
        return IsMissingPortal(*error_) ? CommandResult { false, -1, {}, {} }
                                        : Refusal(-1, error_->message());
    if (!response_)
        bus_.send(QDBusMessage::createMethodCall(QLatin1String(kService), request_,
            QLatin1String(kRequestInterface), QStringLiteral("Close")));
    return VerdictOf(response_, timeout_);
}

} // namespace gb::platform

#include "wallpaper_portal.moc"

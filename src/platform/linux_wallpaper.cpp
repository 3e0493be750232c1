#include "platform/linux_wallpaper.h"

#include <QFileInfo>
#include <QUrl>
#include <optional>
#include <utility>

namespace gb::platform {

namespace {

    // Long tool output would swamp a message box; the start says enough.
    constexpr qsizetype kMaxDetailLength = 160;

    struct Failure {
        QString program;
        bool started = false;
        QString detail; // the first thing the program said, or its exit code
    };

    QString FirstLine(const QString& text)
    {
        const QStringList lines = text.split(QLatin1Char('\n'));
        for (const QString& line : lines) {
            const QString trimmed = line.trimmed();
            if (!trimmed.isEmpty())
                return trimmed;
        }
        return {};
    }

    QString DescribeFailure(const CommandResult& result)
    {
        if (!result.started)
            return QStringLiteral("not installed");
        QString line = FirstLine(result.standardError);
        if (line.isEmpty())
            line = FirstLine(result.standardOutput);
        if (line.isEmpty())
            return QStringLiteral("exit code %1").arg(result.exitCode);
        if (line.size() > kMaxDetailLength)
            line = line.left(kMaxDetailLength - 1) + QChar(0x2026);
        return line;
    }

    // One backend's commands, run in order. After the first failure the rest are skipped: a
    // half-made change is better left alone than pushed further.
    class CommandChain {
    public:
        explicit CommandChain(ICommandRunner& runner)
            : runner_(runner)
        {
        }

        void Run(const QString& program, const QStringList& arguments)
        {
            if (failure_)
                return;
            const CommandResult result = runner_.Run(program, arguments);
            if (!result.Succeeded())
                failure_ = Failure { program, result.started, DescribeFailure(result) };
        }

        // For a question whose "no" is still an answer: only a program that cannot start fails.
        std::optional<CommandResult> Ask(const QString& program, const QStringList& arguments)
        {
            if (failure_)
                return std::nullopt;
            CommandResult result = runner_.Run(program, arguments);
            if (!result.started) {
                failure_ = Failure { program, false, DescribeFailure(result) };
                return std::nullopt;
            }
            return result;
        }

        const std::optional<Failure>& FirstFailure() const { return failure_; }

    private:
        ICommandRunner& runner_;
        std::optional<Failure> failure_;
    };

    QString FileUri(const QString& path)
    {
        return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    }

    // Desktops skip the reload when a setting keeps its value, and our picture is always the same
    // file overwritten in place, so every key passes through an empty value first.
    // gsettings reads its value as GVariant text and stores anything that is not valid GVariant
    // (a path or a file: URI never is) as a plain string, so only the empty value needs quotes.
    void SetGSettingsKey(
        CommandChain& chain, const QString& schema, const QString& key, const QString& value)
    {
        const QString gsettings = QStringLiteral("gsettings");
        chain.Run(gsettings, { QStringLiteral("set"), schema, key, QStringLiteral("''") });
        chain.Run(gsettings, { QStringLiteral("set"), schema, key, value });
    }

    void SetGnome(CommandChain& chain, const QString& path)
    {
        const QString schema = QStringLiteral("org.gnome.desktop.background");
        const QString uri = FileUri(path);
        SetGSettingsKey(chain, schema, QStringLiteral("picture-uri"), uri);
        // The picture shown in the dark style; without it a dark desktop keeps the old one.
        SetGSettingsKey(chain, schema, QStringLiteral("picture-uri-dark"), uri);
    }

    void SetCinnamon(CommandChain& chain, const QString& path)
    {
        SetGSettingsKey(chain, QStringLiteral("org.cinnamon.desktop.background"),
            QStringLiteral("picture-uri"), FileUri(path));
    }

    void SetMate(CommandChain& chain, const QString& path)
    {
        SetGSettingsKey(
            chain, QStringLiteral("org.mate.background"), QStringLiteral("picture-filename"), path);
    }

    // A JavaScript string literal holding text exactly, whatever quotes, backslashes or line
    // breaks a file name brings.
    QString JavaScriptString(const QString& text)
    {
        QString literal = QStringLiteral("\"");
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            if (u == u'\\' || u == u'"' || u == u'\'')
                literal += QLatin1Char('\\') + c;
            else if (u < 0x20 || u == 0x7f || u == 0x2028 || u == 0x2029)
                literal += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0'));
            else
                literal += c;
        }
        return literal + QLatin1Char('"');
    }

    QString PlasmaScript(const QString& uri)
    {
        return QStringLiteral(
            "var uri = %1;\n"
            "var all = desktops();\n"
            "for (var i = 0; i < all.length; i++) {\n"
            "    var d = all[i];\n"
            "    d.wallpaperPlugin = \"org.kde.image\";\n"
            "    d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
            "    d.writeConfig(\"Image\", \"\");\n"
            "    d.writeConfig(\"Image\", uri);\n"
            "}\n")
            .arg(JavaScriptString(uri));
    }

    // --print-reply makes dbus-send wait for Plasma's answer; without it a missing plasmashell
    // or a failing script would still exit with 0.
    void SetKde(CommandChain& chain, const QString& path)
    {
        chain.Run(QStringLiteral("dbus-send"),
            { QStringLiteral("--session"), QStringLiteral("--print-reply"),
                QStringLiteral("--dest=org.kde.plasmashell"), QStringLiteral("--type=method_call"),
                QStringLiteral("/PlasmaShell"),
                QStringLiteral("org.kde.PlasmaShell.evaluateScript"),
                QStringLiteral("string:") + PlasmaScript(FileUri(path)) });
    }

    QStringList LastImageProperties(const QString& listing)
    {
        QStringList properties;
        const QStringList lines = listing.split(QLatin1Char('\n'));
        for (const QString& line : lines) {
            const QString property = line.trimmed();
            if (property.startsWith(QLatin1Char('/'))
                && property.endsWith(QLatin1String("/last-image")))
                properties << property;
        }
        return properties;
    }

    // Xfce keeps one picture per monitor and workspace; all of them get ours.
    void SetXfce(CommandChain& chain, const QString& path)
    {
        const QString xfconf = QStringLiteral("xfconf-query");
        const QStringList channel { QStringLiteral("-c"), QStringLiteral("xfce4-desktop") };
        const std::optional<CommandResult> listing
            = chain.Ask(xfconf, channel + QStringList { QStringLiteral("-l") });
        if (!listing)
            return;
        // A channel nobody has written to yet answers with an error, which means "none listed".
        const QStringList properties
            = listing->Succeeded() ? LastImageProperties(listing->standardOutput) : QStringList();
        if (properties.isEmpty()) {
            chain.Run(xfconf,
                channel
                    + QStringList { QStringLiteral("-p"),
                        QStringLiteral("/backdrop/screen0/monitor0/workspace0/last-image"),
                        QStringLiteral("-n"), QStringLiteral("-t"), QStringLiteral("string"),
                        QStringLiteral("-s"), path });
            return;
        }
        for (const QString& property : properties) {
            const QStringList target = channel + QStringList { QStringLiteral("-p"), property };
            chain.Run(xfconf, target + QStringList { QStringLiteral("-s"), QString() });
            chain.Run(xfconf, target + QStringList { QStringLiteral("-s"), path });
        }
    }

    void SetLxqt(CommandChain& chain, const QString& path)
    {
        chain.Run(QStringLiteral("pcmanfm-qt"), { QStringLiteral("--set-wallpaper=") + path });
    }

    void SetLxde(CommandChain& chain, const QString& path)
    {
        chain.Run(QStringLiteral("pcmanfm"), { QStringLiteral("--set-wallpaper=") + path });
    }

    void SetSway(CommandChain& chain, const QString& path)
    {
        chain.Run(QStringLiteral("swaymsg"),
            { QStringLiteral("output"), QStringLiteral("*"), QStringLiteral("bg"), path,
                QStringLiteral("fill") });
    }

    // The desktop-neutral way; it also covers desktops we have no special knowledge of.
    void SetThroughPortal(CommandChain& chain, const QString& path)
    {
        chain.Run(QStringLiteral("gdbus"),
            { QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("--object-path"),
                QStringLiteral("/org/freedesktop/portal/desktop"), QStringLiteral("--method"),
                QStringLiteral("org.freedesktop.portal.Wallpaper.SetWallpaperURI"), QString(),
                FileUri(path), QStringLiteral("{'show-preview': <false>, 'set-on': <'both'>}") });
    }

    using Backend = void (*)(CommandChain&, const QString&);

    struct Desktop {
        const char* xdgName; // as it appears in $XDG_CURRENT_DESKTOP, compared ignoring case
        const char* displayName; // for messages
        Backend apply;
    };

    constexpr Desktop kDesktops[] = {
        { "GNOME", "GNOME", SetGnome },
        { "Unity", "Unity", SetGnome },
        { "Budgie", "Budgie", SetGnome },
        { "X-Cinnamon", "Cinnamon", SetCinnamon },
        { "Cinnamon", "Cinnamon", SetCinnamon },
        { "MATE", "MATE", SetMate },
        { "KDE", "KDE Plasma", SetKde },
        { "XFCE", "Xfce", SetXfce },
        { "LXQt", "LXQt", SetLxqt },
        { "LXDE", "LXDE", SetLxde },
        { "sway", "sway", SetSway },
    };

    // The list runs from the most specific name to the most general ("Budgie:GNOME"), so the
    // first entry we know wins.
    const Desktop* FindDesktop(const QString& currentDesktop)
    {
        const QStringList entries = currentDesktop.split(QLatin1Char(':'), Qt::SkipEmptyParts);
        for (const QString& entry : entries) {
            for (const Desktop& desktop : kDesktops) {
                if (entry.trimmed().compare(QLatin1String(desktop.xdgName), Qt::CaseInsensitive)
                    == 0)
                    return &desktop;
            }
        }
        return nullptr;
    }

    QString ExplainDesktopFailure(const Desktop& desktop, const Failure& failure)
    {
        if (!failure.started)
            return QStringLiteral("No way to set the wallpaper was found on this desktop "
                                  "(tried: %1, the desktop portal).")
                .arg(failure.program);
        return QStringLiteral("The %1 desktop did not accept the wallpaper (%2: %3).")
            .arg(QLatin1String(desktop.displayName), failure.program, failure.detail);
    }

    QString ExplainPortalFailure(const Failure& failure)
    {
        if (!failure.started)
            return QStringLiteral("No way to set the wallpaper was found on this desktop (tried: "
                                  "the desktop portal).");
        return QStringLiteral("The desktop portal did not accept the wallpaper (%1: %2).")
            .arg(failure.program, failure.detail);
    }

} // namespace

LinuxWallpaper::LinuxWallpaper(ICommandRunner& runner, QString currentDesktop)
    : runner_(runner)
    , currentDesktop_(std::move(currentDesktop))
{
}

QString LinuxWallpaper::CurrentDesktopFromEnvironment()
{
    return qEnvironmentVariable("XDG_CURRENT_DESKTOP");
}

WallpaperResult LinuxWallpaper::SetWallpaper(const QString& imagePath)
{
    const QFileInfo file(imagePath);
    if (imagePath.isEmpty() || !file.isFile())
        return { false, QStringLiteral("The picture for the wallpaper is missing.") };
    const QString path = file.absoluteFilePath();

    const Desktop* desktop = FindDesktop(currentDesktop_);
    std::optional<Failure> desktopFailure;
    if (desktop) {
        CommandChain own(runner_);
        desktop->apply(own, path);
        if (!own.FirstFailure())
            return { true, {} };
        desktopFailure = own.FirstFailure();
    }
    // Tried once even after the desktop's own tool refused: some desktops only take it this way.
    CommandChain portal(runner_);
    SetThroughPortal(portal, path);
    if (!portal.FirstFailure())
        return { true, {} };
    if (desktopFailure)
        return { false, ExplainDesktopFailure(*desktop, *desktopFailure) };
    return { false, ExplainPortalFailure(*portal.FirstFailure()) };
}

} // namespace gb::platform

#include "platform/linux_wallpaper.h"

#include "platform/ini_profile.h"
#include "platform/wallpaper_gsettings.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>
#include <optional>
#include <utility>

namespace gb::platform {

namespace {

    QString FileUri(const QString& path)
    {
        return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
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
    void SetKde(WallpaperCommands& commands, const QString& path)
    {
        commands.Run(QStringLiteral("dbus-send"),
            { QStringLiteral("--session"), QStringLiteral("--print-reply"),
                QStringLiteral("--dest=org.kde.plasmashell"), QStringLiteral("--type=method_call"),
                QStringLiteral("/PlasmaShell"),
                QStringLiteral("org.kde.PlasmaShell.evaluateScript"),
                QStringLiteral("string:") + PlasmaScript(FileUri(path)) });
    }

    QStringList TrimmedLines(const QString& text)
    {
        QStringList lines;
        for (const QString& line : text.split(QLatin1Char('\n')))
            lines << line.trimmed();
        return lines;
    }

    QStringList LastImageProperties(const QStringList& listed)
    {
        QStringList properties;
        for (const QString& property : listed) {
            if (property.startsWith(QLatin1Char('/'))
                && property.endsWith(QLatin1String("/last-image")))
                properties << property;
        }
        return properties;
    }

    // Before xfdesktop has shown a picture on a monitor there is no last-image property for it
    // yet, but its other settings of a workspace (style, colour) already name the monitor.
    QStringList NewLastImageProperties(const QStringList& listed, const QStringList& existing)
    {
        static const QRegularExpression workspace(
            QStringLiteral("^/backdrop/screen[0-9]+/monitor[^/]+/workspace[0-9]+/"));
        QStringList properties;
        for (const QString& property : listed) {
            const QRegularExpressionMatch match = workspace.match(property);
            if (match.hasMatch())
                properties << match.captured() + QStringLiteral("last-image");
        }
        properties.removeDuplicates();
        for (const QString& property : existing)
            properties.removeAll(property);
        return properties;
    }

    // Xfce keeps one picture per monitor and workspace; all of them get ours.
    void SetXfce(WallpaperCommands& commands, const QString& path)
    {
        const QString xfconf = QStringLiteral("xfconf-query");
        const QStringList channel { QStringLiteral("-c"), QStringLiteral("xfce4-desktop") };
        commands.Ask(xfconf, channel + QStringList { QStringLiteral("-l") },
            [&commands, path, xfconf, channel](const CommandResult& listing) {
                // Some versions answer with an error for a channel nobody has written to yet:
                // none listed.
                const QStringList listed
                    = listing.Succeeded() ? TrimmedLines(listing.standardOutput) : QStringList();
                const QStringList properties = LastImageProperties(listed);
                const QStringList created = NewLastImageProperties(listed, properties);
                // A monitor name we made up (as monitor0 was, before Xfce 4.12) would be stored
                // and never looked at, so with no monitor known the change is refused.
                if (properties.isEmpty() && created.isEmpty()) {
                    commands.Fail(xfconf,
                        listing.Succeeded() ? CommandResult { true, 1, {},
                            QStringLiteral("Xfce has not set up a wallpaper for any monitor yet") }
                                            : listing);
                    return;
                }
                for (const QString& property : properties) {
                    const QStringList target
                        = channel + QStringList { QStringLiteral("-p"), property };
                    commands.Run(xfconf, target + QStringList { QStringLiteral("-s"), QString() });
                    commands.Run(xfconf, target + QStringList { QStringLiteral("-s"), path });
                }
                for (const QString& property : created)
                    commands.Run(xfconf,
                        channel
                            + QStringList { QStringLiteral("-p"), property, QStringLiteral("-n"),
                                QStringLiteral("-t"), QStringLiteral("string"),
                                QStringLiteral("-s"), path });
            });
    }

    // The copies of a picture that SetLxqt made: its name, a dash, a number.
    QStringList LxqtCopies(const QFileInfo& picture)
    {
        const QRegularExpression copyName(QRegularExpression::anchoredPattern(
            QRegularExpression::escape(picture.completeBaseName()) + QStringLiteral("-[0-9]+")
            + QRegularExpression::escape(QLatin1Char('.') + picture.suffix())));
        return picture.dir().entryList(QDir::Files | QDir::Hidden).filter(copyName);
    }

    QString LxqtCopyName(const QFileInfo& picture, qint64 stamp)
    {
        return QStringLiteral("%1-%2.%3")
            .arg(picture.completeBaseName(), QString::number(stamp), picture.suffix());
    }

    // The settings file of the desktop LXQt starts (pcmanfm-qt's "lxqt" profile), where
    // pcmanfm-qt looks for it: the user's own once its folder exists, else the system's.
    QString LxqtSettingsFile(bool own)
    {
        const QString profile = QStringLiteral("pcmanfm-qt/lxqt");
        const QString user = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
            + u'/' + profile;
        const QString system = QStandardPaths::locate(
            QStandardPaths::GenericConfigLocation, profile, QStandardPaths::LocateDirectory);
        const bool useSystem = !own && !QFileInfo(user).isDir() && !system.isEmpty();
        return (useSystem ? system : user) + QStringLiteral("/settings.conf");
    }

    QString LxqtMode(const QString& settings)
    {
        return QSettings(settings, QSettings::IniFormat)
            .value(QStringLiteral("Desktop/WallpaperMode"))
            .toString();
    }

    // A desktop set to a plain colour would take the picture and go on showing the colour. With
    // no settings file, or a mode pcmanfm-qt does not know, it shows a plain colour too.
    bool IsLxqtPictureMode(const QString& mode)
    {
        static const QStringList pictureModes { QStringLiteral("stretch"), QStringLiteral("fit"),
            QStringLiteral("center"), QStringLiteral("tile"), QStringLiteral("zoom") };
        return pictureModes.contains(mode);
    }

    // pcmanfm-qt 1.2 shows the picture in the mode it was given but saves the mode it started
    // with, and saves that again with every later change: the plain colour would come back with
    // its next start. So the mode it shows is saved here too, in place, leaving the user's other
    // settings alone. A file only the system had is copied first, as pcmanfm-qt's saving does.
    void KeepLxqtPictureMode(WallpaperCommands& commands, const QString& read, const QString& mode)
    {
        const QString own = LxqtSettingsFile(true);
        if (IsLxqtPictureMode(LxqtMode(own)))
            return;
        const bool folder = QDir().mkpath(QFileInfo(own).path());
        if (folder && own != read && !QFileInfo::exists(own))
            QFile::copy(read, own);
        if (folder
            && IniProfile().WriteString(
                QStringLiteral("Desktop"), QStringLiteral("WallpaperMode"), mode, own))
            return;
        commands.Fail(QStringLiteral("pcmanfm-qt"),
            { true, -1, {},
                QStringLiteral("the picture goes when the desktop restarts, as \"%1\" could not "
                               "be changed")
                    .arg(own) });
    }

    // pcmanfm-qt ignores a wallpaper path equal to the one it shows, and our picture is always
    // the same file, so each time it gets a copy under a new name. Only the newest copy is kept:
    // pcmanfm-qt reads it again when it starts.
    void SetLxqt(WallpaperCommands& commands, const QString& path)
    {
        const QFileInfo picture(path);
        const QDir folder = picture.dir();
        const QStringList older = LxqtCopies(picture);
        qint64 stamp = QDateTime::currentMSecsSinceEpoch();
        while (folder.exists(LxqtCopyName(picture, stamp)))
            ++stamp;
        const QString copy = LxqtCopyName(picture, stamp);
        QFile source(path);
        if (!source.copy(folder.filePath(copy))) {
            commands.Fail(QStringLiteral("pcmanfm-qt"), { true, -1, {}, source.errorString() });
            return;
        }
        QStringList arguments { QStringLiteral("--set-wallpaper=") + folder.filePath(copy) };
        const QString settings = LxqtSettingsFile(false);
        QString mode = LxqtMode(settings);
        if (!IsLxqtPictureMode(mode)) {
            mode = QStringLiteral("stretch");
            arguments << QStringLiteral("--wallpaper-mode=") + mode;
        }
        commands.Run(QStringLiteral("pcmanfm-qt"), arguments);
        commands.Step([&commands, folder, copy, older, settings, mode] {
            const QStringList unused = commands.FirstFailure() ? QStringList { copy } : older;
            for (const QString& name : unused)
                QFile::remove(folder.filePath(name));
            if (!commands.FirstFailure())
                KeepLxqtPictureMode(commands, settings, mode);
        });
    }

    void SetLxde(WallpaperCommands& commands, const QString& path)
    {
        commands.Run(QStringLiteral("pcmanfm"), { QStringLiteral("--set-wallpaper=") + path });
    }

    // swaymsg joins its arguments into one sway command. sway splits that at "," and ";" and at
    // blanks outside quotes, then expands the picture's path like a shell word; so the path goes
    // in single quotes for the expansion, and all that in double quotes for the command.
    QString SwayQuoted(const QString& path)
    {
        QString word = QLatin1Char('\'')
            + QString(path).replace(QLatin1Char('\''), QStringLiteral("'\\''")) + QLatin1Char('\'');
        word.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
        word.replace(QLatin1Char('"'), QStringLiteral("\\\""));
        return QLatin1Char('"') + word + QLatin1Char('"');
    }

    void SetSway(WallpaperCommands& commands, const QString& path)
    {
        commands.Run(QStringLiteral("swaymsg"),
            { QStringLiteral("output"), QStringLiteral("*"), QStringLiteral("bg"), SwayQuoted(path),
                QStringLiteral("fill") });
    }

    using Backend = void (*)(WallpaperCommands&, const QString&);

    struct Desktop {
        const char* xdgName; // as it appears in $XDG_CURRENT_DESKTOP, compared ignoring case
        const char* displayName; // for messages
        Backend apply;
    };

    constexpr Desktop kDesktops[] = {
        { "GNOME", "GNOME", SetGnomeWallpaper },
        { "Unity", "Unity", SetGnomeWallpaper },
        { "Budgie", "Budgie", SetGnomeWallpaper },
        { "X-Cinnamon", "Cinnamon", SetCinnamonWallpaper },
        { "Cinnamon", "Cinnamon", SetCinnamonWallpaper },
        { "MATE", "MATE", SetMateWallpaper },
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

    QString ExplainRefusal(const QString& who, const WallpaperFailure& failure)
    {
        return QStringLiteral("The %1 did not accept the wallpaper (%2: %3).")
            .arg(who, failure.program, failure.detail);
    }

    // tried: the desktop's own tool that was missing, if any.
    QString ExplainNoWay(const QString& tried)
    {
        return QStringLiteral("No way to set the wallpaper was found on this desktop (tried: %1"
                              "the desktop portal).")
            .arg(tried.isEmpty() ? QString() : tried + QStringLiteral(", "));
    }

} // namespace

LinuxWallpaper::LinuxWallpaper(
    ICommandRunner& runner, QString currentDesktop, WallpaperPortal portal)
    : runner_(runner)
    , currentDesktop_(std::move(currentDesktop))
    , portal_(std::move(portal))
{
}

QString LinuxWallpaper::CurrentDesktopFromEnvironment()
{
    return qEnvironmentVariable("XDG_CURRENT_DESKTOP");
}

void LinuxWallpaper::SetWallpaper(const QString& imagePath, Done done)
{
    const QFileInfo file(imagePath);
    if (imagePath.isEmpty() || !file.isFile()) {
        done({ false, QStringLiteral("The picture for the wallpaper is missing.") });
        return;
    }
    const QString path = file.absoluteFilePath();
    const Desktop* desktop = FindDesktop(currentDesktop_);
    if (!desktop) {
        AskPortal(portal_, path, QString(), std::move(done));
        return;
    }
    WallpaperCommands::Perform(
        runner_, [desktop, path](WallpaperCommands& own) { desktop->apply(own, path); },
        [desktop, path, portal = portal_, done = std::move(done)](
            const std::optional<WallpaperFailure>& failure) {
            if (!failure) {
                done({ true, {} });
                return;
            }
            // The portal may hand the picture to another desktop's backend (GNOME's, on
            // Debian), which would claim success while this desktop kept its old picture.
            if (failure->started) {
                done({ false,
                    ExplainRefusal(
                        QStringLiteral("%1 desktop").arg(QLatin1String(desktop->displayName)),
                        *failure) });
                return;
            }
            AskPortal(portal, path, failure->program, done);
        });
}

// No desktop we know, or its own tool (`missingTool`) is not installed.
void LinuxWallpaper::AskPortal(
    const WallpaperPortal& portal, const QString& path, const QString& missingTool, Done done)
{
    portal.SetWallpaperFile(
        path, [missingTool, done = std::move(done)](const CommandResult& viaPortal) {
            if (viaPortal.Succeeded())
                done({ true, {} });
            else if (!viaPortal.started)
                done({ false, ExplainNoWay(missingTool) });
            else
                done({ false,
                    ExplainRefusal(QStringLiteral("desktop portal"),
                        WallpaperFailure::Of(
                            QStringLiteral("org.freedesktop.portal.Wallpaper"), viaPortal)) });
        });
}

} // namespace gb::platform

#include "platform/wallpaper_gsettings.h"

#include <QUrl>
#include <utility>

namespace gb::platform {

namespace {

    struct Key {
        QString name;
        bool optional = false; // some versions of the schema lack it
    };

    QString FileUri(const QString& path)
    {
        return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    }

    QStringList ListedKeys(const QString& listing)
    {
        QStringList keys;
        const QStringList lines = listing.split(QLatin1Char('\n'));
        for (const QString& line : lines)
            keys << line.trimmed();
        return keys;
    }

    // What "gsettings get" prints is GVariant text, which "gsettings set" takes back unchanged.
    std::optional<QList<std::pair<QString, QString>>> ReadKeys(
        WallpaperCommands& commands, const QString& schema, const QList<Key>& keys)
    {
        const QString gsettings = QStringLiteral("gsettings");
        const std::optional<CommandResult> listing
            = commands.Run(gsettings, { QStringLiteral("list-keys"), schema });
        if (!listing)
            return std::nullopt;
        const QStringList present = ListedKeys(listing->standardOutput);
        QList<std::pair<QString, QString>> values;
        for (const Key& key : keys) {
            if (key.optional && !present.contains(key.name))
                continue;
            const std::optional<CommandResult> value
                = commands.Run(gsettings, { QStringLiteral("get"), schema, key.name });
            if (!value)
                return std::nullopt;
            values.append({ key.name, value->standardOutput.trimmed() });
        }
        return values;
    }

    // Desktops skip the reload when a setting keeps its value, and our picture is always the same
    // file overwritten in place, so every key passes through an empty value first.
    // gsettings reads its value as GVariant text and stores anything that is not valid GVariant
    // (a path or a file: URI never is) as a plain string, so only the empty value needs quotes.
    void SetKeys(WallpaperCommands& commands, const QString& schema, const QList<Key>& keys,
        const QString& value)
    {
        const QString gsettings = QStringLiteral("gsettings");
        const auto previous = ReadKeys(commands, schema, keys);
        if (!previous)
            return;
        for (qsizetype i = 0; i < previous->size(); ++i) {
            const QString& key = previous->at(i).first;
            commands.Run(gsettings, { QStringLiteral("set"), schema, key, QStringLiteral("''") });
            commands.Run(gsettings, { QStringLiteral("set"), schema, key, value });
            if (!commands.FirstFailure())
                continue;
            for (qsizetype j = 0; j <= i; ++j)
                commands.Undo(gsettings,
                    { QStringLiteral("set"), schema, previous->at(j).first,
                        previous->at(j).second });
            return;
        }
    }

} // namespace

void SetGnomeWallpaper(WallpaperCommands& commands, const QString& path)
{
    // The dark style's picture arrived with GNOME 42; without it a dark desktop keeps the old
    // one, and where it does not exist (older GNOME, Unity) the light one is all there is.
    SetKeys(commands, QStringLiteral("org.gnome.desktop.background"),
        { { QStringLiteral("picture-uri") }, { QStringLiteral("picture-uri-dark"), true } },
        FileUri(path));
}

void SetCinnamonWallpaper(WallpaperCommands& commands, const QString& path)
{
    SetKeys(commands, QStringLiteral("org.cinnamon.desktop.background"),
        { { QStringLiteral("picture-uri") } }, FileUri(path));
}

void SetMateWallpaper(WallpaperCommands& commands, const QString& path)
{
    SetKeys(commands, QStringLiteral("org.mate.background"),
        { { QStringLiteral("picture-filename") } }, path);
}

} // namespace gb::platform

#include "platform/wallpaper_gsettings.h"

#include <QUrl>
#include <memory>
#include <optional>
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

    using Values = QList<std::pair<QString, QString>>;

    // What "gsettings get" prints is GVariant text, which "gsettings set" takes back unchanged.
    // `then` gets the values once all are read.
    void ReadKeys(WallpaperCommands& commands, const QString& schema, const QList<Key>& keys,
        const std::function<void(const Values&)>& then)
    {
        const QString gsettings = QStringLiteral("gsettings");
        commands.Run(gsettings, { QStringLiteral("list-keys"), schema },
            [&commands, gsettings, schema, keys, then](const CommandResult& listing) {
                const QStringList present = ListedKeys(listing.standardOutput);
                const auto values = std::make_shared<Values>();
                for (const Key& key : keys) {
                    if (key.optional && !present.contains(key.name))
                        continue;
                    commands.Run(gsettings, { QStringLiteral("get"), schema, key.name },
                        [values, name = key.name](const CommandResult& value) {
                            values->append({ name, value.standardOutput.trimmed() });
                        });
                }
                commands.Step([&commands, values, then] {
                    if (!commands.FirstFailure())
                        then(*values);
                });
            });
    }

    // The string that GVariant text such as 'it\'s' or "it's" stands for; nullopt for anything
    // else (another type, or no value).
    std::optional<QString> GVariantString(const QString& text)
    {
        if (text.size() < 2 || (text[0] != u'\'' && text[0] != u'"') || text.back() != text[0])
            return std::nullopt;
        static const QString kEscaped = QStringLiteral("abfnrtv");
        static const QString kMeant = QStringLiteral("\a\b\f\n\r\t\v");
        QString value;
        for (qsizetype i = 1; i < text.size() - 1; ++i) {
            if (text[i] != u'\\' || i + 1 == text.size() - 1) {
                value += text[i];
                continue;
            }
            const QChar c = text[++i];
            const qsizetype digits = c == u'u' ? 4 : c == u'U' ? 8 : 0;
            if (digits > 0) {
                const char32_t code = text.mid(i + 1, digits).toUInt(nullptr, 16);
                value += QString::fromUcs4(&code, 1);
                i += digits;
            } else if (const qsizetype at = kEscaped.indexOf(c); at >= 0) {
                value += kMeant[at];
            } else {
                value += c;
            }
        }
        return value;
    }

    // gsettings exits with 0 even when dconf refused the change ("failed to commit changes to
    // dconf", or no session bus to reach it at all), so each key is read back. What gsettings
    // printed (dconf's reason last, after its log prefix and D-Bus error name) says why.
    void CheckKey(WallpaperCommands& commands, const QString& schema, const QString& key,
        const QString& value, const std::shared_ptr<QString>& warning)
    {
        const QString gsettings = QStringLiteral("gsettings");
        commands.Run(gsettings, { QStringLiteral("get"), schema, key },
            [&commands, gsettings, key, value, warning](const CommandResult& read) {
                if (GVariantString(read.standardOutput.trimmed()) == value)
                    return;
                const QString why = warning->trimmed().section(QLatin1Char('\n'), 0, 0);
                commands.Fail(gsettings,
                    { true, 1, {},
                        QStringLiteral("%1 kept its old value%2")
                            .arg(key,
                                why.isEmpty() ? QString()
                                              : QStringLiteral(": ")
                                        + why.section(QStringLiteral(": "), -1)) });
            });
    }

    // Sets the keys from the i-th on; a failure puts back the first i + 1.
    void SetKeysFrom(WallpaperCommands& commands, const QString& schema,
        const std::shared_ptr<const Values>& previous, qsizetype i, const QString& value)
    {
        if (i == previous->size())
            return;
        const QString gsettings = QStringLiteral("gsettings");
        const QString& key = previous->at(i).first;
        const auto warning = std::make_shared<QString>();
        const auto heard = [warning](const CommandResult& set) { *warning += set.standardError; };
        commands.Run(
            gsettings, { QStringLiteral("set"), schema, key, QStringLiteral("''") }, heard);
        commands.Run(gsettings, { QStringLiteral("set"), schema, key, value }, heard);
        CheckKey(commands, schema, key, value, warning);
        commands.Step([&commands, gsettings, schema, previous, i, value] {
            if (!commands.FirstFailure()) {
                SetKeysFrom(commands, schema, previous, i + 1, value);
                return;
            }
            for (qsizetype j = 0; j <= i; ++j)
                commands.Undo(gsettings,
                    { QStringLiteral("set"), schema, previous->at(j).first,
                        previous->at(j).second });
        });
    }

    // Desktops skip the reload when a setting keeps its value, and our picture is always the same
    // file overwritten in place, so every key passes through an empty value first.
    // gsettings reads its value as GVariant text and stores anything that is not valid GVariant
    // (a path or a file: URI never is) as a plain string, so only the empty value needs quotes.
    void SetKeys(WallpaperCommands& commands, const QString& schema, const QList<Key>& keys,
        const QString& value)
    {
        ReadKeys(commands, schema, keys, [&commands, schema, value](const Values& previous) {
            SetKeysFrom(commands, schema, std::make_shared<const Values>(previous), 0, value);
        });
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

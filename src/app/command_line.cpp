#include "app/command_line.h"

#include <QFileInfo>

namespace gb::app {

namespace {

    // A contact sheet wider than this would be a mistyped number, not a wish.
    constexpr int kMaxColumns = 1000;

    // Takes the value of an option; sets `error` when it is missing.
    QString TakeValue(const QStringList& args, qsizetype& i, CommandLine& result)
    {
        if (i + 1 >= args.size() || args[i + 1].isEmpty()) {
            result.error = QStringLiteral("%1 needs a value").arg(args[i]);
            return {};
        }
        return args[++i];
    }

    void TakeColumns(const QStringList& args, qsizetype& i, CommandLine& result)
    {
        const QString value = TakeValue(args, i, result);
        bool ok = false;
        const int columns = value.toInt(&ok);
        if (result.error.isEmpty() && (!ok || columns < 1 || columns > kMaxColumns))
            result.error
                = QStringLiteral("--columns needs a whole number from 1 to %1").arg(kMaxColumns);
        else if (ok)
            result.columns = columns;
    }

} // namespace

CommandLine ParseCommandLine(const QStringList& arguments)
{
    CommandLine result;
    for (qsizetype i = 0; i < arguments.size() && result.error.isEmpty(); ++i) {
        const QString& arg = arguments[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            result.showHelp = true;
        else if (arg == QLatin1String("--version"))
            result.showVersion = true;
        else if (arg == QLatin1String("--contact-sheet"))
            result.contactSheet = TakeValue(arguments, i, result);
        else if (arg == QLatin1String("--screenshot"))
            result.screenshot = TakeValue(arguments, i, result);
        else if (arg == QLatin1String("--columns"))
            TakeColumns(arguments, i, result);
        else if (arg.startsWith(QLatin1String("--")) && arg != QLatin1String("--"))
            result.error = QStringLiteral("unknown option %1").arg(arg);
        else if (!result.folder.isEmpty())
            result.error = QStringLiteral("only one folder can be opened");
        else
            result.folder
                = arg == QLatin1String("--") && i + 1 < arguments.size() ? arguments[++i] : arg;
    }
    if (result.error.isEmpty() && !result.contactSheet.isEmpty() && result.folder.isEmpty())
        result.error = QStringLiteral("--contact-sheet needs a FOLDER");
    if (result.error.isEmpty() && !result.contactSheet.isEmpty() && !result.screenshot.isEmpty())
        result.error = QStringLiteral("--contact-sheet and --screenshot cannot be combined");
    return result;
}

QString FolderToOpen(const QString& argument)
{
    const QFileInfo info(argument);
    return info.isFile() ? info.absolutePath() : info.absoluteFilePath();
}

QString PictureToFocus(const QString& argument)
{
    const QFileInfo info(argument);
    return info.isFile() ? info.fileName() : QString();
}

QString UsageText()
{
    return QStringLiteral(
        "Usage: glimmerbox [FOLDER]\n"
        "       glimmerbox --contact-sheet OUT.png [--columns N] FOLDER\n"
        "       glimmerbox --screenshot OUT.png [FOLDER]\n"
        "\n"
        "Shows the pictures of FOLDER (or of the folder opened last) as a grid of thumbnails.\n"
        "  --contact-sheet OUT.png  write the folder's thumbnails to OUT.png and exit\n"
        "  --columns N              thumbnails per row on the contact sheet (default 8)\n"
        "  --screenshot OUT.png     save a picture of the window once the folder has loaded\n"
        "  --version                print the version and exit\n"
        "Qt's own options (such as -platform NAME or -style NAME) are understood too.\n");
}

} // namespace gb::app

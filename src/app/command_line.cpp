#include "app/command_line.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace gb::app {

namespace {

    // A contact sheet wider than this would be a mistyped number, not a wish.
    constexpr int kMaxColumns = 1000;

    // Qt's own options, which QApplication takes off the command line after we have read it:
    // accepted here so that they are not mistaken for ours or for a folder.
    const char* const kQtOptionsWithValue[] = { "style", "stylesheet", "qmljsdebugger", "platform",
        "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowicon",
        "qwindowtitle", "session", "display", "geometry", "title", "name" };
    const char* const kQtFlags[] = { "widgetcount", "reverse", "nograb", "dograb", "sync" };

    void AddQtOptions(QCommandLineParser& parser)
    {
        for (const char* name : kQtOptionsWithValue) {
            QCommandLineOption option(
                QString::fromLatin1(name), QString(), QStringLiteral("value"));
            option.setFlags(QCommandLineOption::HiddenFromHelp);
            parser.addOption(option);
        }
        for (const char* name : kQtFlags) {
            QCommandLineOption option(QString::fromLatin1(name));
            option.setFlags(QCommandLineOption::HiddenFromHelp);
            parser.addOption(option);
        }
    }

    // The value of `option` when given; sets `error` when it was given empty.
    QString ValueOf(const QCommandLineParser& parser, const QString& option, CommandLine& result)
    {
        const QString value = parser.value(option);
        if (parser.isSet(option) && value.isEmpty() && result.error.isEmpty())
            result.error = QStringLiteral("--%1 needs a value").arg(option);
        return value;
    }

    void TakeColumns(const QCommandLineParser& parser, CommandLine& result)
    {
        if (!parser.isSet(QStringLiteral("columns")))
            return;
        bool ok = false;
        const int columns = parser.value(QStringLiteral("columns")).toInt(&ok);
        if (ok && columns >= 1 && columns <= kMaxColumns)
            result.columns = columns;
        else
            result.error
                = QStringLiteral("--columns needs a whole number from 1 to %1").arg(kMaxColumns);
    }

    // The rules between options, once each was read.
    void CheckCombination(CommandLine& result, bool columnsGiven)
    {
        if (!result.error.isEmpty())
            return;
        if (!result.contactSheet.isEmpty() && result.folder.isEmpty())
            result.error = QStringLiteral("--contact-sheet needs a FOLDER");
        else if (!result.contactSheet.isEmpty() && !result.screenshot.isEmpty())
            result.error = QStringLiteral("--contact-sheet and --screenshot cannot be combined");
        else if (!result.alsoOpened.isEmpty()
            && !(result.contactSheet.isEmpty() && result.screenshot.isEmpty()))
            result.error = QStringLiteral("--contact-sheet and --screenshot take one FOLDER");
        else if (result.contactSheet.isEmpty() && columnsGiven)
            result.error = QStringLiteral("--columns needs --contact-sheet");
    }

} // namespace

CommandLine ParseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    // "-platform offscreen", as Qt's own options are written, and "-h" alike.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions({ { { "h", "help" }, QString() }, { "version", QString() },
        { "contact-sheet", QString(), "file" }, { "screenshot", QString(), "file" },
        { "columns", QString(), "count" }, { "all-types", QString() } });
    AddQtOptions(parser);

    CommandLine result;
    if (!parser.parse(QStringList { QStringLiteral("glimmerbox") } + arguments)) {
        result.error = parser.errorText();
        return result;
    }
    result.showHelp = parser.isSet(QStringLiteral("help"));
    result.showVersion = parser.isSet(QStringLiteral("version"));
    result.allTypes = parser.isSet(QStringLiteral("all-types"));
    result.contactSheet = ValueOf(parser, QStringLiteral("contact-sheet"), result);
    result.screenshot = ValueOf(parser, QStringLiteral("screenshot"), result);
    TakeColumns(parser, result);
    result.platform = parser.value(QStringLiteral("platform"));
    result.display = parser.value(QStringLiteral("display"));
    const QStringList folders = parser.positionalArguments();
    if (!folders.isEmpty())
        result.folder = folders.front();
    result.alsoOpened = folders.mid(1);
    CheckCombination(result, parser.isSet(QStringLiteral("columns")));
    return result;
}

QString FolderToOpen(const QString& argument)
{
    const QFileInfo info(argument);
    return info.isFile() ? info.absolutePath() : info.absoluteFilePath();
}

QString UsageText()
{
    return QStringLiteral(
        "Usage: glimmerbox [--all-types] [FOLDER | PICTURE...]\n"
        "       glimmerbox --contact-sheet OUT.png [--columns N] [--all-types] FOLDER\n"
        "       glimmerbox --screenshot OUT.png [--all-types] [FOLDER]\n"
        "\n"
        "Shows the pictures of FOLDER (or of the folder opened last) as a grid of thumbnails.\n"
        "PICTUREs open their folder with them ticked; a type shown only on request is shown\n"
        "this run.\n"
        "  --all-types              show every picture type this run: PNG, WebP, TIFF, HEIC, "
        "AVIF,\n"
        "                           JPEG XL and camera RAW too\n"
        "                           (the \"Every Picture Type\" setting is left as it is)\n"
        "  --contact-sheet OUT.png  write the folder's thumbnails to OUT.png and exit\n"
        "  --columns N              thumbnails per row on the contact sheet (default 8)\n"
        "  --screenshot OUT.png     save a picture of the window once the folder has loaded\n"
        "  -h, --help               print this help and exit\n"
        "  --version                print the version and exit\n"
        "Options may also be written --option=VALUE; a FOLDER starting with \"-\" follows \"--\".\n"
        "Qt's own options (such as -platform NAME or -style NAME) are understood too.\n");
}

QString UsageHint() { return QStringLiteral("Try 'glimmerbox --help' for more information.\n"); }

} // namespace gb::app

#include "platform/wallpaper_commands.h"

namespace gb::platform {

namespace {

    // Long tool output would swamp a message box; the start says enough.
    constexpr qsizetype kMaxDetailLength = 160;

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

} // namespace

WallpaperCommands::WallpaperCommands(ICommandRunner& runner)
    : runner_(runner)
{
}

std::optional<CommandResult> WallpaperCommands::Run(
    const QString& program, const QStringList& arguments)
{
    std::optional<CommandResult> result = Ask(program, arguments);
    if (result && !result->Succeeded()) {
        Fail(program, *result);
        return std::nullopt;
    }
    return result;
}

std::optional<CommandResult> WallpaperCommands::Ask(
    const QString& program, const QStringList& arguments)
{
    if (failure_)
        return std::nullopt;
    CommandResult result = runner_.Run(program, arguments);
    if (!result.started) {
        Fail(program, result);
        return std::nullopt;
    }
    return result;
}

void WallpaperCommands::Undo(const QString& program, const QStringList& arguments)
{
    runner_.Run(program, arguments);
}

void WallpaperCommands::Fail(const QString& program, const CommandResult& result)
{
    if (!failure_)
        failure_ = WallpaperFailure { program, result.started, DescribeFailure(result) };
}

} // namespace gb::platform

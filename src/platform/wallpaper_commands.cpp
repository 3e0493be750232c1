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

WallpaperFailure WallpaperFailure::Of(const QString& program, const CommandResult& result)
{
    return { program, result.started, DescribeFailure(result) };
}

WallpaperCommands::WallpaperCommands(ICommandRunner& runner, Done done)
    : runner_(runner)
    , done_(std::move(done))
{
}

void WallpaperCommands::Perform(
    ICommandRunner& runner, const std::function<void(WallpaperCommands&)>& script, Done done)
{
    const auto commands = std::make_shared<WallpaperCommands>(runner, std::move(done));
    script(*commands);
    commands->Continue();
}

void WallpaperCommands::Run(const QString& program, const QStringList& arguments, Then then)
{
    Queue({ Kind::Run, program, arguments, std::move(then), {} });
}

void WallpaperCommands::Ask(const QString& program, const QStringList& arguments, Then then)
{
    Queue({ Kind::Ask, program, arguments, std::move(then), {} });
}

void WallpaperCommands::Undo(const QString& program, const QStringList& arguments)
{
    Queue({ Kind::Undo, program, arguments, {}, {} });
}

void WallpaperCommands::Step(std::function<void()> step)
{
    Queue({ Kind::Step, {}, {}, {}, std::move(step) });
}

void WallpaperCommands::Fail(const QString& program, const CommandResult& result)
{
    if (!failure_)
        failure_ = WallpaperFailure::Of(program, result);
}

void WallpaperCommands::Continue()
{
    while (!added_.empty()) {
        queue_.push_front(std::move(added_.back()));
        added_.pop_back();
    }
    while (!queue_.empty()) {
        Item item = std::move(queue_.front());
        queue_.pop_front();
        if (item.kind == Kind::Step) {
            item.step();
            Continue();
            return;
        }
        if (failure_ && item.kind != Kind::Undo)
            continue;
        // Held by the command until it reports, which may be at once.
        runner_.Start(item.program, item.arguments,
            [self = shared_from_this(), item](
                const CommandResult& result) { self->Finished(item, result); });
        return;
    }
    const Done done = std::move(done_);
    done_ = nullptr;
    if (done)
        done(failure_);
}

void WallpaperCommands::Finished(const Item& item, const CommandResult& result)
{
    if (item.kind != Kind::Undo) {
        if (!result.started || (item.kind == Kind::Run && !result.Succeeded()))
            Fail(item.program, result);
        else if (item.then)
            item.then(result);
    }
    Continue();
}

} // namespace gb::platform

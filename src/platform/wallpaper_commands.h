#pragma once

#include "platform/command_runner.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace gb::platform {

struct WallpaperFailure {
    QString program;
    bool started = false;
    QString detail; // the first thing the program said, or its exit code

    // What a failed command tells the user.
    static WallpaperFailure Of(const QString& program, const CommandResult& result);
};

// One wallpaper backend's commands, run one after another without waiting for any. A backend
// (the `script`) queues them; a command's `then` sees its result and may queue more, which run
// before whatever was queued after that command, as if the backend had waited for it. After the
// first failure the rest are skipped: a half-made change is better left alone than pushed
// further.
class WallpaperCommands : public std::enable_shared_from_this<WallpaperCommands> {
public:
    using Then = std::function<void(const CommandResult&)>;
    using Done = std::function<void(const std::optional<WallpaperFailure>&)>;

    // Runs what `script` queues, then tells `done` the first failure, if any.
    static void Perform(
        ICommandRunner& runner, const std::function<void(WallpaperCommands&)>& script, Done done);

    // `then` gets the result when the command succeeded.
    void Run(const QString& program, const QStringList& arguments, Then then = {});
    // For a question whose "no" is still an answer: only a program that cannot start fails.
    void Ask(const QString& program, const QStringList& arguments, Then then);
    // Puts back what a failed change had already altered; runs even after a failure.
    void Undo(const QString& program, const QStringList& arguments);
    // A step between commands; runs even after a failure, to look at FirstFailure.
    void Step(std::function<void()> step);
    void Fail(const QString& program, const CommandResult& result);

    const std::optional<WallpaperFailure>& FirstFailure() const { return failure_; }

    // Only through Perform.
    WallpaperCommands(ICommandRunner& runner, Done done);

private:
    enum class Kind {
        Run,
        Ask,
        Undo,
        Step,
    };
    struct Item {
        Kind kind;
        QString program;
        QStringList arguments;
        Then then;
        std::function<void()> step;
    };

    void Queue(Item item) { added_.push_back(std::move(item)); }
    // Puts what the last script, step or `then` queued before the rest, then goes on.
    void Continue();
    void Finished(const Item& item, const CommandResult& result);

    ICommandRunner& runner_;
    Done done_;
    std::deque<Item> queue_;
    std::deque<Item> added_;
    std::optional<WallpaperFailure> failure_;
};

} // namespace gb::platform

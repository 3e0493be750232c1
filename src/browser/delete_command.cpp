#include "browser/delete_command.h"

#include "platform/file_operations.h"

namespace gb::browser {

DeleteCommand::DeleteCommand(platform::IFileOperations& files, QObject* parent)
    : QObject(parent)
    , files_(files)
{
}

DeleteCommand::~DeleteCommand() { stop_.Stop(); }

void DeleteCommand::Start(const QString& folder, const QStringList& names, bool toTrash)
{
    if (running_)
        return;
    running_ = true;
    app::Run(
        app::Lane::Storage, this,
        [&files = files_, folder, names, toTrash, stop = stop_] {
            std::pair<QStringList, QStringList> failed; // failures, and names left out of the Trash
            auto& [failures, untrashed] = failed;
            for (const QString& name : names) {
                if (stop.Stopped())
                    break;
                const platform::FileError error
                    = toTrash ? files.MoveToTrash(folder + name) : files.DeleteFile(folder + name);
                if (error.Ok() || error.number == platform::FileErrorNumber::FileNotFound)
                    continue;
                if (toTrash)
                    untrashed << name;
                const bool toldWhy
                    = error.reason.isEmpty() || error.description.contains(error.reason);
                failures << QStringLiteral("%1: %2").arg(name, error.description)
                        + (toldWhy ? QString() : " (" + error.reason + ")");
            }
            return failed;
        },
        [this](const std::pair<QStringList, QStringList>& failed) {
            running_ = false;
            Q_EMIT Finished(failed.first, failed.second);
        });
}

} // namespace gb::browser

#include "browser/delete_command.h"

#include "platform/file_operations.h"

namespace gb::browser {

DeleteCommand::DeleteCommand(platform::IFileOperations& files, QObject* parent)
    : QObject(parent)
    , files_(files)
{
}

DeleteCommand::~DeleteCommand() { stop_.Stop(); }

void DeleteCommand::Start(const QString& folder, const QStringList& names)
{
    if (running_)
        return;
    running_ = true;
    app::Run(
        app::Lane::Storage, this,
        [&files = files_, folder, names, stop = stop_] {
            QStringList failures;
            for (const QString& name : names) {
                if (stop.Stopped())
                    break;
                const platform::FileError error = files.DeleteFile(folder + name);
                if (error.Ok() || error.number == platform::FileErrorNumber::FileNotFound)
                    continue;
                const bool toldWhy
                    = error.reason.isEmpty() || error.description.contains(error.reason);
                failures << QStringLiteral("%1: %2").arg(name, error.description)
                        + (toldWhy ? QString() : " (" + error.reason + ")");
            }
            return failures;
        },
        [this](const QStringList& failures) {
            running_ = false;
            Q_EMIT Finished(failures);
        });
}

} // namespace gb::browser

#include "rename/batch_job.h"

#include "core/batch_naming.h"
#include "platform/file_operations.h"

namespace gb::rename {

namespace {
    platform::FileError NameTaken()
    {
        platform::FileError error;
        error.number = platform::FileErrorNumber::FileAlreadyExists;
        return error;
    }
} // namespace

QString CopyFailureText(const platform::FileError& error)
{
    using platform::FileSide;
    QString text = error.description;
    if (!error.reason.isEmpty() && error.side == FileSide::Original)
        text = "reading the original failed (" + error.reason + ")";
    else if (!error.reason.isEmpty() && error.side == FileSide::Copy)
        text = "writing the copy failed (" + error.reason + ")";
    // An original that was not found is not there to be intact.
    if (error.number != platform::FileErrorNumber::FileNotFound || error.side == FileSide::Copy)
        text += "; the original is intact";
    if (!error.leftover.isEmpty())
        text += "; its partial copy \"" + error.leftover + "\" could not be removed";
    return text;
}

BatchJob::BatchJob(
    platform::IFileOperations& files, const core::Files& selection, Settings settings)
    : files_(files)
    , settings_(std::move(settings))
    , BatchCounter(settings_.start)
{
    paths_.reserve(selection.Count());
    for (int i = 0; i < selection.Count(); ++i) {
        paths_ << selection.PathAt(i);
        names_.insert(selection.Key(i));
    }
}

void BatchJob::Run(const std::function<void(BatchStep)>& report)
{
    // What an earlier batch or Save As into the folder had to leave goes first.
    files_.RemoveLeftovers(settings_.folder);
    for (int i = 0; i < paths_.size(); ++i) {
        if (cancelled_) {
            const QString name = core::SplitAtLastSeparator(paths_[i]).name;
            report(BatchStep { i, {}, "\"" + name + "\": the batch was cancelled." });
            return;
        }
        BatchStep step = CopyEntry(i);
        const bool stop = !step.stopReason.isEmpty();
        report(std::move(step));
        if (stop)
            return;
    }
}

// A name another selected file already goes by counts as taken, like a file on disk.
bool BatchJob::Taken(const QString& name, const QString& own) const
{
    return name != own && names_.contains(name);
}

BatchStep BatchJob::CopyEntry(int index)
{
    const QString& source = paths_[index];
    const core::SplitPath from = core::SplitAtLastSeparator(source);
    const QString extension = core::GetExtensionName(source);
    QString target;
    for (;;) {
        target = core::BatchTarget(settings_.folder, settings_.prefix, BatchCounter, extension);
        const bool taken = Taken(core::SplitAtLastSeparator(target).name, from.name);
        const platform::FileError error
            = taken ? NameTaken() : files_.CopyFile(source, target, settings_.overwrite);
        if (error.Ok())
            break;
        if (error.number != platform::FileErrorNumber::FileAlreadyExists
            || (settings_.overwrite && !taken))
            return { index, {}, "\"" + from.name + "\": " + CopyFailureText(error) + "." };
        BatchCounter = core::NextBatchCounter(BatchCounter);
    }
    if (target != source) {
        // The same file reached through another path is not a copy: deleting it would lose it.
        if (settings_.deleteOriginals && !files_.IsSameFile(source, target)) {
            if (const platform::FileError error = files_.DeleteFile(source); !error.Ok())
                return { index, {},
                    "\"" + from.name + "\": it was copied, but the original could not be deleted ("
                        + error.description + ")." };
        }
        names_.remove(from.name);
        names_.insert(core::SplitAtLastSeparator(target).name);
    }
    BatchCounter = core::NextBatchCounter(BatchCounter);
    return { index, target, {} };
}

} // namespace gb::rename

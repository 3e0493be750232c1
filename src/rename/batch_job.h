#pragma once

#include "core/files_dictionary.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>

namespace gb::platform {
class IFileOperations;
struct FileError;
}

namespace gb::rename {

// What the user is told about a copy that failed: which side failed and the system's reason when
// the error says so (else its description), that the original is intact when it is (a failed
// copy never touches it), and the partial copy the failure could not remove.
QString CopyFailureText(const platform::FileError& error);

// One file of a batch, as the batch left it.
struct BatchStep {
    int index = 0;
    QString target; // where its entry points now: its copy, or itself when the copy is the file
    QString stopReason; // "" when the file was done, else why the batch stopped there
};

// The numbered copy (or move) of a selection into one folder, one file at a time in selection
// order, on a worker thread. It works on its own record of the selection's names, taken at the
// start and kept as the window will change its entries, so the worker never reads the selection
// the window holds. The window reads the steps as they come, and may cancel.
class BatchJob {
public:
    struct Settings {
        QString folder; // the destination
        QString prefix;
        QString start; // the first number, as typed
        bool overwrite = false;
        bool deleteOriginals = false;
    };

    BatchJob(platform::IFileOperations& files, const core::Files& selection, Settings settings);

    // Reports a BatchStep for each file tried, stopping after the first that fails or once
    // cancelled. Runs on the worker.
    void Run(const std::function<void(BatchStep)>& report);
    // Stops the batch once the file in hand is done. Any thread.
    void Cancel() { cancelled_ = true; }

private:
    BatchStep CopyEntry(int index);
    bool Taken(const QString& name, const QString& own) const;

    platform::IFileOperations& files_;
    const Settings settings_;
    QStringList paths_; // every entry's path at the start
    QSet<QString> names_; // the names the selection goes by, as the batch renames its entries
    QString BatchCounter;
    std::atomic<bool> cancelled_ = false;
};

} // namespace gb::rename

#pragma once

#include "module1/tasks.h"

#include <QObject>
#include <QStringList>

namespace gb::platform {
class IFileOperations;
}

namespace gb::browser {

// Deletes files one after the other on the storage lane, so the window still paints and closes
// while storage stalls. Every file is tried; one that cannot go never stops the others. Once
// the command has gone, the file in hand is the last.
class DeleteCommand : public QObject {
    Q_OBJECT
public:
    DeleteCommand(platform::IFileOperations& files, QObject* parent);
    ~DeleteCommand() override;

    bool IsRunning() const { return running_; }
    // Deletes `names` from `folder` (ending in '/'), or moves them to the Trash; Finished
    // follows. Nothing when one runs.
    void Start(const QString& folder, const QStringList& names, bool toTrash = false);

Q_SIGNALS:
    // Each file that stays, with why ("name: reason"); one removed by another program since it
    // was listed is gone, as asked, and not named.
    // Those the Trash could not take are named apart, in `untrashed`, to be asked about.
    void Finished(const QStringList& failures, const QStringList& untrashed);

private:
    platform::IFileOperations& files_;
    app::StopToken stop_;
    bool running_ = false;
};

} // namespace gb::browser

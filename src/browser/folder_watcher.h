#pragma once

#include "platform/file_operations.h"

#include <QElapsedTimer>
#include <QObject>
#include <memory>

class QSocketNotifier;
class QTimer;

namespace gb::browser {

// Follows the changes other programs make to the folder shown. The system's notices are gathered
// until a quiet moment, so that a burst of copies settles into one update; a steady stream is
// still announced once a second.
class FolderWatcher : public QObject {
    Q_OBJECT
public:
    FolderWatcher(std::unique_ptr<platform::IFolderWatch> watch, QObject* parent);
    ~FolderWatcher() override;

Q_SIGNALS:
    void Changed(const gb::platform::FolderChanges& changes);

private:
    void Gather();
    void Announce();

    std::unique_ptr<platform::IFolderWatch> watch_;
    QSocketNotifier* notifier_ = nullptr;
    QTimer* quiet_ = nullptr; // fires once no notice came for a moment
    QElapsedTimer gathering_; // since the first notice not yet announced
    platform::FolderChanges gathered_;
};

} // namespace gb::browser

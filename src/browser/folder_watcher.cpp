#include "browser/folder_watcher.h"

#include <QSocketNotifier>
#include <QTimer>

namespace gb::browser {

namespace {
    constexpr int kQuietMs = 250;
    constexpr int kLongestWaitMs = 1000;
} // namespace

FolderWatcher::FolderWatcher(std::unique_ptr<platform::IFolderWatch> watch, QObject* parent)
    : QObject(parent)
    , watch_(std::move(watch))
{
    notifier_ = new QSocketNotifier(watch_->Descriptor(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &FolderWatcher::Gather);
    quiet_ = new QTimer(this);
    quiet_->setSingleShot(true);
    quiet_->setInterval(kQuietMs);
    connect(quiet_, &QTimer::timeout, this, &FolderWatcher::Announce);
}

FolderWatcher::~FolderWatcher() = default;

void FolderWatcher::Gather()
{
    const platform::FolderChanges changes = watch_->TakeChanges();
    if (!gathering_.isValid())
        gathering_.start();
    gathered_.names << changes.names;
    gathered_.overflowed = gathered_.overflowed || changes.overflowed;
    if (gathering_.elapsed() >= kLongestWaitMs)
        Announce();
    else
        quiet_->start();
}

void FolderWatcher::Announce()
{
    quiet_->stop();
    gathering_.invalidate();
    platform::FolderChanges changes = std::exchange(gathered_, {});
    changes.names.removeDuplicates();
    if (changes.overflowed || !changes.names.isEmpty())
        Q_EMIT Changed(changes);
}

} // namespace gb::browser

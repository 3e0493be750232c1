#include "browser/thumbnail_pipeline.h"

#include "module1/tasks.h"

#include <QThread>

namespace gb::browser {

ThumbnailPipeline::ThumbnailPipeline(
    QStringList paths, Decoder decoder, ReadyNotice ready, int threads, int lookAhead)
    : paths_(std::move(paths))
    , decoder_(std::move(decoder))
    , ready_(std::move(ready))
    , threads_(threads > 0 ? threads : std::max(1, QThread::idealThreadCount()))
    , lookAhead_(lookAhead > 0 ? lookAhead : 2 * threads_ + 2)
{
    std::unique_lock lock(mutex_);
    LaunchMore(lock);
}

ThumbnailPipeline::~ThumbnailPipeline()
{
    std::unique_lock lock(mutex_);
    cancelled_ = true;
    idle_.wait(lock, [this] { return running_ == 0; });
}

void ThumbnailPipeline::Cancel()
{
    const std::lock_guard lock(mutex_);
    cancelled_ = true;
}

bool ThumbnailPipeline::IsIdle() const
{
    const std::lock_guard lock(mutex_);
    return running_ == 0;
}

bool ThumbnailPipeline::MayStart() const
{
    return !cancelled_ && launched_ < std::min(taken_ + lookAhead_, paths_.size());
}

// Starts workers while fewer than `threads_` run and there is a file for them.
void ThumbnailPipeline::LaunchMore(std::unique_lock<std::mutex>&)
{
    for (; running_ < threads_ && MayStart(); ++running_)
        app::Post(app::Lane::Storage, [this] { Work(); });
}

// One worker: file after file, as long as the look-ahead allows, so the folder is read by a
// steady few threads rather than one per file.
void ThumbnailPipeline::Work()
{
    std::unique_lock lock(mutex_);
    while (MayStart()) {
        const qsizetype index = launched_++;
        slots_.emplace_back();
        lock.unlock();
        MadeTile tile = decoder_(paths_[index]);
        lock.lock();
        Slot& slot = slots_[static_cast<size_t>(index - taken_)];
        slot.tile = std::move(tile);
        slot.done = true;
        // Only the first file not yet taken holds up the taking; later ones wait for it. The
        // notice goes out under the lock, so the pipeline cannot go before it is given.
        if (index == taken_ && !noticePending_) {
            noticePending_ = true;
            ready_();
        }
    }
    if (--running_ == 0)
        idle_.notify_all();
}

std::vector<MadeTile> ThumbnailPipeline::TakeReady()
{
    std::vector<MadeTile> ready;
    std::unique_lock lock(mutex_);
    noticePending_ = false;
    while (!slots_.empty() && slots_.front().done) {
        ready.push_back(std::move(slots_.front().tile));
        slots_.pop_front();
        ++taken_;
    }
    LaunchMore(lock);
    return ready;
}

} // namespace gb::browser

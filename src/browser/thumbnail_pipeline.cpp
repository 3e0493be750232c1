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

// Starts files while fewer than `threads_` run and the look-ahead allows.
void ThumbnailPipeline::LaunchMore(std::unique_lock<std::mutex>&)
{
    const qsizetype end = std::min(taken_ + lookAhead_, paths_.size());
    while (!cancelled_ && running_ < threads_ && launched_ < end) {
        const qsizetype index = launched_++;
        slots_.emplace_back();
        ++running_;
        app::Post(app::Lane::Storage, [this, index] { Work(index); });
    }
}

void ThumbnailPipeline::Work(qsizetype index)
{
    std::optional<core::CompactTile> tile;
    bool skip = false;
    {
        const std::lock_guard lock(mutex_);
        skip = cancelled_;
    }
    if (!skip)
        tile = decoder_(paths_[index]);
    bool notice = false;
    {
        std::unique_lock lock(mutex_);
        Slot& slot = slots_[static_cast<size_t>(index - taken_)];
        slot.tile = std::move(tile);
        slot.done = true;
        --running_;
        // Only the first file not yet taken holds up the taking; later ones wait for it.
        notice = !skip && index == taken_ && !noticePending_;
        noticePending_ = noticePending_ || notice;
        LaunchMore(lock);
        if (running_ == 0)
            idle_.notify_all();
        // The ready notice goes out under the lock, so the pipeline cannot be destroyed
        // between the count dropping and the notice.
        if (notice)
            ready_();
    }
}

std::vector<std::optional<core::CompactTile>> ThumbnailPipeline::TakeReady()
{
    std::vector<std::optional<core::CompactTile>> ready;
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

#include "browser/thumbnail_pipeline.h"

namespace gb::browser {

ThumbnailPipeline::ThumbnailPipeline(
    QStringList paths, Decoder decoder, ReadyNotice ready, int threads, int lookAhead)
    : paths_(std::move(paths))
    , decoder_(std::move(decoder))
    , ready_(std::move(ready))
{
    pool_.setMaxThreadCount(threads > 0 ? threads : std::max(1, QThread::idealThreadCount()));
    lookAhead_ = lookAhead > 0 ? lookAhead : 2 * pool_.maxThreadCount() + 2;
    LaunchUpTo(lookAhead_);
}

ThumbnailPipeline::~ThumbnailPipeline()
{
    Cancel();
    pool_.waitForDone();
}

void ThumbnailPipeline::Cancel()
{
    cancelled_.store(true);
    pool_.clear();
}

void ThumbnailPipeline::LaunchUpTo(qsizetype end)
{
    end = std::min(end, paths_.size());
    while (launched_ < end && !cancelled_.load()) {
        const qsizetype index = launched_++;
        {
            const std::lock_guard lock(mutex_);
            slots_.emplace_back();
        }
        pool_.start([this, index] {
            if (!cancelled_.load())
                Finish(index, decoder_(paths_[index]));
        });
    }
}

void ThumbnailPipeline::Finish(qsizetype index, std::optional<core::CompactTile> tile)
{
    bool notice = false;
    {
        const std::lock_guard lock(mutex_);
        Slot& slot = slots_[static_cast<size_t>(index - taken_)];
        slot.tile = std::move(tile);
        slot.done = true;
        // Only the first file not yet taken holds up the taking; later ones wait for it.
        notice = index == taken_ && !noticePending_;
        noticePending_ = noticePending_ || notice;
    }
    if (notice && ready_)
        ready_();
}

std::vector<std::optional<core::CompactTile>> ThumbnailPipeline::TakeReady()
{
    std::vector<std::optional<core::CompactTile>> ready;
    {
        const std::lock_guard lock(mutex_);
        noticePending_ = false;
        while (!slots_.empty() && slots_.front().done) {
            ready.push_back(std::move(slots_.front().tile));
            slots_.pop_front();
            ++taken_;
        }
    }
    LaunchUpTo(taken_ + lookAhead_);
    return ready;
}

} // namespace gb::browser

#include "browser/thumbnail_pipeline.h"

#include <QtConcurrent/QtConcurrentRun>

namespace gb::browser {

ThumbnailPipeline::ThumbnailPipeline(QStringList paths, Decoder decoder, int lookAhead)
    : paths_(std::move(paths))
    , decoder_(std::move(decoder))
    , cancelled_(std::make_shared<std::atomic<bool>>(false))
{
    pool_.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
    lookAhead_ = lookAhead > 0 ? lookAhead : 2 * pool_.maxThreadCount() + 2;
    LaunchUpTo(lookAhead_);
}

ThumbnailPipeline::~ThumbnailPipeline()
{
    cancelled_->store(true);
    pool_.waitForDone();
}

void ThumbnailPipeline::LaunchUpTo(qsizetype count)
{
    while (static_cast<qsizetype>(inFlight_.size()) < count && launched_ < paths_.size()) {
        const QString path = paths_[launched_++];
        inFlight_.push_back(QtConcurrent::run(&pool_,
            [decoder = decoder_, cancelled = cancelled_,
                path]() -> std::optional<core::CompactTile> {
                if (cancelled->load())
                    return std::nullopt;
                return decoder(path);
            }));
    }
}

std::optional<core::CompactTile> ThumbnailPipeline::Next()
{
    if (inFlight_.empty())
        return std::nullopt;
    QFuture<std::optional<core::CompactTile>> next = std::move(inFlight_.front());
    inFlight_.pop_front();
    LaunchUpTo(lookAhead_);
    return next.result();
}

} // namespace gb::browser

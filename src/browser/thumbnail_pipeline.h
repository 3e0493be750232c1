#pragma once

#include "core/thumbnail_drawing.h"
#include <QFuture>
#include <QStringList>
#include <QThreadPool>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace gb::browser {

// Makes the tiles of a list of files on worker threads, a bounded number ahead of the consumer,
// and hands them out strictly in list order. Memory stays flat whatever the folder size.
// Destroying the pipeline cancels what has not started and waits for what has.
class ThumbnailPipeline {
public:
    using Decoder = std::function<std::optional<core::CompactTile>(const QString& path)>;

    ThumbnailPipeline(QStringList paths, Decoder decoder, int lookAhead = 0);
    ~ThumbnailPipeline();
    ThumbnailPipeline(const ThumbnailPipeline&) = delete;
    ThumbnailPipeline& operator=(const ThumbnailPipeline&) = delete;

    // The tile of the next file in list order (waiting for it when needed); nullopt when that
    // file could not be made into a tile.
    std::optional<core::CompactTile> Next();

private:
    void LaunchUpTo(qsizetype count);

    QStringList paths_;
    Decoder decoder_;
    qsizetype launched_ = 0;
    qsizetype lookAhead_;
    std::deque<QFuture<std::optional<core::CompactTile>>> inFlight_;
    std::shared_ptr<std::atomic<bool>> cancelled_;
    QThreadPool pool_;
};

} // namespace gb::browser

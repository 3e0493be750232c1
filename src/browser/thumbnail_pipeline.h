#pragma once

#include "browser/made_tile.h"

#include <QStringList>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace gb::browser {

// Makes the tiles of a list of files on the storage lane, a bounded number at once (each worker
// goes on to the next file while the look-ahead allows) and ahead of what has been taken, and hands
// them out strictly in list order as they become ready; taking never waits. Memory stays flat
// whatever the folder size. Destroying the pipeline cancels what has not started and waits for what
// has (see IsIdle).
class ThumbnailPipeline {
public:
    using Decoder = std::function<MadeTile(const QString& path)>;
    // Called on a worker thread when the next tile in list order has become ready to take;
    // always given.
    using ReadyNotice = std::function<void()>;

    // `threads`: how many files are worked on at once (0: one per core); `lookAhead`: how far
    // past what was taken work may be started (0: twice the threads, plus two).
    ThumbnailPipeline(
        QStringList paths, Decoder decoder, ReadyNotice ready, int threads = 0, int lookAhead = 0);
    ~ThumbnailPipeline();
    ThumbnailPipeline(const ThumbnailPipeline&) = delete;
    ThumbnailPipeline& operator=(const ThumbnailPipeline&) = delete;

    // The results ready in list order from the first not yet taken on (no tile for a file that
    // could not be made into one); empty when the next one is not ready yet.
    std::vector<MadeTile> TakeReady();
    // Every file's result has been taken.
    bool IsFinished() const { return taken_ == paths_.size(); }
    // Nothing more is started; what runs is left to finish on its own.
    void Cancel();
    // No file is being worked on any more, so destroying the pipeline would not wait.
    bool IsIdle() const;

private:
    struct Slot {
        bool done = false;
        MadeTile tile;
    };
    void LaunchMore(std::unique_lock<std::mutex>& lock);
    bool MayStart() const;
    void Work();

    const QStringList paths_;
    const Decoder decoder_;
    const ReadyNotice ready_;
    qsizetype threads_;
    qsizetype lookAhead_;
    mutable std::mutex mutex_; // guards everything below
    std::condition_variable idle_; // the last running file is done
    qsizetype launched_ = 0;
    qsizetype running_ = 0;
    qsizetype taken_ = 0;
    std::deque<Slot> slots_; // files taken_ .. launched_ - 1
    bool noticePending_ = false;
    bool cancelled_ = false;
};

} // namespace gb::browser

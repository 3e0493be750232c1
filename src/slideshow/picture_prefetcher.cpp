#include "slideshow/picture_prefetcher.h"

#include "module1/detached_task.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace gb::slideshow {

namespace {
    // How long going away waits for reads still running: longer than a decode, far shorter than
    // a user waits for a program to end.
    constexpr std::chrono::milliseconds kLetGoAfter(1000);
} // namespace

// Shared by the window's thread and the worker; `wanted` turns false when the result is no
// longer of use, so the worker skips or frees its picture instead of handing it over.
struct PicturePrefetcher::Job {
    Job(const QString& file, const platform::PictureOptions& loadOptions)
        : path(file)
        , options(loadOptions)
    {
    }
    const QString path;
    const platform::PictureOptions options;
    std::atomic<bool> wanted = true;
};

// How many threads still read for the prefetcher; shared with them, so it outlives it.
struct PicturePrefetcher::Readers {
    std::mutex mutex;
    std::condition_variable none;
    int count = 0;

    // Runs `work` on a thread of its own, counted while it runs.
    template <typename T, typename Work>
    static QFuture<T> Start(const std::shared_ptr<Readers>& readers, Work work)
    {
        {
            std::lock_guard lock(readers->mutex);
            ++readers->count;
        }
        return app::RunDetached<T>([readers, work = std::move(work)](QPromise<T>& promise) mutable {
            work(promise);
            std::lock_guard lock(readers->mutex);
            if (--readers->count == 0)
                readers->none.notify_all();
        });
    }
};

PicturePrefetcher::Prefetched PicturePrefetcher::Decode(
    const platform::IPictureLoader& loader, const platform::IFileOperations& files, const Job& job)
{
    if (!job.wanted)
        return {};
    // Stamped before reading, so a change during the read shows up as a different stamp.
    Prefetched decoded { files.StampOf(job.path), loader.LoadPicture(job.path, job.options) };
    if (!job.wanted)
        return {}; // freed here, on the worker
    return decoded;
}

PicturePrefetcher::Picture PicturePrefetcher::Load(const platform::IPictureLoader& loader,
    const platform::IFileOperations& files, const Job& job,
    std::optional<QFuture<Prefetched>> ahead)
{
    if (ahead) {
        ahead->waitForFinished();
        if (ahead->resultCount() > 0) {
            Prefetched decoded = ahead->takeResult();
            if (decoded.picture && decoded.stamp == files.StampOf(job.path))
                return std::move(decoded.picture);
        }
    }
    if (!job.wanted)
        return std::nullopt;
    return loader.LoadPicture(job.path, job.options);
}

PicturePrefetcher::PicturePrefetcher(
    const platform::IPictureLoader& loader, const platform::IFileOperations& files)
    : loader_(loader)
    , files_(files)
    , readers_(std::make_shared<Readers>())
{
}

PicturePrefetcher::~PicturePrefetcher()
{
    Discard();
    std::unique_lock lock(readers_->mutex);
    readers_->none.wait_for(lock, kLetGoAfter, [this] { return readers_->count == 0; });
}

void PicturePrefetcher::Request(const QString& path)
{
    if (ahead_ && ahead_->path == path)
        return;
    if (ahead_)
        ahead_->wanted = false;
    ahead_.reset();
    aheadResult_.reset();
    if (path.isEmpty())
        return;
    ahead_ = std::make_shared<Job>(path, options_);
    aheadResult_ = Readers::Start<Prefetched>(readers_,
        [&loader = loader_, &files = files_, job = ahead_](
            QPromise<Prefetched>& promise) { promise.addResult(Decode(loader, files, *job)); });
}

void PicturePrefetcher::Fetch(const QString& path, std::function<void(Picture)> show)
{
    std::optional<QFuture<Prefetched>> ahead;
    if (ahead_ && ahead_->path == path) {
        ahead = std::move(aheadResult_);
        ahead_.reset();
    }
    Discard();
    const auto job = std::make_shared<Job>(path, options_);
    fetching_ = job;
    auto work = [&loader = loader_, &files = files_, job, ahead = std::move(ahead)](
                    QPromise<Picture>& promise) mutable {
        promise.addResult(Load(loader, files, *job, std::move(ahead)));
    };
    app::Watch(Readers::Start<Picture>(readers_, std::move(work)), &receiver_,
        [this, job, show = std::move(show)](const QFuture<Picture>& future) {
            if (job != fetching_)
                return;
            fetching_.reset();
            show(future.resultCount() > 0 ? future.result() : Picture());
        });
}

void PicturePrefetcher::Discard()
{
    for (std::shared_ptr<Job>* job : { &ahead_, &fetching_ }) {
        if (*job)
            (*job)->wanted = false;
        job->reset();
    }
    aheadResult_.reset();
}

QString PicturePrefetcher::PendingPath() const { return ahead_ ? ahead_->path : QString(); }

} // namespace gb::slideshow

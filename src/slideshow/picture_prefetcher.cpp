#include "slideshow/picture_prefetcher.h"

#include "platform/file_operations.h"

#include <QtConcurrent/QtConcurrentRun>
#include <mutex>

namespace gb::slideshow {

// Shared by the window's thread and the worker; `wanted` turns false when the result is no
// longer of use, so the worker skips or frees its picture instead of handing it over.
struct PicturePrefetcher::Job {
    explicit Job(const QString& file)
        : path(file)
    {
    }
    const QString path;
    std::mutex mutex;
    bool wanted = true;
    std::optional<platform::FileStamp> stamp;
    std::optional<platform::LoadedPicture> picture;
};

void PicturePrefetcher::Decode(const platform::IPictureLoader& loader,
    const platform::IFileOperations& files, const std::shared_ptr<Job>& job)
{
    {
        std::lock_guard lock(job->mutex);
        if (!job->wanted)
            return;
    }
    // Stamped before reading, so a change during the read shows up as a different stamp.
    std::optional<platform::FileStamp> stamp = files.StampOf(job->path);
    std::optional<platform::LoadedPicture> picture
        = loader.LoadPicture(job->path, platform::PictureOptions {});
    std::lock_guard lock(job->mutex);
    if (!job->wanted)
        return;
    job->stamp = stamp;
    job->picture = std::move(picture);
}

PicturePrefetcher::PicturePrefetcher(
    const platform::IPictureLoader& loader, const platform::IFileOperations& files)
    : loader_(loader)
    , files_(files)
{
}

PicturePrefetcher::~PicturePrefetcher()
{
    Discard();
    for (QFuture<void>& future : discarded_)
        future.waitForFinished();
}

void PicturePrefetcher::Request(const QString& path)
{
    if (job_ && job_->path == path)
        return;
    Discard();
    PruneFinished();
    if (path.isEmpty())
        return;
    job_ = std::make_shared<Job>(path);
    running_ = QtConcurrent::run(
        [&loader = loader_, &files = files_, job = job_] { Decode(loader, files, job); });
}

std::optional<platform::LoadedPicture> PicturePrefetcher::Take(const QString& path)
{
    if (!job_ || job_->path != path) {
        Discard();
        return std::nullopt;
    }
    running_.waitForFinished();
    running_ = QFuture<void>();
    const std::shared_ptr<Job> job = std::move(job_);
    std::lock_guard lock(job->mutex);
    if (!job->picture || job->stamp != files_.StampOf(path))
        return std::nullopt;
    return std::move(job->picture);
}

void PicturePrefetcher::Discard()
{
    if (!job_)
        return;
    {
        std::lock_guard lock(job_->mutex);
        job_->wanted = false;
        job_->picture.reset();
    }
    job_.reset();
    if (!running_.isFinished())
        discarded_.push_back(running_);
    running_ = QFuture<void>();
}

QString PicturePrefetcher::PendingPath() const { return job_ ? job_->path : QString(); }

void PicturePrefetcher::PruneFinished()
{
    std::erase_if(discarded_, [](const QFuture<void>& future) { return future.isFinished(); });
}

} // namespace gb::slideshow

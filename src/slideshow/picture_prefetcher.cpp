#include "slideshow/picture_prefetcher.h"

#include "module1/tasks.h"

#include <atomic>

namespace gb::slideshow {

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
    const platform::IFileOperations& files, const Job& job, std::optional<Prefetched> ahead)
{
    if (ahead && ahead->picture && ahead->stamp == files.StampOf(job.path))
        return std::move(ahead->picture);
    if (!job.wanted)
        return std::nullopt;
    return loader.LoadPicture(job.path, job.options);
}

PicturePrefetcher::PicturePrefetcher(
    const platform::IPictureLoader& loader, const platform::IFileOperations& files)
    : loader_(loader)
    , files_(files)
{
}

PicturePrefetcher::~PicturePrefetcher() { Discard(); }

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
    app::Run(
        app::Lane::Storage, &receiver_,
        [&loader = loader_, &files = files_, job = ahead_] { return Decode(loader, files, *job); },
        [this, job = ahead_](Prefetched decoded) { Arrived(job, std::move(decoded)); });
}

void PicturePrefetcher::Arrived(const std::shared_ptr<Job>& job, Prefetched decoded)
{
    if (job == ahead_) {
        aheadResult_ = std::move(decoded);
    } else if (job == awaited_) {
        awaited_.reset();
        StartLoad(std::move(decoded));
    }
}

void PicturePrefetcher::Fetch(const QString& path, std::function<void(Picture)> show)
{
    std::shared_ptr<Job> ahead;
    std::optional<Prefetched> decoded;
    if (ahead_ && ahead_->path == path) {
        ahead = std::move(ahead_);
        decoded = std::move(aheadResult_);
    }
    Discard();
    fetching_ = std::make_shared<Job>(path, options_);
    show_ = std::move(show);
    // A decode ahead of this file still under way is waited for, not started over.
    if (ahead && !decoded)
        awaited_ = std::move(ahead);
    else
        StartLoad(std::move(decoded));
}

void PicturePrefetcher::StartLoad(std::optional<Prefetched> ahead)
{
    // Shared, as the work is copied and the picture can only be moved.
    auto held = std::make_shared<std::optional<Prefetched>>(std::move(ahead));
    app::Run(
        app::Lane::Storage, &receiver_,
        [&loader = loader_, &files = files_, job = fetching_, held] {
            return Load(loader, files, *job, std::move(*held));
        },
        [this, job = fetching_](Picture picture) {
            if (job != fetching_)
                return;
            fetching_.reset();
            const auto show = std::move(show_);
            show(std::move(picture));
        });
}

void PicturePrefetcher::Discard()
{
    for (std::shared_ptr<Job>* job : { &ahead_, &fetching_, &awaited_ }) {
        if (*job)
            (*job)->wanted = false;
        job->reset();
    }
    aheadResult_.reset();
    show_ = nullptr;
}

QString PicturePrefetcher::PendingPath() const { return ahead_ ? ahead_->path : QString(); }

} // namespace gb::slideshow

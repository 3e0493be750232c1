#pragma once

#include "platform/file_operations.h"
#include "platform/picture_loader.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace gb::slideshow {

// Reads the slide show's pictures on the storage lane: the picture to show now, and the one
// that will be shown next while the current one is looked at, so that a step does not wait for a
// 12-megapixel JPEG to decode. The window's thread never waits for a read, so the show still
// paints and closes while storage stalls (a share whose server went away, a camera card being
// pulled). It holds at most one picture ahead: asking for another file, or fetching a different
// one, drops the previous one (a decode already under way finishes on its thread and its picture
// is freed there).
class PicturePrefetcher {
public:
    using Picture = std::optional<platform::LoadedPicture>;

    // `files` tells whether a file changed between its decode and its showing. Made on the
    // window's thread, where fetched pictures are handed over.
    PicturePrefetcher(
        const platform::IPictureLoader& loader, const platform::IFileOperations& files);
    // Reads still running are left to end on their own; what they bring is dropped.
    ~PicturePrefetcher();
    PicturePrefetcher(const PicturePrefetcher&) = delete;
    PicturePrefetcher& operator=(const PicturePrefetcher&) = delete;

    // What the loads started from now on ask of the loader (which types it shows).
    void SetOptions(const platform::PictureOptions& options) { options_ = options; }
    // Starts decoding `path` ahead, at its own size, unless that is already being done.
    void Request(const QString& path);
    // Brings the picture of `path` to `show` once it is read: the one decoded ahead when it is of
    // that file and the file has not changed since it was read, else a fresh load; nullopt when
    // the file cannot be loaded. A later Fetch or Discard drops a picture that has not come yet.
    void Fetch(const QString& path, std::function<void(Picture)> show);
    // Drops the picture ahead and the one fetched, finished or not.
    void Discard();
    // Whether a fetched picture has yet to come.
    bool Fetching() const { return fetching_ != nullptr; }
    // The file decoded ahead, "" when none.
    QString PendingPath() const;

private:
    struct Job;
    // A picture decoded ahead, and the file's stamp from just before it was read.
    struct Prefetched {
        std::optional<platform::FileStamp> stamp;
        Picture picture;
    };
    static Prefetched Decode(const platform::IPictureLoader& loader,
        const platform::IFileOperations& files, const Job& job);
    static Picture Load(const platform::IPictureLoader& loader,
        const platform::IFileOperations& files, const Job& job, std::optional<Prefetched> ahead);
    // Reads the fetched picture, with what was decoded ahead for it if anything.
    void StartLoad(std::optional<Prefetched> ahead);
    void Arrived(const std::shared_ptr<Job>& job, Prefetched decoded);

    const platform::IPictureLoader& loader_;
    const platform::IFileOperations& files_;
    platform::PictureOptions options_;
    std::shared_ptr<Job> ahead_; // the decode ahead
    std::optional<Prefetched> aheadResult_; // what it brought, once it has
    std::shared_ptr<Job> fetching_; // the picture asked for, until it comes
    std::function<void(Picture)> show_; // where it goes
    std::shared_ptr<Job> awaited_; // the decode ahead of the fetched file, until it comes
    QObject
        receiver_; // takes the reads' results; what comes after the prefetcher has gone is dropped
};

} // namespace gb::slideshow

#pragma once

#include "platform/picture_loader.h"

#include <QFuture>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace gb::platform {
class IFileOperations;
}

namespace gb::slideshow {

// Decodes the picture that will be shown next on a worker thread while the current one is on
// screen, so that a step does not wait for a 12-megapixel JPEG to decode. It holds at most one
// decoded picture: asking for another file, or taking a different one, drops the previous result
// (a decode already under way finishes on its worker and its picture is freed there).
class PicturePrefetcher {
public:
    // `files` tells whether a file changed between its decode and its showing.
    PicturePrefetcher(
        const platform::IPictureLoader& loader, const platform::IFileOperations& files);
    // Waits for every decode still running: they use the loader and `files`, which may go next.
    ~PicturePrefetcher();
    PicturePrefetcher(const PicturePrefetcher&) = delete;
    PicturePrefetcher& operator=(const PicturePrefetcher&) = delete;

    // Starts decoding `path` at its own size unless that is already being done.
    void Request(const QString& path);
    // The prefetched picture of `path`, waiting for its decode when it is still running. nullopt
    // when something else was prefetched, the decode failed or the file changed since it was
    // read; the caller then loads the file itself. Either way the prefetch is used up.
    std::optional<platform::LoadedPicture> Take(const QString& path);
    // Drops the prefetch, finished or not.
    void Discard();
    // The file being prefetched, "" when none.
    QString PendingPath() const;

private:
    struct Job;
    static void Decode(const platform::IPictureLoader& loader,
        const platform::IFileOperations& files, const std::shared_ptr<Job>& job);
    void PruneFinished();

    const platform::IPictureLoader& loader_;
    const platform::IFileOperations& files_;
    std::shared_ptr<Job> job_;
    QFuture<void> running_;
    std::vector<QFuture<void>> discarded_; // still decoding; waited for at destruction
};

} // namespace gb::slideshow

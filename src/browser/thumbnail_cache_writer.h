#pragma once

#include "platform/thumbnail_store.h"

#include <mutex>
#include <vector>

namespace gb::browser {

// Writes the thumbnails a folder load had to decode into the shared cache, after the grid is
// shown so that writing never slows the load down. What a load produces is held until
// Release(), then written in order on the serial lane; past `holdLimit` entries the producing
// thread writes at once, so memory stays bounded whatever the folder size. Safe to call from
// several threads at once.
class ThumbnailCacheWriter {
public:
    explicit ThumbnailCacheWriter(const platform::IThumbnailStore& store, int holdLimit = 512);
    ThumbnailCacheWriter(const ThumbnailCacheWriter&) = delete;
    ThumbnailCacheWriter& operator=(const ThumbnailCacheWriter&) = delete;

    // A load begins: hold what it produces.
    void Hold();
    // The grid is shown: write everything held, away from the window's thread.
    void Release();

    // side: the size of the cache the thumbnail is for (one of platform::kThumbnailSides).
    void Add(const platform::ThumbnailKey& key, const QImage& thumbnail, QSize naturalSize,
        int side = platform::kNormalThumbnailSide, const platform::EntryDate& taken = {});
    void AddFailure(const platform::ThumbnailKey& key);

private:
    struct Entry {
        platform::ThumbnailKey key;
        QImage thumbnail; // null for a failure record
        QSize naturalSize;
        int side = platform::kNormalThumbnailSide;
        platform::EntryDate taken = {};
    };
    void Put(Entry entry);
    static void Write(const platform::IThumbnailStore& store, const Entry& entry);

    const platform::IThumbnailStore& store_;
    const size_t holdLimit_;
    std::mutex mutex_;
    bool holding_ = false;
    std::vector<Entry> held_;
};

} // namespace gb::browser

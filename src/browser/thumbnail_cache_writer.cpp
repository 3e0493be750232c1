#include "browser/thumbnail_cache_writer.h"

namespace gb::browser {

ThumbnailCacheWriter::ThumbnailCacheWriter(const platform::IThumbnailStore& store, int holdLimit)
    : store_(store)
    , holdLimit_(static_cast<size_t>(std::max(0, holdLimit)))
{
    writer_.setMaxThreadCount(1);
}

ThumbnailCacheWriter::~ThumbnailCacheWriter() { writer_.waitForDone(); }

void ThumbnailCacheWriter::Hold()
{
    const std::lock_guard lock(mutex_);
    holding_ = true;
}

void ThumbnailCacheWriter::Release()
{
    std::vector<Entry> batch;
    {
        const std::lock_guard lock(mutex_);
        holding_ = false;
        batch.swap(held_);
    }
    if (batch.empty())
        return;
    writer_.start([this, batch = std::move(batch)] {
        for (const Entry& entry : batch)
            Write(entry);
    });
}

void ThumbnailCacheWriter::Add(
    const platform::ThumbnailKey& key, const QImage& thumbnail, QSize naturalSize, int side)
{
    Put(Entry { key, thumbnail, naturalSize, side });
}

void ThumbnailCacheWriter::AddFailure(const platform::ThumbnailKey& key)
{
    Put(Entry { key, QImage(), QSize() });
}

void ThumbnailCacheWriter::Put(Entry entry)
{
    {
        const std::lock_guard lock(mutex_);
        if (holding_ && held_.size() < holdLimit_) {
            held_.push_back(std::move(entry));
            return;
        }
    }
    Write(entry);
}

void ThumbnailCacheWriter::Write(const Entry& entry) const
{
    // A cache that cannot be written (read-only home, full disk) only costs speed next time.
    if (entry.thumbnail.isNull())
        store_.SaveFailure(entry.key);
    else
        store_.Save(entry.key, entry.thumbnail, entry.naturalSize, entry.side);
}

} // namespace gb::browser

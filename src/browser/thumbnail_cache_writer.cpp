#include "browser/thumbnail_cache_writer.h"

#include "module1/tasks.h"

namespace gb::browser {

ThumbnailCacheWriter::ThumbnailCacheWriter(const platform::IThumbnailStore& store, int holdLimit)
    : store_(store)
    , holdLimit_(static_cast<size_t>(std::max(0, holdLimit)))
{
}

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
    // The platform's store outlives every job: only the entries go with the job.
    app::Post(app::Lane::Serial, [&store = store_, batch = std::move(batch)] {
        for (const Entry& entry : batch)
            Write(store, entry);
    });
}

void ThumbnailCacheWriter::Add(const platform::ThumbnailKey& key, const QImage& thumbnail,
    QSize naturalSize, int side, const platform::EntryDate& taken)
{
    Put(Entry { key, thumbnail, naturalSize, side, taken });
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
    Write(store_, entry);
}

void ThumbnailCacheWriter::Write(const platform::IThumbnailStore& store, const Entry& entry)
{
    // A cache that cannot be written (read-only home, full disk) only costs speed next time.
    if (entry.thumbnail.isNull())
        store.SaveFailure(entry.key);
    else
        store.Save(entry.key, entry.thumbnail, entry.naturalSize, entry.side, entry.taken);
}

} // namespace gb::browser

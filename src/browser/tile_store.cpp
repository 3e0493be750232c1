#include "browser/tile_store.h"

#include "platform/scratch_file.h"

#include <QMetaObject>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace gb::browser {

struct TileStore::Parcel {
    int index = 0;
    qint64 offset = 0;
    qint32 length = 0;
    QByteArray pixels; // written from, or read into
};

// The store's disk work, one job after another on a thread of its own. The thread holds only
// this: when the store goes, `store` is cleared, the jobs still queued are dropped, and a job the
// disk holds up ends with nobody to tell.
struct TileStore::Worker {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void(platform::IScratchFile*)>> jobs;
    TileStore* store = nullptr;
    std::atomic<quint64> generation { 0 }; // jobs of an earlier one are skipped

    // Runs `deliver` on the store's thread, if the store is still there.
    void Deliver(std::function<void(TileStore&)> deliver)
    {
        const std::lock_guard lock(mutex);
        if (TileStore* target = store) {
            QMetaObject::invokeMethod(
                target, [target, deliver] { deliver(*target); }, Qt::QueuedConnection);
        }
    }

    static void Run(std::shared_ptr<Worker> worker, platform::IScratchSpace& scratch)
    {
        std::unique_ptr<platform::IScratchFile> file;
        bool created = false;
        for (;;) {
            std::function<void(platform::IScratchFile*)> job;
            {
                std::unique_lock lock(worker->mutex);
                worker->wake.wait(lock, [&] { return !worker->store || !worker->jobs.empty(); });
                if (!worker->store)
                    return;
                job = std::move(worker->jobs.front());
                worker->jobs.pop_front();
            }
            if (!std::exchange(created, true)) {
                int error = 0;
                file = scratch.Create(error);
            }
            job(file.get());
        }
    }
};

TileStore::TileStore(
    std::vector<ThumbCell>& cells, platform::IScratchSpace& scratch, QObject* parent)
    : QObject(parent)
    , cells_(cells)
    , scratch_(scratch)
{
}

TileStore::~TileStore()
{
    if (!worker_)
        return;
    const std::lock_guard lock(worker_->mutex);
    worker_->store = nullptr;
    worker_->jobs.clear();
    worker_->wake.notify_all();
}

void TileStore::Reset()
{
    ++generation_;
    if (worker_)
        worker_->generation = generation_;
    parkAbove_ = budget_;
    resident_.clear();
    places_.clear();
    residentBytes_ = 0;
    fileEnd_ = 0;
    parkingFailed_ = false;
    first_ = last_ = 0;
}

bool TileStore::IsParked(int index) const
{
    return index >= 0 && index < static_cast<int>(places_.size())
        && places_[static_cast<size_t>(index)].offset >= 0
        && cells_[static_cast<size_t>(index)].Picture.pixels.isEmpty();
}

void TileStore::Keep(int index)
{
    residentBytes_ += cells_[static_cast<size_t>(index)].Picture.pixels.size();
    resident_.push_back(index);
}

void TileStore::Added(int index)
{
    if (index >= static_cast<int>(places_.size()))
        places_.resize(static_cast<size_t>(index) + 1);
    places_[static_cast<size_t>(index)] = Place {};
    Keep(index);
    if (budget_ > 0 && residentBytes_ > parkAbove_ && !parkingFailed_)
        ParkFarthest();
}

// Parks pictures, farthest from the screen first, until a quarter of the budget is free, so the
// next round comes only after many more cells. The screen and a screenful on either side stay.
void TileStore::ParkFarthest()
{
    const int margin = last_ - first_ + 1;
    const auto distance
        = [this](int i) { return i < first_ ? first_ - i : std::max(0, i - last_); };
    std::sort(resident_.begin(), resident_.end(),
        [&distance](int a, int b) { return distance(a) > distance(b); });
    const qint64 target = budget_ - budget_ / 4;
    std::vector<Parcel> writes;
    size_t parked = 0;
    for (; parked < resident_.size() && residentBytes_ > target; ++parked) {
        const int index = resident_[parked];
        if (distance(index) <= margin)
            break;
        QByteArray& pixels = cells_[static_cast<size_t>(index)].Picture.pixels;
        residentBytes_ -= pixels.size();
        Place& place = places_[static_cast<size_t>(index)];
        if (place.offset < 0) { // fetched back before: its bytes are on the disk already
            place.offset = fileEnd_;
            place.length = static_cast<qint32>(pixels.size());
            fileEnd_ += place.length;
            writes.push_back({ index, place.offset, place.length, std::move(pixels) });
        }
        pixels = QByteArray();
    }
    resident_.erase(resident_.begin(), resident_.begin() + static_cast<qsizetype>(parked));
    parkAbove_ = std::max(budget_, residentBytes_ + budget_ / 4);
    if (!writes.empty())
        Post(std::move(writes), true);
}

void TileStore::Showing(int first, int last)
{
    first_ = first;
    last_ = std::max(first, last);
    const int span = last_ - first_ + 1;
    const int end = std::min(last_ + span, static_cast<int>(places_.size()) - 1);
    std::vector<Parcel> reads;
    for (int i = std::max(0, first_ - span); i <= end; ++i) {
        Place& place = places_[static_cast<size_t>(i)];
        if (IsParked(i) && !place.fetching && !place.lost) {
            place.fetching = true;
            reads.push_back({ i, place.offset, place.length, QByteArray() });
        }
    }
    if (!reads.empty())
        Post(std::move(reads), false);
}

void TileStore::Post(std::vector<Parcel> parcels, bool write)
{
    if (!worker_) {
        worker_ = std::make_shared<Worker>();
        worker_->store = this;
        worker_->generation = generation_;
        std::thread(&Worker::Run, worker_, std::ref(scratch_)).detach();
    }
    ++pendingJobs_;
    const quint64 generation = generation_;
    auto job = [worker = worker_.get(), generation, write, parcels = std::move(parcels)](
                   platform::IScratchFile* file) mutable {
        std::vector<Parcel> done;
        for (Parcel& parcel : parcels) {
            if (worker->generation != generation)
                break; // the cells are gone: nothing to park or fetch for them
            const int error = !file ? ENOSPC
                : write             ? file->WriteAt(parcel.offset, parcel.pixels)
                                    : file->ReadAt(parcel.offset, parcel.length, parcel.pixels);
            // A write hands back what failed; a read, what it brought and what it did not.
            if (!write || error != 0)
                done.push_back(std::move(parcel));
        }
        worker->Deliver([generation, write, done = std::move(done)](TileStore& store) mutable {
            --store.pendingJobs_;
            if (write)
                store.Parked(generation, std::move(done));
            else
                store.Returned(generation, std::move(done));
        });
    };
    const std::lock_guard lock(worker_->mutex);
    worker_->jobs.push_back(std::move(job));
    worker_->wake.notify_one();
}

void TileStore::Parked(quint64 generation, std::vector<Parcel> failed)
{
    if (generation != generation_ || failed.empty())
        return;
    parkingFailed_ = true;
    for (Parcel& parcel : failed) {
        places_[static_cast<size_t>(parcel.index)] = Place {};
        cells_[static_cast<size_t>(parcel.index)].Picture.pixels = std::move(parcel.pixels);
        Keep(parcel.index);
    }
    Q_EMIT Fetched();
}

void TileStore::Returned(quint64 generation, std::vector<Parcel> parcels)
{
    if (generation != generation_)
        return;
    for (Parcel& parcel : parcels) {
        Place& place = places_[static_cast<size_t>(parcel.index)];
        if (!place.fetching || !IsParked(parcel.index))
            continue;
        place.fetching = false;
        place.lost = parcel.pixels.isEmpty();
        if (place.lost)
            continue;
        cells_[static_cast<size_t>(parcel.index)].Picture.pixels = std::move(parcel.pixels);
        Keep(parcel.index);
    }
    if (budget_ > 0 && residentBytes_ > parkAbove_ && !parkingFailed_)
        ParkFarthest();
    Q_EMIT Fetched();
}

} // namespace gb::browser

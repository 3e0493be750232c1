#include "browser/tile_store.h"

#include "module1/tasks.h"
#include "platform/scratch_file.h"

#include <algorithm>
#include <atomic>

namespace gb::browser {

struct TileStore::Parcel {
    CellModel::CellId id = 0;
    qint64 offset = 0;
    qint32 length = 0;
    QByteArray pixels; // written from, or read into
};

// The scratch file, made by the first job that needs it. Jobs run one after another on the
// serial lane, so only one touches it at a time; a job of an earlier folder (or of a store
// that has gone) finds the generation moved on and does nothing.
struct TileStore::Disk {
    explicit Disk(platform::IScratchSpace& scratch)
        : space(scratch)
    {
    }
    platform::IScratchSpace& space;
    std::unique_ptr<platform::IScratchFile> file;
    bool created = false;
    std::atomic<quint64> generation { 0 };
    static constexpr quint64 kGone = ~quint64(0);

    platform::IScratchFile* File()
    {
        if (!std::exchange(created, true)) {
            int error = 0;
            file = space.Create(error);
        }
        return file.get();
    }
};

TileStore::TileStore(CellModel& model, platform::IScratchSpace& scratch, QObject* parent)
    : QObject(parent)
    , model_(model)
    , disk_(std::make_shared<Disk>(scratch))
{
    connect(&model_, &CellModel::ModelReset, this, &TileStore::Reset);
    connect(&model_, &CellModel::CellsInserted, this, &TileStore::Added);
    connect(&model_, &CellModel::CellsRemoved, this, &TileStore::Removed);
}

TileStore::~TileStore() { disk_->generation = Disk::kGone; }

void TileStore::Reset()
{
    disk_->generation = ++generation_;
    parkAbove_ = budget_;
    resident_.clear();
    places_.clear();
    firstId_ = model_.Id(0);
    residentBytes_ = 0;
    fileEnd_ = 0;
    parkingFailed_ = false;
    first_ = last_ = 0;
}

bool TileStore::IsParked(CellModel::CellId id, const Place& place) const
{
    return place.offset >= 0 && place.resident == 0 && model_.IndexOf(id) >= 0;
}

bool TileStore::IsParked(int index) const
{
    if (!model_.IsShown(index))
        return false;
    const CellModel::CellId id = model_.Id(index);
    return id - firstId_ < places_.size() && IsParked(id, places_[id - firstId_]);
}

TileStore::Place& TileStore::PlaceOf(CellModel::CellId id)
{
    if (id - firstId_ >= places_.size())
        places_.resize(id - firstId_ + 1);
    return places_[id - firstId_];
}

void TileStore::Keep(CellModel::CellId id, Place& place)
{
    place.resident = static_cast<qint32>(model_.Cell(model_.IndexOf(id)).Picture.pixels.size());
    residentBytes_ += place.resident;
    resident_.push_back(id);
}

void TileStore::Added(int first, int last)
{
    for (int index = first; index <= last; ++index) {
        const CellModel::CellId id = model_.Id(index);
        Keep(id, PlaceOf(id) = Place {});
    }
    if (budget_ > 0 && residentBytes_ > parkAbove_ && !parkingFailed_)
        ParkFarthest();
}

// What the removed cells kept in memory no longer counts; their parked bytes stay in the file
// until the next folder.
void TileStore::Removed()
{
    std::erase_if(resident_, [this](CellModel::CellId id) {
        if (model_.IndexOf(id) >= 0)
            return false;
        residentBytes_ -= std::exchange(PlaceOf(id), Place {}).resident;
        return true;
    });
}

// Parks pictures, farthest from the screen first, until a quarter of the budget is free, so the
// next round comes only after many more cells. The screen and a screenful on either side stay.
void TileStore::ParkFarthest()
{
    const int margin = last_ - first_ + 1;
    std::vector<std::pair<int, CellModel::CellId>> byDistance; // farthest first
    byDistance.reserve(resident_.size());
    for (const CellModel::CellId id : resident_) {
        const int i = model_.IndexOf(id);
        byDistance.emplace_back(i < first_ ? first_ - i : std::max(0, i - last_), id);
    }
    std::sort(byDistance.begin(), byDistance.end(),
        [](const auto& a, const auto& b) { return a.first > b.first; });
    const qint64 target = budget_ - budget_ / 4;
    std::vector<Parcel> writes;
    size_t parked = 0;
    for (; parked < byDistance.size() && residentBytes_ > target; ++parked) {
        const auto [distance, id] = byDistance[parked];
        if (distance <= margin)
            break;
        Place& place = PlaceOf(id);
        const int index = model_.IndexOf(id);
        QByteArray pixels = model_.Cell(index).Picture.pixels;
        residentBytes_ -= std::exchange(place.resident, 0);
        if (place.offset < 0) { // fetched back before: its bytes are on the disk already
            place.offset = fileEnd_;
            place.length = static_cast<qint32>(pixels.size());
            fileEnd_ += place.length;
            writes.push_back({ id, place.offset, place.length, std::move(pixels) });
        }
        model_.SetPicturePixels(index, QByteArray());
    }
    resident_.clear();
    for (size_t i = parked; i < byDistance.size(); ++i)
        resident_.push_back(byDistance[i].second);
    parkAbove_ = std::max(budget_, residentBytes_ + budget_ / 4);
    if (!writes.empty())
        Post(std::move(writes), true);
}

void TileStore::Showing(int first, int last)
{
    first_ = first;
    last_ = std::max(first, last);
    const int span = last_ - first_ + 1;
    const int end = std::min(last_ + span, model_.Count() - 1);
    std::vector<Parcel> reads;
    for (int i = std::max(0, first_ - span); i <= end; ++i) {
        const CellModel::CellId id = model_.Id(i);
        Place& place = PlaceOf(id);
        if (IsParked(id, place) && !place.fetching && !place.lost) {
            place.fetching = true;
            reads.push_back({ id, place.offset, place.length, QByteArray() });
        }
    }
    if (!reads.empty())
        Post(std::move(reads), false);
}

void TileStore::Post(std::vector<Parcel> parcels, bool write)
{
    ++pendingJobs_;
    const quint64 generation = generation_;
    app::Run(
        app::Lane::Serial, this,
        [disk = disk_, generation, write, parcels = std::move(parcels)]() mutable {
            std::vector<Parcel> done;
            for (Parcel& parcel : parcels) {
                if (disk->generation != generation)
                    break; // the cells are gone: nothing to park or fetch for them
                platform::IScratchFile* file = disk->File();
                const int error = !file ? ENOSPC
                    : write             ? file->WriteAt(parcel.offset, parcel.pixels)
                                        : file->ReadAt(parcel.offset, parcel.length, parcel.pixels);
                // A write hands back what failed; a read, what it brought and what it did not.
                if (!write || error != 0)
                    done.push_back(std::move(parcel));
            }
            return done;
        },
        [this, generation, write](std::vector<Parcel> done) {
            --pendingJobs_;
            if (write)
                Parked(generation, std::move(done));
            else
                Returned(generation, std::move(done));
        });
}

void TileStore::Announce(const std::vector<int>& cells)
{
    if (!cells.empty())
        model_.AnnouncePictures(*std::min_element(cells.begin(), cells.end()),
            *std::max_element(cells.begin(), cells.end()));
}

void TileStore::Parked(quint64 generation, std::vector<Parcel> failed)
{
    if (generation != generation_ || failed.empty())
        return;
    parkingFailed_ = true;
    std::vector<int> back;
    for (Parcel& parcel : failed) {
        const int index = model_.IndexOf(parcel.id);
        if (index < 0)
            continue;
        Place& place = PlaceOf(parcel.id) = Place {};
        model_.SetPicturePixels(index, std::move(parcel.pixels));
        Keep(parcel.id, place);
        back.push_back(index);
    }
    Announce(back);
}

void TileStore::Returned(quint64 generation, std::vector<Parcel> parcels)
{
    if (generation != generation_)
        return;
    std::vector<int> back;
    for (Parcel& parcel : parcels) {
        Place& place = PlaceOf(parcel.id);
        if (!place.fetching || !IsParked(parcel.id, place))
            continue;
        place.fetching = false;
        place.lost = parcel.pixels.isEmpty();
        if (place.lost)
            continue;
        back.push_back(model_.IndexOf(parcel.id));
        model_.SetPicturePixels(back.back(), std::move(parcel.pixels));
        Keep(parcel.id, place);
    }
    Announce(back);
    if (budget_ > 0 && residentBytes_ > parkAbove_ && !parkingFailed_)
        ParkFarthest();
}

} // namespace gb::browser

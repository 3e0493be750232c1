#pragma once

#include "browser/cell_model.h"

#include <QObject>
#include <memory>
#include <vector>

namespace gb::platform {
class IScratchSpace;
}

namespace gb::browser {

// Keeps the memory the cells' pictures take bounded, whatever the size of the folder. Up to a
// budget the packed pictures stay in the cell model; beyond it, those farthest from the screen
// are parked in a scratch file on the local disk and come back as they near the screen again.
// The disk work runs in order on the serial lane, so the window never waits on it: a cell whose
// picture is on its way back shows its empty frame for a moment, until the model has it again.
//
// A picture whose parking fails stays in memory, and nothing more is parked for that folder: a
// full disk costs memory, never a picture. One whose reading back fails keeps its empty frame.
class TileStore : public QObject {
    Q_OBJECT
public:
    // About 18,000 small photographs' tiles, or twenty screenfuls on a 4K screen.
    static constexpr qint64 kDefaultBudget = qint64(48) << 20;

    TileStore(CellModel& model, platform::IScratchSpace& scratch, QObject* parent = nullptr);
    // Never waits for the disk: what is still queued there is dropped.
    ~TileStore() override;

    // Bytes of packed pictures kept in memory; 0 keeps every picture there.
    void SetBudget(qint64 bytes) { budget_ = parkAbove_ = bytes; }
    // Cells `first` to `last` are on the screen: theirs and their neighbours' parked pictures
    // are fetched back, and they are the last to be parked.
    void Showing(int first, int last);

    qint64 ResidentBytes() const { return residentBytes_; }
    // The cell's picture is on the disk, not in memory.
    bool IsParked(int index) const;
    // No parking or fetching is under way.
    bool IsSettled() const { return pendingJobs_ == 0; }

private:
    struct Disk; // the scratch file, used only on the serial lane
    struct Parcel; // one picture on its way to or from the disk
    struct Place {
        qint64 offset = -1; // in the scratch file; -1 when never parked
        qint32 length = 0;
        qint32 resident = 0; // bytes in memory, counted in residentBytes_
        bool fetching = false;
        bool lost = false; // reading it back failed: not asked again
    };

    void Reset();
    void Added(int first, int last);
    void Removed();
    void Keep(CellModel::CellId id, Place& place);
    bool IsParked(CellModel::CellId id, const Place& place) const;
    Place& PlaceOf(CellModel::CellId id);
    void ParkFarthest();
    void Post(std::vector<Parcel> parcels, bool write);
    // The cells whose pictures came back into memory are painted again.
    void Announce(const std::vector<int>& cells);
    void Parked(quint64 generation, std::vector<Parcel> failed);
    void Returned(quint64 generation, std::vector<Parcel> parcels);

    CellModel& model_;
    std::shared_ptr<Disk> disk_;
    qint64 budget_ = kDefaultBudget;
    // Parking starts above this: the budget, or more while the screen's neighbourhood alone
    // holds more than the budget (sorting the kept cells again for every new one would not help).
    qint64 parkAbove_ = kDefaultBudget;
    qint64 residentBytes_ = 0;
    std::vector<CellModel::CellId> resident_; // cells whose picture is in memory, in no order
    // By cell id, counted from the first cell's since the last reset (ids only grow).
    std::vector<Place> places_;
    CellModel::CellId firstId_ = 0;
    qint64 fileEnd_ = 0;
    bool parkingFailed_ = false;
    quint64 generation_ = 0;
    int pendingJobs_ = 0;
    int first_ = 0, last_ = 0; // the cells last seen on the screen
};

} // namespace gb::browser

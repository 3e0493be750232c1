#pragma once

#include "browser/thumb_cell.h"

#include <QObject>
#include <memory>
#include <vector>

namespace gb::platform {
class IScratchSpace;
}

namespace gb::browser {

// Keeps the memory the cells' pictures take bounded, whatever the size of the folder. Up to a
// budget the packed pictures stay in their cells; beyond it, those farthest from the screen are
// parked in a scratch file on the local disk and come back as they near the screen again. The
// disk work runs in order on a worker of the store's own, so the window never waits on it: a cell
// whose picture is on its way back shows its empty frame for a moment, until Fetched.
//
// A picture whose parking fails stays in memory, and nothing more is parked for that folder: a
// full disk costs memory, never a picture. One whose reading back fails keeps its empty frame.
class TileStore : public QObject {
    Q_OBJECT
public:
    // About 18,000 small photographs' tiles, or twenty screenfuls on a 4K screen.
    static constexpr qint64 kDefaultBudget = qint64(48) << 20;

    TileStore(
        std::vector<ThumbCell>& cells, platform::IScratchSpace& scratch, QObject* parent = nullptr);
    // Never waits for the worker: what it still does is dropped.
    ~TileStore() override;

    // Bytes of packed pictures kept in memory; 0 keeps every picture there.
    void SetBudget(qint64 bytes) { budget_ = parkAbove_ = bytes; }
    // The cells were replaced: nothing kept for the old ones counts any more.
    void Reset();
    // Cell `index` has just got its picture.
    void Added(int index);
    // Cells `first` to `last` are on the screen: theirs and their neighbours' parked pictures
    // are fetched back, and they are the last to be parked.
    void Showing(int first, int last);

    qint64 ResidentBytes() const { return residentBytes_; }
    // The cell's picture is on the disk, not in memory.
    bool IsParked(int index) const;
    // No parking or fetching is under way.
    bool IsSettled() const { return pendingJobs_ == 0; }

Q_SIGNALS:
    // Parked pictures came back (or one that could not be parked stayed): repaint.
    void Fetched();

private:
    struct Worker;
    struct Parcel; // one picture on its way to or from the disk
    struct Place {
        qint64 offset = -1; // in the scratch file; -1 when never parked
        qint32 length = 0;
        bool fetching = false;
        bool lost = false; // reading it back failed: not asked again
    };

    void Keep(int index);
    void ParkFarthest();
    void Post(std::vector<Parcel> parcels, bool write);
    void Parked(quint64 generation, std::vector<Parcel> failed);
    void Returned(quint64 generation, std::vector<Parcel> parcels);

    std::vector<ThumbCell>& cells_;
    platform::IScratchSpace& scratch_;
    std::shared_ptr<Worker> worker_; // started with the first job
    qint64 budget_ = kDefaultBudget;
    // Parking starts above this: the budget, or more while the screen's neighbourhood alone
    // holds more than the budget (sorting the kept cells again for every new one would not help).
    qint64 parkAbove_ = kDefaultBudget;
    qint64 residentBytes_ = 0;
    std::vector<int> resident_; // cells whose picture is in memory, in no order
    std::vector<Place> places_; // by cell
    qint64 fileEnd_ = 0;
    bool parkingFailed_ = false;
    quint64 generation_ = 0;
    int pendingJobs_ = 0;
    int first_ = 0, last_ = 0; // the cells last seen on the screen
};

} // namespace gb::browser

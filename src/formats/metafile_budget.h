#pragma once

#include <QElapsedTimer>

namespace gb::formats {

// Ends the playing of a hostile metafile early: one that holds a huge number of records, or
// whose records take too long to draw, is given up on rather than left to hang a loader thread.
class MetafileBudget {
public:
    MetafileBudget() { timer_.start(); }
    bool Spend()
    {
        // The clock is read for every record: a single one can take long to draw.
        return ++records_ <= kMaxRecords && timer_.elapsed() < kMaxMs;
    }

private:
    static constexpr qint64 kMaxRecords = 1000000;
    static constexpr qint64 kMaxMs = 2000;
    QElapsedTimer timer_;
    qint64 records_ = 0;
};

} // namespace gb::formats

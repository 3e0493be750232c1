#pragma once

#include <QString>
#include <map>
#include <mutex>

namespace gb::browser {

// The files of one load that are there but could not be read this time (a read error, no
// permission, a card pulled out): not damaged, so the person is told of them, unlike a file that
// is no picture. Counted by the workers that meet them; nothing remembers them past the load, so
// the next one tries them again.
class UnreadableFiles {
public:
    // One more file; `error` is the errno that stopped its read (0: it changed while read). Any
    // thread.
    void Add(int error);
    int Count() const;
    // "4 pictures could not be read: Input/output error", each reason once, or "" when none.
    QString Text() const;

private:
    mutable std::mutex mutex_;
    std::map<int, int> counts_; // errno, how many files met it
};

} // namespace gb::browser

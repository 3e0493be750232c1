#pragma once

#include <QtGlobal>
#include <condition_variable>
#include <mutex>

namespace gb::formats {

// The shared budget's total: no one picture may decode to more pixel bytes than this.
inline constexpr qint64 kMaxDecodedBytes = qint64(256) << 20;

// The bytes of decoded pixels that every decode in flight may hold together. Each decode reserves
// its buffers before allocating them and waits while others hold too much, so memory stays bounded
// however many threads decode at once; a decode that could never fit is refused at once.
// A thread must hold at most one reservation at a time, or two threads could wait on each other.
class DecodeBudget {
public:
    // Returns its bytes to the budget when it goes; an empty one (refused) holds nothing.
    class Reservation {
    public:
        Reservation() = default;
        Reservation(Reservation&& other) noexcept;
        Reservation& operator=(Reservation&&) = delete;
        ~Reservation();
        explicit operator bool() const { return budget_ != nullptr; }

    private:
        friend class DecodeBudget;
        Reservation(DecodeBudget* budget, qint64 bytes);
        DecodeBudget* budget_ = nullptr;
        qint64 bytes_ = 0;
    };

    explicit DecodeBudget(qint64 totalBytes);
    DecodeBudget(const DecodeBudget&) = delete;
    DecodeBudget& operator=(const DecodeBudget&) = delete;

    // The one budget the program's decoders share: 256 MB.
    static DecodeBudget& Shared();

    qint64 Total() const { return total_; }
    // Waits until `bytes` fit beside what others hold; empty when `bytes` exceed the total.
    Reservation Reserve(qint64 bytes);
    // For a decode whose working memory is a measured peak rather than its buffers: one peaking
    // above the total holds all of it, so it runs alone; one above twice the total is refused.
    Reservation ReservePeak(qint64 peakBytes);
    qint64 InUse() const;
    int Waiting() const;

private:
    void Release(qint64 bytes);

    const qint64 total_;
    mutable std::mutex mutex_;
    std::condition_variable freed_;
    qint64 inUse_ = 0;
    int waiting_ = 0;
};

} // namespace gb::formats

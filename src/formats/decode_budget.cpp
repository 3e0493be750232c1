#include "formats/decode_budget.h"

#include <algorithm>
#include <utility>

namespace gb::formats {

DecodeBudget::Reservation::Reservation(DecodeBudget* budget, qint64 bytes)
    : budget_(budget)
    , bytes_(bytes)
{
}

DecodeBudget::Reservation::Reservation(Reservation&& other) noexcept
    : budget_(std::exchange(other.budget_, nullptr))
    , bytes_(std::exchange(other.bytes_, 0))
{
}

DecodeBudget::Reservation::~Reservation()
{
    if (budget_)
        budget_->Release(bytes_);
}

DecodeBudget::DecodeBudget(qint64 totalBytes)
    : total_(totalBytes)
{
}

DecodeBudget& DecodeBudget::Shared()
{
    static DecodeBudget budget(kMaxDecodedBytes);
    return budget;
}

DecodeBudget::Reservation DecodeBudget::Reserve(qint64 bytes)
{
    if (bytes < 0 || bytes > total_)
        return {};
    std::unique_lock lock(mutex_);
    ++waiting_;
    freed_.wait(lock, [&] { return inUse_ + bytes <= total_; });
    --waiting_;
    inUse_ += bytes;
    return Reservation(this, bytes);
}

DecodeBudget::Reservation DecodeBudget::ReservePeak(qint64 peakBytes)
{
    return peakBytes > 2 * total_ ? Reservation() : Reserve(std::min(peakBytes, total_));
}

qint64 DecodeBudget::InUse() const
{
    std::lock_guard lock(mutex_);
    return inUse_;
}

int DecodeBudget::Waiting() const
{
    std::lock_guard lock(mutex_);
    return waiting_;
}

void DecodeBudget::Release(qint64 bytes)
{
    {
        std::lock_guard lock(mutex_);
        inUse_ -= bytes;
    }
    freed_.notify_all();
}

} // namespace gb::formats

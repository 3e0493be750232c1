#include "formats/byte_source.h"

#include <algorithm>
#include <iterator>

namespace gb::formats {

namespace {

    // A decode reads again its head, Exif block and a camera RAW's headers: tens of KiB in
    // blocks of at most 64 KiB. Reads larger than that are pictures and previews, read once.
    constexpr qint64 kMaxKeptRead = 256 * 1024;
    constexpr qint64 kMaxKeptBytes = qint64(2) << 20;

} // namespace

bool MemoryByteSource::Read(qint64 offset, qint64 length, QByteArray& into)
{
    if (offset < 0 || length < 0)
        return false;
    if (offset < bytes_.size())
        into.append(bytes_.constData() + offset, std::min(length, bytes_.size() - offset));
    return true;
}

bool KeptByteSource::Read(qint64 offset, qint64 length, QByteArray& into)
{
    if (offset < 0 || length <= 0 || offset >= Size())
        return source_.Read(offset, length, into); // nothing to keep: the source says what it is
    const qint64 end = offset + std::min(length, Size() - offset);
    for (qint64 at = offset; at < end;) {
        const auto next = kept_.upper_bound(at);
        if (next != kept_.begin()) {
            const auto& [start, bytes] = *std::prev(next);
            if (start + bytes.size() > at) {
                const qint64 part = std::min(end, start + bytes.size()) - at;
                into.append(bytes.constData() + (at - start), part);
                at += part;
                continue;
            }
        }
        const qint64 gapEnd = next == kept_.end() ? end : std::min(end, next->first);
        const qsizetype before = into.size();
        if (!Fetch(at, gapEnd - at, into))
            return false;
        if (into.size() - before < gapEnd - at)
            return true; // the file ends sooner than its size said; the source had its say
        at = gapEnd;
    }
    return true;
}

bool KeptByteSource::Fetch(qint64 offset, qint64 length, QByteArray& into)
{
    if (length > kMaxKeptRead || keptBytes_ + length > kMaxKeptBytes)
        return source_.Read(offset, length, into);
    QByteArray bytes;
    if (!source_.Read(offset, length, bytes))
        return false;
    into.append(bytes);
    keptBytes_ += bytes.size();
    if (!bytes.isEmpty())
        kept_.emplace(offset, std::move(bytes));
    return true;
}

} // namespace gb::formats

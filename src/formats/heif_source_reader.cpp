#include "formats/heif_source_reader.h"

#include "formats/decode_budget.h"
#include "formats/heif_canvas.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace gb::formats {

namespace {

    // What one small read fetches from the source: a phone's 'ftyp' and 'meta' boxes, a few
    // kilobytes, come in one read. A read of this much or more goes to the source as it is.
    constexpr qint64 kBlock = 16 * 1024;

    HeifSourceReader& Of(void* userdata) { return *static_cast<HeifSourceReader*>(userdata); }

} // namespace

HeifSourceReader::HeifSourceReader(ByteSource& source)
    : source_(source)
    , size_(std::max<qint64>(0, source.Size()))
{
}

const heif_reader& HeifSourceReader::Callbacks()
{
    static const heif_reader kCallbacks {
        .reader_api_version = 1,
        .get_position = [](void* userdata) -> int64_t { return Of(userdata).position_; },
        .read = [](void* into, size_t size,
                    void* userdata) { return Of(userdata).ReadAtPosition(into, size); },
        .seek = [](int64_t position, void* userdata) { return Of(userdata).Seek(position); },
        // The file does not grow: what lies beyond its size never comes. libheif asks with sums
        // of a file's offsets, which may wrap around to below zero.
        .wait_for_file_size =
            [](int64_t target, void* userdata) {
                return target >= 0 && target <= Of(userdata).size_
                    ? heif_reader_grow_status_size_reached
                    : heif_reader_grow_status_size_beyond_eof;
            },
    };
    return kCallbacks;
}

bool HeifSourceReader::Read(qint64 offset, qint64 length, QByteArray& into)
{
    if (offset < 0 || length < 0)
        return false;
    const qint64 within = std::clamp<qint64>(size_ - offset, 0, length);
    if (within == 0)
        return !failed_;
    const qsizetype before = into.size();
    into.resize(before + within);
    if (Fetch(offset, within, into.data() + before))
        return true;
    into.truncate(before);
    return false;
}

bool HeifSourceReader::ReadSource(qint64 offset, qint64 length, QByteArray& into)
{
    try {
        const qsizetype before = into.size();
        if (source_.Read(offset, length, into) && into.size() - before == length)
            return true;
        failed_ = true; // fewer bytes than the file held when it was opened: it changed
    } catch (const std::bad_alloc&) {
        outOfMemory_ = true;
    }
    return false;
}

HeifSourceReader::Block* HeifSourceReader::CachedBlock(qint64 offset)
{
    for (Block& block : blocks_) {
        if (offset >= block.start && offset < block.start + block.bytes.size()) {
            block.used = ++clock_;
            return &block;
        }
    }
    return nullptr;
}

HeifSourceReader::Block* HeifSourceReader::LoadBlock(qint64 offset)
{
    Block& block = *std::min_element(blocks_.begin(), blocks_.end(),
        [](const Block& a, const Block& b) { return a.used < b.used; });
    block.bytes.clear();
    block.start = offset;
    block.used = ++clock_;
    if (ReadSource(offset, std::min(kBlock, size_ - offset), block.bytes))
        return &block;
    block.bytes.clear();
    return nullptr;
}

bool HeifSourceReader::Fetch(qint64 offset, qint64 length, char* into)
{
    if (failed_ || outOfMemory_ || offset < 0 || length < 0 || offset > size_ - length)
        return false;
    if (!whole_.isEmpty()) {
        std::memcpy(into, whole_.constData() + offset, size_t(length));
        return true;
    }
    const bool small = length < kBlock;
    while (length > 0) {
        const Block* block = CachedBlock(offset);
        if (!block && !small) { // what a cached block did not hold, read as it lies
            QByteArray bytes;
            if (!ReadSource(offset, length, bytes))
                return false;
            std::memcpy(into, bytes.constData(), size_t(length));
            return true;
        }
        if (!block && !(block = LoadBlock(offset)))
            return false;
        const qint64 part = std::min(length, block->start + block->bytes.size() - offset);
        std::memcpy(into, block->bytes.constData() + (offset - block->start), size_t(part));
        into += part;
        offset += part;
        length -= part;
    }
    return true;
}

bool HeifSourceReader::ReadWhole()
{
    QByteArray bytes;
    if (!ReadSource(0, size_, bytes))
        return false;
    whole_ = std::move(bytes);
    return true;
}

void HeifSourceReader::StartOpening()
{
    qint64 total = 0;
    for (const HeifBox& box : HeifTopLevelBoxes(*this)) {
        if (box.type == "mdat") {
            pictureData_.emplace_back(box.body, box.end);
            total += box.end - box.body;
        }
    }
    // libheif would hold a copy of all of it while the file is open.
    exhausted_ = total > kMaxDecodedBytes;
    opening_ = true;
}

void HeifSourceReader::EndOpening()
{
    opening_ = false;
    served_ = 0;
}

bool HeifSourceReader::IsUnwanted(qint64 offset, qint64 length) const
{
    return opening_ && std::any_of(pictureData_.begin(), pictureData_.end(), [&](const auto& data) {
        return offset >= data.first && offset + length <= data.second;
    });
}

int HeifSourceReader::ReadAtPosition(void* into, size_t size)
{
    if (size == 0)
        return 0; // libheif reads nothing into no buffer at all
    if (size > size_t(size_ - position_))
        return 1; // past the end of the file, where libheif stops
    const qint64 length = qint64(size);
    served_ += length;
    exhausted_ = exhausted_ || served_ > kMaxDecodedBytes;
    if (exhausted_ || IsUnwanted(position_, length)
        || !Fetch(position_, length, static_cast<char*>(into)))
        std::memset(into, 0, size);
    position_ += length;
    return 0;
}

int HeifSourceReader::Seek(int64_t position)
{
    if (position < 0 || position > size_)
        return 1;
    position_ = position;
    return 0;
}

} // namespace gb::formats

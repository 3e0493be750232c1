#include "formats/raw_datastream.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace gb::formats {

namespace {

    // What one read of the source fetches: a camera's headers (its TIFF directories, Exif and
    // maker notes) mostly lie within the first block. A read of a block or more (a preview) goes
    // to the source whole, even where the block holds its start, so that no block's worth of what
    // follows it is fetched: the decode's source keeps what it has fetched (KeptByteSource).
    constexpr qint64 kBlock = 64 * 1024;
    // What LibRaw's readers of compressed sensor data may ask for past its end where it ends the
    // file, as LibRaw allows as much past a preview.
    constexpr qint64 kMaxOverrun = 16 * 1024;
    // The longest number LibRaw scans as text (a Leaf or Mamiya header's values).
    constexpr size_t kMaxNumberText = 32;

} // namespace

RawDatastream::RawDatastream(ByteSource& source, qint64 limit, std::function<void()> stop)
    : source_(source)
    , size_(std::max<qint64>(0, source.Size()))
    , limit_(limit)
    , stop_(std::move(stop))
{
}

void RawDatastream::Stop()
{
    if (!stopped_)
        stop_();
    stopped_ = true;
}

void RawDatastream::Overrun(qint64 bytes)
{
    overrun_ += std::max<qint64>(0, bytes);
    if (overrun_ > kMaxOverrun)
        Stop();
}

qint64 RawDatastream::Allowed(qint64 length) const
{
    if (failed_)
        return 0;
    return std::max<qint64>(0, std::min({ length, size_ - position_, limit_ - taken_ }));
}

bool RawDatastream::Fill()
{
    if (position_ >= blockStart_ && position_ < blockStart_ + block_.size())
        return true;
    block_.clear();
    blockStart_ = position_ / kBlock * kBlock;
    if (!ReadSource(blockStart_, kBlock, block_)) {
        block_.clear();
        return false;
    }
    return position_ < blockStart_ + block_.size();
}

bool RawDatastream::ReadSource(qint64 offset, qint64 length, QByteArray& into)
{
    try {
        if (source_.Read(offset, length, into))
            return true;
        failed_ = true;
    } catch (const std::bad_alloc&) {
        outOfMemory_ = true;
    }
    Stop();
    return false;
}

qint64 RawDatastream::ReadThrough(char* into, qint64 length)
{
    QByteArray bytes;
    if (!ReadSource(position_, length, bytes))
        return 0;
    const qint64 copied = std::min<qint64>(bytes.size(), length);
    std::memcpy(into, bytes.constData(), size_t(copied));
    return copied;
}

void RawDatastream::Advance(qint64 bytes)
{
    position_ += bytes;
    taken_ += bytes;
    if (taken_ >= limit_)
        Stop();
}

int RawDatastream::read(void* into, size_t size, size_t count)
{
    if (size == 0 || count > size_t(std::numeric_limits<int>::max()) / size)
        return 0;
    auto* out = static_cast<char*>(into);
    const qint64 wanted = qint64(size * count);
    Overrun(position_ + wanted - size_);
    const qint64 length = Allowed(wanted);
    qint64 done = 0;
    while (done < length) {
        qint64 part = 0;
        if (length >= kBlock) {
            part = ReadThrough(out + done, length - done);
        } else if (Fill()) {
            part = std::min(length - done, blockStart_ + block_.size() - position_);
            std::memcpy(out + done, block_.constData() + (position_ - blockStart_), size_t(part));
        }
        if (part == 0)
            break;
        Advance(part);
        done += part;
    }
    return int(done / qint64(size));
}

int RawDatastream::get_char()
{
    Overrun(position_ >= size_ ? 1 : 0);
    if (Allowed(1) == 0 || !Fill())
        return -1;
    const int byte = static_cast<unsigned char>(block_.at(position_ - blockStart_));
    Advance(1);
    return byte;
}

int RawDatastream::seek(INT64 offset, int whence)
{
    qint64 base = 0;
    if (whence == SEEK_CUR)
        base = position_;
    else if (whence == SEEK_END)
        base = size_;
    else if (whence != SEEK_SET)
        return -1;
    // As in LibRaw's own reading from memory, a seek beyond either end lands at that end.
    const qint64 bounded = std::clamp<qint64>(offset, -size_ - 1, size_ + 1);
    position_ = std::clamp<qint64>(base + bounded, 0, size_);
    return 0;
}

char* RawDatastream::gets(char* into, int size)
{
    if (size <= 0)
        return nullptr;
    int length = 0;
    while (length < size - 1) {
        const int byte = get_char();
        if (byte < 0)
            break;
        into[length++] = char(byte);
        if (byte == '\n')
            break;
    }
    into[length] = '\0';
    return length > 0 ? into : nullptr;
}

// LibRaw asks only for "%d" and "%f", as fscanf() reads them.
int RawDatastream::scanf_one(const char* format, void* value)
{
    const bool integer = std::strcmp(format, "%d") == 0;
    if (!integer && std::strcmp(format, "%f") != 0)
        return 0;
    int byte = get_char();
    while (byte >= 0 && std::isspace(byte))
        byte = get_char();
    if (byte < 0)
        return EOF;
    const char* accepted = integer ? "+-0123456789" : "+-.0123456789eE";
    std::array<char, kMaxNumberText + 1> text {};
    size_t length = 0;
    while (byte > 0 && length < kMaxNumberText && std::strchr(accepted, byte)) {
        text[length++] = char(byte);
        byte = get_char();
    }
    if (byte >= 0)
        --position_; // the character after the number is left for the next read
    char* end = nullptr;
    if (integer) {
        const long number = std::strtol(text.data(), &end, 10);
        *static_cast<int*>(value) = int(std::clamp<long>(
            number, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    } else {
        *static_cast<float*>(value) = std::strtof(text.data(), &end);
    }
    return end != text.data() ? 1 : 0;
}

int RawDatastream::eof() { return Allowed(1) == 0; }

int RawDatastream::lock()
{
    mutex_.lock();
    return 1;
}

void RawDatastream::unlock() { mutex_.unlock(); }

} // namespace gb::formats

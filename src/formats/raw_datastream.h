#pragma once

#include "formats/byte_source.h"

#include <QByteArray>
#include <functional>
#include <libraw/libraw_datastream.h>
#include <mutex>

namespace gb::formats {

// LibRaw's reads of a file, served from a ByteSource: a camera RAW's headers and preview are then
// all that is read of it, not its tens of megabytes of sensor data. LibRaw reads its headers a
// byte or two at a time, so bytes come from the source a block at a time and are kept until
// LibRaw reads elsewhere; a read of a block or more (a preview) goes to the source as it is.
//
// Past the end of the file, after a failed read and once LibRaw has taken `limit` bytes, every
// read finds the end of the file, where LibRaw's parsers stop. (A read fills only what it reads:
// LibRaw sometimes asks for more than its buffer holds, counting on the end of the file.) After a
// failed read, at the limit, or once LibRaw has asked for more than a little past
// the end (sensor data cut short), `stop` is called, once: LibRaw's decoders should give up, as
// its own readers would loop on through the whole picture. Nothing here throws, as LibRaw reads
// some files from several threads at once and an exception there would end the program.
//
// The names of the overrides are LibRaw's.
class RawDatastream : public LibRaw_abstract_datastream {
public:
    RawDatastream(ByteSource& source, qint64 limit, std::function<void()> stop);

    int valid() override { return 1; }
    int read(void* into, size_t size, size_t count) override;
    int seek(INT64 offset, int whence) override;
    INT64 tell() override { return position_; }
    INT64 size() override { return size_; }
    int get_char() override;
    char* gets(char* into, int size) override;
    int scanf_one(const char* format, void* value) override;
    int eof() override;
    // Only RED's cinema files need it, through JasPer; they are refused.
    void* make_jas_stream() override { return nullptr; }
    // Around LibRaw's reads from several threads (Fujifilm's and Canon's compressed data).
    int lock() override;
    void unlock() override;

    // Whether a read of the source failed: what LibRaw made of the file may then be wrong.
    bool Failed() const { return failed_; }
    // Whether `stop` was called.
    bool Stopped() const { return stopped_; }
    // Whether memory ran out for a read: LibRaw takes any exception from a stream for damaged
    // data, so the stream keeps it here and stops, and the decoder tells it apart.
    bool OutOfMemory() const { return outOfMemory_; }

private:
    // One read of the source; a failed one stops the stream.
    bool ReadSource(qint64 offset, qint64 length, QByteArray& into);
    // How many of `length` bytes from the position LibRaw may still take.
    qint64 Allowed(qint64 length) const;
    // Holds the block around the position; false where no byte can be had there.
    bool Fill();
    // Copies `length` bytes from the position straight from the source; the number copied.
    qint64 ReadThrough(char* into, qint64 length);
    void Advance(qint64 bytes);
    // Counts bytes asked for past the end of the file.
    void Overrun(qint64 bytes);
    void Stop();

    ByteSource& source_;
    const qint64 size_;
    const qint64 limit_;
    qint64 position_ = 0;
    qint64 taken_ = 0; // bytes handed to LibRaw
    qint64 overrun_ = 0;
    bool failed_ = false;
    bool stopped_ = false;
    bool outOfMemory_ = false;
    const std::function<void()> stop_;
    QByteArray block_;
    qint64 blockStart_ = 0;
    std::mutex mutex_;
};

} // namespace gb::formats

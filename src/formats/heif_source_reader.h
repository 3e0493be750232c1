#pragma once

#include "formats/byte_source.h"

#include <QByteArray>
#include <array>
#include <libheif/heif.h>
#include <utility>
#include <vector>

namespace gb::formats {

// libheif's reads of a file, served from a ByteSource: of a phone's HEIC only the boxes and the
// image decoded are then read (its stored thumbnail for a tile), not its megabytes of pixels.
// libheif walks the boxes a few bytes at a time, so a small read takes a block from the source and
// later ones are served from it (a few blocks are kept: the top-level boxes are walked more than
// once, and a file may have several 'mdat' boxes); an image's data is read as it lies.
//
// While the file is opened, libheif 1.15 also reads the data of every item, the pictures' too, only
// to keep it as metadata (which we never ask for): those reads from the 'mdat' boxes get zeros,
// and are not read.
//
// libheif takes a failed read for the end of the file while it walks the boxes, but aborts the
// program when a read of an image's data fails. So a read within the file never fails: once a
// read of the source has failed every read gets zeros, and Failed() tells the decoder to report
// the file unreadable. No picture we decode needs more data than its pixels take decoded: past
// kMaxDecodedBytes handed out while opening, or after, reads get zeros too and Exhausted() says
// so. Nothing here throws into libheif; memory running out is kept for OutOfMemory() instead.
//
// Also a ByteSource itself (its reads go through the same block, failing as a ByteSource's do),
// for the decoder's own look at the boxes.
class HeifSourceReader : public ByteSource {
public:
    explicit HeifSourceReader(ByteSource& source);

    // The callbacks libheif reads through, with this reader as their user data. libheif reads from
    // one thread at a time, also when it decodes a grid's tiles on several.
    static const heif_reader& Callbacks();

    // Around libheif's opening of the file. StartOpening finds the 'mdat' boxes.
    void StartOpening();
    void EndOpening();

    // Reads the rest of the file at once, for decoding its primary image: a phone's tiled picture
    // then costs one request, not one per tile. False when the read failed.
    bool ReadWhole();

    qint64 Size() const override { return size_; }
    bool Read(qint64 offset, qint64 length, QByteArray& into) override;

    // Whether a read of the source failed, or gave fewer bytes than the file held when opened.
    bool Failed() const { return failed_; }
    bool Exhausted() const { return exhausted_; }
    bool OutOfMemory() const { return outOfMemory_; }

private:
    struct Block {
        qint64 start = 0;
        QByteArray bytes;
        quint64 used = 0; // when last read, for the one to give up
    };
    // The block holding `offset`, if one does.
    Block* CachedBlock(qint64 offset);
    // Reads the block from `offset` in place of the one read longest ago; null when it failed.
    Block* LoadBlock(qint64 offset);
    // Copies `length` bytes from `offset`, all within the file; false when they could not be read.
    bool Fetch(qint64 offset, qint64 length, char* into);
    // Reads straight from the source into `into`, exactly `length` bytes.
    bool ReadSource(qint64 offset, qint64 length, QByteArray& into);
    // Whether the bytes lie within an 'mdat' box while the file is opened.
    bool IsUnwanted(qint64 offset, qint64 length) const;
    int ReadAtPosition(void* into, size_t length);
    int Seek(int64_t position);

    ByteSource& source_;
    const qint64 size_;
    qint64 position_ = 0;
    qint64 served_ = 0; // bytes handed to libheif, while opening and after
    bool opening_ = false;
    bool failed_ = false;
    bool exhausted_ = false;
    bool outOfMemory_ = false;
    std::vector<std::pair<qint64, qint64>> pictureData_; // the 'mdat' boxes' bodies
    std::array<Block, 8> blocks_;
    QByteArray whole_; // the file, once ReadWhole() has read it
    quint64 clock_ = 0;
};

} // namespace gb::formats

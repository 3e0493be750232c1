#pragma once

#include "formats/byte_source.h"

#include <QSize>
#include <optional>
#include <vector>

namespace gb::formats {

// A box of a HEIF or AVIF file: its type, and where its body (after its header) and the box end.
struct HeifBox {
    QByteArray type;
    qint64 body = 0;
    qint64 end = 0;
};

// The file's top-level boxes ('ftyp', 'meta', 'mdat' …), read by their headers, up to the first
// that does not fit in the file, as libheif reads them, and at most 1024 of them.
std::vector<HeifBox> HeifTopLevelBoxes(ByteSource& file);

// The size of the canvas a HEIF or AVIF file's primary image is composed on when it is a grid of
// tiles or an overlay ('grid', 'iovl'); nullopt for a coded image, or when the boxes do not say.
// libheif allocates that canvas before decoding, whatever size the image's 'ispe' claims, so the
// decoder checks it against its budget first. Reads the top-level boxes' headers, the 'meta' box
// (up to 64 MB) and the head of the image's data.
std::optional<QSize> HeifCanvasSize(ByteSource& file);

// The item the 'pitm' box names the primary image.
std::optional<quint32> HeifPrimaryItem(ByteSource& file);

// What the boxes say of how an image item is coded.
struct HeifCoding {
    // The coded frame's size, from the item's 'hvcC' or 'av1C' (or the sequence header leading
    // its data); none for a grid or overlay, or when they do not say.
    std::optional<QSize> frame;
    // Whether any item of the file is coded in AV1, in HEVC.
    bool av1 = false;
    bool hevc = false;
    // Whether the item declares layers ('a1lx', 'lsel' or 'a1op'): its stored size may then be
    // that of a lower layer than the frame decoded.
    bool layered = false;
    // The item's transformations ('clap', 'irot', 'imir'), each as its type and body, in order:
    // a stored thumbnail turned or cropped otherwise than its picture shows it otherwise.
    QByteArray transforms;
};
// Reads the 'meta' box (up to 64 MB) and, for an AV1 item without a sequence header in its
// 'av1C', the head of its data.
HeifCoding HeifItemCoding(ByteSource& file, quint32 item);

// The first `length` bytes of an item's data, from its first extent: reads the 'meta' box (up to
// 64 MB) and those bytes alone. Empty when the boxes do not place the item.
QByteArray HeifItemHead(ByteSource& file, quint32 item, qint64 length);

} // namespace gb::formats

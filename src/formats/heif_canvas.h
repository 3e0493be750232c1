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

} // namespace gb::formats

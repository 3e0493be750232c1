#pragma once

#include "formats/byte_source.h"

#include <QImage>
#include <QSize>

namespace gb::formats {

// Whether a camera's embedded thumbnail shows its main picture framed alike, at a small part of
// the cost of decoding that picture: the top 64 rows of the main picture, decoded at an eighth
// of its size from the first bytes of the file, against the same band of the thumbnail, as the
// mean colours of a few cells across it. A crop, or a thumbnail of another picture of the same
// shape, differs there. The JPEG whose frame is `frame` is read through `read` from its start,
// as far as the band needs and never past `prefixBytes`: the top rows of a sequential one, the
// first scans of a progressive one (whose first is most often the whole picture at an eighth).
// What the bytes do not reach reads grey and fails the check.
bool ShowsSamePicture(
    const QImage& thumbnail, const ReadBytes& read, qint64 prefixBytes, QSize frame);

// The bytes from the start of a file of `fileSize` bytes, whose frame header (of a picture
// `frameHeight` rows high) is at `frameAt`, that ShowsSamePicture reads at most: the headers, and
// twice the band's share of what follows them, as a picture's bytes are not spread evenly over its
// rows.
qint64 PrefixForMatch(qint64 frameAt, qint64 fileSize, int frameHeight);

} // namespace gb::formats

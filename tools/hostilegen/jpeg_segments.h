#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <optional>

// Finding the marker segments of a JPEG file and writing a progressive one, for the hostile JPEG
// and Exif files.
namespace gb::tools {

// The offset of the first marker segment of type `marker` (the byte after 0xFF) before the
// first scan, or nullopt.
std::optional<qsizetype> FindSegment(const QByteArray& jpeg, uchar marker);

// The offsets of every start-of-scan marker in the file.
QList<qsizetype> FindScans(const QByteArray& jpeg);

// A progressive JPEG of `image`, as Qt writes one.
QByteArray WriteProgressiveJpeg(const QImage& image);

} // namespace gb::tools

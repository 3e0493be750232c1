#pragma once

#include "formats/byte_source.h" // ReadBytes

#include <QSize>
#include <optional>
#include <vector>

namespace gb::formats {

// A smaller copy of a TIFF's picture stored beside it: a reduced-resolution image (its
// NewSubfileType marks it so), in the chain of directories or a SubIFD of the first, or an
// Exif-style JPEG thumbnail (JPEGInterchangeFormat, as in IFD1).
struct TiffReducedImage {
    qint64 directoryAt = 0; // where its directory starts: libtiff reads the image from there
    QSize size; // as stored; for a JPEG thumbnail, what its directory claims (if anything)
    qint64 jpegAt = 0; // a JPEG thumbnail's bytes; both 0 for an image libtiff decodes
    qint64 jpegBytes = 0;
};

// What a TIFF's directories say of its first picture (the one shown) and its smaller copies.
struct TiffLayout {
    QSize size; // the first image, as stored
    int orientation = 1; // its Orientation tag, 1..8; 1 when absent or out of range
    qint64 iccAt = 0; // its ICC profile's bytes, when it has one; the copies share it
    qint64 iccBytes = 0;
    std::vector<TiffReducedImage> reduced; // in the order the directories are found
};

// Walks a classic TIFF's directories (not BigTIFF), reading only them through `read`: the
// chain from the first, and the SubIFDs the first names. Each directory is read once however
// often it is pointed at, and at most a few dozen are. nullopt when the bytes are no TIFF or its
// first directory is unreadable or gives no size.
std::optional<TiffLayout> ReadTiffLayout(const ReadBytes& read);

// What a classic TIFF's directories (the chain and the SubIFDs each names, nested) say of a
// camera's sensor data in it.
enum class TiffSensorData {
    // A plain picture (RGB, grey, palette, CMYK, YCbCr, CIELab …) as a scanner, an editor or a
    // multispectral or thermal camera stores it, to be shown as stored; or no classic TIFF.
    None,
    // A directory holds a sensor's data: behind a colour filter (CFA) or linear (LinearRaw), in a
    // camera maker's own raw compression; or the file is a DNG or carries Canon's CR2 mark.
    Present,
    // As Present, but a sensor's directory names fewer strips or tiles than its size needs (or
    // gives no size): a developer would leave the rest of the sensor unfilled.
    Incomplete,
};
// Reads only the directories, as ReadTiffLayout does, however deep their SubIFDs go.
TiffSensorData FindTiffSensorData(const ReadBytes& read);

} // namespace gb::formats

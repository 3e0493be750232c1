#pragma once

#include <QByteArray>
#include <QImage>

// Camera RAW files of the TIFF-based kinds and Canon's CR3, small enough to commit: LibRaw knows
// each by the camera's make and model, as in the cameras' own files.
namespace gb::tools {

enum class RawKind {
    Dng, // Adobe's Digital Negative (DNGVersion 1.4), the preview in lossy JPEG
    Nef, // a Nikon D70's
    Arw, // a Sony DSLR-A100's
    Cr2, // a Canon EOS 350D's, with Canon's "CR" mark after the TIFF header
    Orf, // an Olympus E-500's, whose header reads "IIRO"
    Cr3, // a Canon EOS M50's: an ISO base media file, the preview in a track of its own
};

struct CameraRaw {
    RawKind kind = RawKind::Dng;
    // Stored as a JPEG (Qt's, carrying the same Exif orientation) in the first directory, as
    // the camera rendered it: unturned.
    QImage preview;
    // The sensor's 16-bit pixels behind an RGGB colour filter, in a sub-directory: the top left
    // quarter bright, the rest dark. At least 22 pixels on each side, as LibRaw wants. A CR3
    // gives only its size (even), its data cut out.
    QSize sensor;
    int orientation = 1; // the Exif orientation (1..8) of the whole picture
};

QByteArray WriteCameraRaw(const CameraRaw& raw);

// A smaller copy of a TIFF's picture stored beside it.
struct TiffCopy {
    enum class Kind {
        Reduced, // a reduced-resolution image (NewSubfileType 1) in the chain of directories
        SubIfd, // the same, named by the first directory's SubIFDs
        ExifJpeg, // a JPEG (JPEGInterchangeFormat) in the chain, as an Exif block's IFD1
    };
    QImage image;
    Kind kind = Kind::Reduced;
};

// A little-endian TIFF of uncompressed RGB strips: `picture` in the first directory with the
// Orientation `orientation`, then its copies in the order given.
QByteArray WriteTiff(const QImage& picture, const QList<TiffCopy>& copies, int orientation = 1);

} // namespace gb::tools

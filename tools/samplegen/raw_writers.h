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
    // The sensor's data taken out, as in ExifTool's sample DNG: its directory names one tile of
    // 22 bytes where its size needs many.
    bool sensorStripped = false;
    // DateTimeOriginal and OffsetTimeOriginal, in an Exif directory the first one points to;
    // none when null. Not written in a CR3.
    const char* taken = nullptr;
    const char* takenOffset = nullptr;
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

// How the first picture's samples are stored; its copies are 8-bit RGB.
struct TiffSamples {
    enum class Kind {
        Rgb,
        Grey, // the picture's grey (qGray)
        // The picture's red, green and blue as CIE L* (0..255 for 0..100), a* and b* (signed).
        CieLab,
    };
    Kind kind = Kind::Rgb;
    int bits = 8; // 8, or 16: each 8-bit value times 257
    bool planar = false; // each sample in a plane of its own (PlanarConfiguration 2)
    bool bigTiff = false; // "II+", eight-byte counts and offsets
    const char* make = nullptr; // the camera maker's name (Make), if any
    bool whiteD65 = false; // a WhitePoint of D65; without one the reader takes D50
};

// A little-endian TIFF of uncompressed strips: `picture` in the first directory with the
// Orientation `orientation`, stored as `samples` says, then its copies in the order given.
QByteArray WriteTiff(const QImage& picture, const QList<TiffCopy>& copies, int orientation = 1,
    const TiffSamples& samples = {});

} // namespace gb::tools

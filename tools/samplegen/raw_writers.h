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

} // namespace gb::tools

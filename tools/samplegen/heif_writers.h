#pragma once

#include <QByteArray>
#include <QImage>

// HEIC and AVIF files as a phone writes them: an HEVC or AV1 picture, optionally with a stored
// thumbnail, laid out by libheif (the boxes first, then the picture's data, the thumbnail's last).
// HEVC and AV1 are too involved to write byte by byte, so libheif's own encoders (x265, aom) code
// the pixels.
namespace gb::tools {

struct Heic {
    QImage picture; // opaque
    int quality = 50; // libheif's lossy quality, 0..100
    // The longer side of the stored thumbnail; none when 0.
    int thumbnailSide = 0;
    bool av1 = false; // AVIF (aom) rather than HEIC (x265)
    // 8, or 12 (YCbCr 4:2:0); libheif 1.15 sets aom's profile by the 16 bits a deeper sample
    // takes in memory, so that 10 bits fail.
    int bitDepth = 8;
    // What the primary image's 'ispe' box says when valid, whatever the coded frame is.
    QSize storedSize = QSize();
    // The colour codes of its 'nclx' box as ITU-T H.273 numbers them (primaries: BT.709 1;
    // curve: linear light 8); libheif's own when 0.
    int primaries = 0;
    int curve = 0;
    // An Exif item of the primary image: a TIFF structure, as after a JPEG's "Exif\0\0"; none
    // when empty.
    QByteArray exif = {};
};

// The file's bytes; empty when libheif has no encoder for the codec here.
QByteArray WriteHeic(const Heic& heic);

// A picture that codes to about one byte a pixel at quality 90, as a detailed photo does: a soft
// gradient under fine noise, the same every time.
QImage Detailed(QSize size);

} // namespace gb::tools

#pragma once

#include <QImage>
#include <QSize>

namespace gb::formats {

// What a caller asks of a decoder.
struct PictureOptions {
    // Icons and cursors: pick the image nearest the large shell icon size (32 x 32).
    bool largeIcon = false;
    // When valid, the caller only needs a picture that fits this box (e.g. a 62 x 62 thumbnail):
    // the decoder may then work at a reduced size, never below twice the fitted size.
    QSize reduceFor;
    // May use a thumbnail embedded in the file when it can be trusted for `reduceFor`.
    bool embeddedThumbnail = false;
    // Besides the nine classic types, the others Qt's image readers (PNG, WebP, TIFF) and libheif
    // (HEIC, AVIF) decode:
    // what the person chose with "Every Picture Type". Without it they are refused.
    bool everyType = false;
};

// What a decoder hands back.
struct LoadedPicture {
    QImage image; // possibly reduced; ARGB32_Premultiplied or RGB32, transparency kept as alpha
    QSize naturalSize; // the picture's own pixel size, upright
    bool embedded = false; // made from a thumbnail embedded in the file, not from its pixels
};

} // namespace gb::formats

#pragma once

#include <QImage>
#include <QSize>
#include <optional>

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
    // Also find when the picture was taken (LoadedPicture::takenMs), from what the decode reads.
    bool dateTaken = false;
};

// Why a picture did not load.
enum class LoadFailure {
    None,
    // The file could not be opened, or reading it failed: a read error (a failing card, a share
    // gone away), a file vanished or changed while it was read. Trying again later may succeed.
    Unreadable,
    // The whole file was read and is not a picture we can decode: an unknown type, a damaged
    // picture, or one beyond the limits on size.
    NotAPicture,
    // A picture of a type shown only with PictureOptions::everyType, asked for without it or
    // with no reader of its type installed: not a fault of the file, so nothing should
    // remember it as one.
    NotShown,
    // Memory ran out while decoding (an allocation failed): no fault of the file, which may
    // decode later with less else in memory, so nothing should remember it as a failure.
    OutOfMemory,
};

// What a decoder hands back.
struct LoadedPicture {
    QImage image; // possibly reduced; ARGB32_Premultiplied or RGB32, transparency kept as alpha
    QSize naturalSize; // the picture's own pixel size, upright
    bool embedded = false; // made from a thumbnail embedded in the file, not from its pixels
    // When the picture was taken, in ms since the epoch (UTC), when PictureOptions::dateTaken
    // asked for it and the file records it.
    std::optional<qint64> takenMs = std::nullopt;
};

} // namespace gb::formats

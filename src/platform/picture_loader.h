#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

namespace gb::platform {

struct PictureOptions {
    // Icons and cursors: pick the image nearest the large shell icon size (32 x 32).
    bool largeIcon = false;
    // When valid, the caller only needs a picture that fits this box (e.g. a 62 x 62 thumbnail):
    // the loader may then decode at a reduced size, never below twice the fitted size.
    QSize reduceFor;
    // May use a thumbnail embedded in the file when it can be trusted for `reduceFor`.
    bool embeddedThumbnail = false;
};

struct LoadedPicture {
    QImage image; // possibly reduced; ARGB32_Premultiplied or RGB32, transparency kept as alpha
    QSize naturalSize; // the picture's own pixel size, upright
    bool embedded = false; // made from a thumbnail embedded in the file, not from its pixels
};

// Loads pictures of the types the program shows. Safe to call from several threads at once.
class IPictureLoader {
public:
    virtual ~IPictureLoader() = default;
    // nullopt when the file cannot be read or is not a picture we can decode.
    virtual std::optional<LoadedPicture> LoadPicture(
        const QString& path, const PictureOptions& options) const = 0;
};

} // namespace gb::platform

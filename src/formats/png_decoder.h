#pragma once

#include <QByteArray>
#include <QImage>
#include <optional>

namespace gb::formats {

// Who may decode a PNG's bytes. libpng allocates the length a chunk claims before it reads the
// chunk, so a 50-byte file claiming a 2 GB text chunk would take 2 GB: every PNG goes through
// here before any reader sees it.
enum class PngRoute {
    // A chunk (its length, type, data and checksum) runs past the end of the bytes, or there is
    // no PNG signature: a damaged picture.
    Refused,
    // 16-bit RGB with a transparent colour (a tRNS chunk), which Qt's reader shows garbled.
    Libpng,
    // Everything else, which Qt's reader decodes.
    QtReader,
};
PngRoute ChoosePngRoute(const QByteArray& png);

// The PNG decoded by libpng into ARGB32 pixels as the file stores them (no gamma applied, as by
// Qt's reader), converted to sRGB when it embeds an ICC profile. Its pixels are reserved from the
// shared decode budget first; nullopt when the file is damaged or could never fit.
std::optional<QImage> DecodePngWithLibpng(const QByteArray& png);

} // namespace gb::formats

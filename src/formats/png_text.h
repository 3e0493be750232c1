#pragma once

#include <QByteArray>
#include <QList>
#include <utility>

namespace gb::formats {

using PngText = std::pair<QByteArray, QByteArray>; // keyword (Latin-1, 1-79 bytes), text

// The PNG with an uncompressed tEXt chunk per entry, placed right after the header chunk.
// Qt's writer compresses any text longer than 40 characters into zTXt, which GLib's thumbnail
// check does not read; so keys that other programs must find are written this way instead.
// Empty when `png` is no PNG or an entry cannot be stored in a tEXt chunk.
QByteArray WithPngText(const QByteArray& png, const QList<PngText>& entries);

} // namespace gb::formats

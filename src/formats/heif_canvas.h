#pragma once

#include <QByteArray>
#include <QSize>
#include <optional>

namespace gb::formats {

// The size of the canvas a HEIF or AVIF file's primary image is composed on when it is a grid of
// tiles or an overlay ('grid', 'iovl'); nullopt for a coded image, or when the boxes do not say.
// libheif allocates that canvas before decoding, whatever size the image's 'ispe' claims, so the
// decoder checks it against its budget first.
std::optional<QSize> HeifCanvasSize(const QByteArray& file);

} // namespace gb::formats

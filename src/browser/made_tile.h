#pragma once

#include "core/thumbnail_drawing.h"

#include <QtGlobal>
#include <optional>

namespace gb::browser {

// What reading one file for its cell gave.
struct MadeTile {
    std::optional<core::CompactTile> tile; // nullopt when the file cannot be made into a tile
    // When the picture was taken, where the file says so (milliseconds since the epoch, UTC).
    std::optional<qint64> takenMs = std::nullopt;
};

} // namespace gb::browser

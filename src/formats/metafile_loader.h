#pragma once

#include "formats/loaded_picture.h"

#include <QByteArray>
#include <optional>

namespace gb::formats {

// WMF (placeable or not) and EMF pictures, drawn by our own player onto a transparent image.
class MetafileLoader {
public:
    // Recognised by content: the placeable key, a WMF header, or an EMF header record.
    static bool IsMetafile(const QByteArray& bytes);
    // nullopt for a broken or hostile file, or one with no size.
    static std::optional<LoadedPicture> Load(
        const QByteArray& bytes, const PictureOptions& options);
};

} // namespace gb::formats

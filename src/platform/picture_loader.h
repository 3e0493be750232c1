#pragma once

#include "formats/loaded_picture.h"

#include <QString>
#include <optional>

namespace gb::platform {

using formats::LoadedPicture;
using formats::PictureOptions;

// Loads pictures of the types the program shows. Safe to call from several threads at once.
class IPictureLoader {
public:
    virtual ~IPictureLoader() = default;
    // nullopt when the file cannot be read or is not a picture we can decode.
    virtual std::optional<LoadedPicture> LoadPicture(
        const QString& path, const PictureOptions& options) const = 0;
};

} // namespace gb::platform

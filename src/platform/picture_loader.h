#pragma once

#include "formats/loaded_picture.h"

#include <QString>
#include <optional>

namespace gb::platform {

using formats::LoadedPicture;
using formats::PictureOptions;

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
};

// Loads pictures of the types the program shows. Safe to call from several threads at once.
class IPictureLoader {
public:
    virtual ~IPictureLoader() = default;
    // nullopt when the file cannot be read or is not a picture we can decode; `failure`, when
    // given, says which (None after a load that succeeded). Bytes that were not all read are
    // never decoded.
    virtual std::optional<LoadedPicture> LoadPicture(const QString& path,
        const PictureOptions& options, LoadFailure* failure = nullptr) const = 0;
};

} // namespace gb::platform

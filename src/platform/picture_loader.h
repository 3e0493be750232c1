#pragma once

#include "formats/loaded_picture.h"

#include <QString>
#include <optional>

namespace gb::platform {

using formats::LoadedPicture;
using formats::LoadFailure;
using formats::PictureOptions;

// Loads pictures of the types the program shows. Safe to call from several threads at once.
class IPictureLoader {
public:
    virtual ~IPictureLoader() = default;
    // nullopt when the file cannot be read or is not a picture we can decode; `failure`, when
    // given, says which (None after a load that succeeded). Bytes that were not all read are
    // never decoded. `error`, when given, is the errno that made the file Unreadable: 0 when
    // there was none (it changed while it was read, or is no regular file) or it was not.
    virtual std::optional<LoadedPicture> LoadPicture(const QString& path,
        const PictureOptions& options, LoadFailure* failure = nullptr,
        int* error = nullptr) const = 0;
    // When the picture was taken, read from the head of the file alone, without decoding it:
    // for a file whose thumbnail came from elsewhere. nullopt when the file records no date or
    // cannot be read, or the loader reads no dates.
    virtual std::optional<qint64> DateTaken(const QString& path) const
    {
        Q_UNUSED(path);
        return std::nullopt;
    }
};

} // namespace gb::platform

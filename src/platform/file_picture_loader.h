#pragma once

#include "platform/picture_loader.h"

namespace gb::platform {

// Opens a regular file and hands its bytes, read on demand, to the decoders in formats/
// (formats/picture_decoder.h), which tell its type from the content, never from its name.
// A read error, or a file that changes while it is read, makes the load Unreadable.
class FilePictureLoader : public IPictureLoader {
public:
    std::optional<LoadedPicture> LoadPicture(const QString& path, const PictureOptions& options,
        LoadFailure* failure = nullptr, int* error = nullptr) const override;
    std::optional<qint64> DateTaken(const QString& path) const override;
};

} // namespace gb::platform

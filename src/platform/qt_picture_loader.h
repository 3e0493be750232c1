#pragma once

#include "platform/picture_loader.h"

namespace gb::platform {

// Decodes BMP (also headerless and under the .dib and .rle names), GIF, JPEG, ICO and CUR with
// Qt's image readers. The type is always taken from the content, never from the file name.
// Any number of loads may wait on the disk at once, but at most one decode runs per core.
class QtPictureLoader : public IPictureLoader {
public:
    QtPictureLoader();
    std::optional<LoadedPicture> LoadPicture(const QString& path, const PictureOptions& options,
        LoadFailure* failure = nullptr) const override;
};

} // namespace gb::platform

#pragma once

#include "platform/scratch_file.h"

#include <QString>

namespace gb::platform {

// Scratch files in a folder of the local disk, opened with O_TMPFILE (or made and unlinked at
// once where the file system lacks it), mode 0600.
class LinuxScratchSpace : public IScratchSpace {
public:
    // With no folder: $TMPDIR when set, else /var/tmp, which is on the disk where /tmp is often
    // memory (parking bytes there would only move them from us to the kernel), else /tmp.
    explicit LinuxScratchSpace(QString folder = QString());
    std::unique_ptr<IScratchFile> Create(int& error) const override;
    QString Folder() const { return folder_; }

private:
    QString folder_;
};

} // namespace gb::platform

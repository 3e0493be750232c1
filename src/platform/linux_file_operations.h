#pragma once

#include "platform/file_operations.h"

namespace gb::platform {

// File operations on a POSIX file system.
class LinuxFileOperations : public IFileOperations {
public:
    FileError DeleteFile(const QString& path, bool force = false) override;

    // The classic error number and a user-facing sentence for an errno value.
    static FileError FromErrno(int error);
};

} // namespace gb::platform

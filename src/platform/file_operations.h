#pragma once

#include <QString>

namespace gb::platform {

// The outcome of one file operation: number 0 on success, otherwise one of the classic error
// numbers (53 file not found, 58 file already exists, 61 disk full, 70 permission denied,
// 75 path/file access error, 76 path not found) and a sentence saying what went wrong.
struct FileError {
    int number = 0;
    QString description;
    bool Ok() const { return number == 0; }
};

// Changes to the user's files. Everything here either happens completely or not at all.
class IFileOperations {
public:
    virtual ~IFileOperations() = default;
    // Deletes a file for good (no trash). Without `force` a read-only file (no write permission)
    // is refused.
    virtual FileError DeleteFile(const QString& path, bool force = false) = 0;
};

} // namespace gb::platform

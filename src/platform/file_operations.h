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
    // Copies `source` byte for byte to `target`, keeping its modification time. The copy is
    // written beside the target under a temporary name and renamed into place only when it is
    // complete and flushed, so a failure (disk full, permission, vanished source) leaves no
    // partial file and the source untouched. Without `overwrite` an existing target is never
    // replaced, not even one that appears while the copy runs (error 58). Copying a file onto
    // itself (the same path, or the same file through a link) succeeds and changes nothing.
    virtual FileError CopyFile(const QString& source, const QString& target, bool overwrite) = 0;
    // Whether two paths name the same existing file (the same path, or through links).
    virtual bool IsSameFile(const QString& first, const QString& second) = 0;
};

} // namespace gb::platform

#pragma once

#include "platform/file_operations.h"

#include <QString>

namespace gb::platform {

// Asks the file system that holds `path` (statfs); Local when it cannot tell. Touches the
// storage, so it may block on a share that stopped answering: never call it on the window's
// thread. The windows ask through IFileOperations::StorageKindOf.
StorageKind StorageKindOf(const QString& path);

} // namespace gb::platform

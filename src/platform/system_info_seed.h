#pragma once

#include "platform/memory_registry.h"

#include <QString>
#include <functional>

namespace gb::platform {

// The full path of `program` when it is on the PATH, else "".
QString FindExecutableOnPath(const QString& program);

// Records the desktop's system information tool where the About window looks for it: the first
// installed of a list of known tools, as a command line under
// HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Shared Tools\MSINFO, value "PATH". Nothing is recorded
// when none is installed, and the Shared Tools Location folder is never recorded (no Linux tool
// lives in a folder under a fixed file name).
void SeedSystemInfo(MemoryRegistry& registry,
    const std::function<QString(const QString&)>& findExecutable = FindExecutableOnPath);

} // namespace gb::platform

#pragma once

#include <QString>

namespace gb::platform {

// Whether an X server answers at `name` (":0", "host:1.0"). Qt's X11 plugin ends the program
// with an abort when it cannot connect, so the program asks first.
bool CanOpenXDisplay(const QString& name);

} // namespace gb::platform

#pragma once

#include "platform/registry.h"

#include <QString>

class QWidget;

namespace gb::app {
class Module1;
}

namespace gb::about {

// How a registry lookup ended. Error is a value that exists but cannot be read as text at all
// (it has no data); the launcher gives up on it rather than trying the next place.
enum class KeyLookup { Found, NotFound, Error };

// Reads the value `subKeyRef` of `keyName` under `keyRoot` into `keyVal`: text values as they
// are, 32-bit numbers as "&h" and their hexadecimal bytes, most significant first; values of
// another type leave `keyVal` as it was. NotFound (with `keyVal` emptied) when the key or value
// is missing or its data exceed 1024 bytes. The key is closed again however the lookup ends.
KeyLookup GetKeyValue(platform::IRegistry& registry, platform::Registry::Key keyRoot,
    const QString& keyName, const QString& subKeyRef, QString& keyVal);

// Starts the desktop's system information tool, or tells the user (over `owner`) that there is
// none to start.
void StartSysInfo(app::Module1& module1, QWidget* owner);

} // namespace gb::about

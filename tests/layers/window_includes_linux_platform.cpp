// Must not compile: a window sees the platform's interfaces, never its Linux implementation.
#include "platform/services.h"

#include "platform/ini_profile.h"

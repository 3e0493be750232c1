#include "platform/x_display.h"

#include <xcb/xcb.h>

namespace gb::platform {

bool CanOpenXDisplay(const QString& name)
{
    if (name.isEmpty())
        return false;
    xcb_connection_t* connection = xcb_connect(name.toLocal8Bit().constData(), nullptr);
    // xcb_connect never returns null: a failed connection is an object in an error state.
    const bool opened = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return opened;
}

} // namespace gb::platform

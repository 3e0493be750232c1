#include "platform/x_display.h"

#include <xcb/xcb.h>

namespace gb::platform {

XDisplayConnection::XDisplayConnection(const QString& name)
{
    if (name.isEmpty())
        return;
    connection_ = xcb_connect(name.toLocal8Bit().constData(), nullptr);
    // xcb_connect never returns null: a failed connection is an object in an error state.
    open_ = xcb_connection_has_error(connection_) == 0;
}

void XDisplayConnection::Close()
{
    if (connection_)
        xcb_disconnect(connection_);
    connection_ = nullptr;
    open_ = false;
}

} // namespace gb::platform

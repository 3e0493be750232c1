#pragma once

#include <QString>

struct xcb_connection_t;

namespace gb::platform {

// A connection to the X server at `name` (":0", "host:1.0"), opened to learn whether one answers:
// Qt's X11 plugin ends the program with an abort when it cannot connect, so the program asks
// first. Keep it until Qt has connected: a server started without -noreset (as xvfb-run starts
// Xvfb) resets once its last client leaves, and refuses connections while it does.
class XDisplayConnection {
public:
    explicit XDisplayConnection(const QString& name);
    ~XDisplayConnection() { Close(); }
    XDisplayConnection(const XDisplayConnection&) = delete;
    XDisplayConnection& operator=(const XDisplayConnection&) = delete;

    bool IsOpen() const { return open_; }
    void Close();

private:
    xcb_connection_t* connection_ = nullptr;
    bool open_ = false;
};

} // namespace gb::platform

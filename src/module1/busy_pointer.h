#pragma once

#include <QCursor>
#include <QGuiApplication>

namespace gb::app {

// Shows the busy mouse pointer for exactly as long as it lives, however the work ends.
class BusyPointer {
public:
    BusyPointer() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QGuiApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

} // namespace gb::app

#pragma once

#include <QGuiApplication>

// Fonts and Qt's image plugins need a GUI application; no display is used. The application
// lives until the process ends: destroying it from an exit handler, after Qt's own statics are
// gone, would crash.
inline void StartOffscreenApplication(char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    new QGuiApplication(argc, argv);
}

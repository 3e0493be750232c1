#pragma once

#include "formats/loaded_picture.h"

#include <QByteArray>
#include <QGuiApplication>
#include <cstddef>
#include <cstdint>

// Fonts and Qt's image plugins need a GUI application; no display is used. The application
// lives until the process ends: destroying it from an exit handler, after Qt's own statics are
// gone, would crash.
inline void StartOffscreenApplication(char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    new QGuiApplication(argc, argv);
}

// libFuzzer's start-up hook for a target that needs that application.
#define GLIMMERBOX_FUZZ_OFFSCREEN_APPLICATION                                                      \
    extern "C" int LLVMFuzzerInitialize(int*, char*** argv)                                        \
    {                                                                                              \
        StartOffscreenApplication(*argv);                                                          \
        return 0;                                                                                  \
    }

inline QByteArray FuzzBytes(const std::uint8_t* data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// What every decoder must hand back: pixels, the picture's own size, and one of the two formats
// tiles are made from.
inline bool IsDrawable(const gb::formats::LoadedPicture& picture)
{
    const QImage::Format format = picture.image.format();
    return !picture.image.isNull() && !picture.naturalSize.isEmpty()
        && (format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied);
}

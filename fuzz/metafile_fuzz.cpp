// Feeds arbitrary bytes to the metafile reader and player: any input must either load or be
// refused, never crash, read out of bounds or hang.
#include "platform/metafile_loader.h"

#include <QGuiApplication>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char*** argv)
{
    // Text records need fonts, which need a GUI application; no display is used. The
    // application lives until the process ends: destroying it from an exit handler, after
    // Qt's own statics are gone, would crash.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    new QGuiApplication(argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    gb::platform::PictureOptions thumbnail;
    thumbnail.reduceFor = QSize(62, 62);
    (void)gb::platform::MetafileLoader::Load(bytes, thumbnail);
    return 0;
}

// Loads one picture file four ways (plain, thumbnail, thumbnail that may be the embedded one,
// large icon) and prints "<mode> ok <image w>x<h> <natural w>x<h>" or "<mode> fail" per load, then
// "peak <KB>": run once per file, each file's peak memory is its own and a hang can be killed.
#include "platform/qt_picture_loader.h"

#include <QFile>
#include <QGuiApplication>
#include <cstdio>
#include <sys/resource.h>

int main(int argc, char** argv)
{
    // Metafile text needs the font database, which needs a platform; no display is wanted.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: glimmerbox_picture_probe FILE\n");
        return 2;
    }
    const std::pair<const char*, gb::platform::PictureOptions> modes[]
        = { { "plain", {} }, { "thumbnail", { false, { 62, 62 } } },
              { "embedded", { false, { 62, 62 }, true } }, { "icon", { true, {} } } };
    const gb::platform::QtPictureLoader loader;
    for (const auto& [name, options] : modes) {
        const auto picture = loader.LoadPicture(QFile::decodeName(argv[1]), options);
        if (!picture)
            std::printf("%s fail\n", name);
        else
            std::printf("%s ok %dx%d %dx%d\n", name, picture->image.width(),
                picture->image.height(), picture->naturalSize.width(),
                picture->naturalSize.height());
        std::fflush(stdout);
    }
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("peak %ld\n", usage.ru_maxrss);
    return 0;
}

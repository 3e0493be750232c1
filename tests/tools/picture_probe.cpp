// Loads one picture file four ways (plain, thumbnail, thumbnail that may be the embedded one,
// large icon), prints "<mode> ok <image w>x<h> <natural w>x<h>" or "<mode> fail" per load, then
// "peak <KB>": run once per file, each file's peak memory is its own and a hang can be killed.
#include "platform/qt_picture_loader.h"
#include <QFile>
#include <QGuiApplication>
#include <cstdio>
#include <sys/resource.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen"); // metafile text needs fonts, so a platform
    QGuiApplication app(argc, argv);
    if (argc != 2)
        return 2;
    const std::pair<const char*, gb::platform::PictureOptions> modes[]
        = { { "plain", {} }, { "thumbnail", { false, { 62, 62 } } },
              { "embedded", { false, { 62, 62 }, true } }, { "icon", { true, {} } } };
    for (const auto& [name, options] : modes) {
        const auto p
            = gb::platform::QtPictureLoader().LoadPicture(QFile::decodeName(argv[1]), options);
        if (p)
            std::printf("%s ok %dx%d %dx%d\n", name, p->image.width(), p->image.height(),
                p->naturalSize.width(), p->naturalSize.height());
        else
            std::printf("%s fail\n", name);
        std::fflush(stdout);
    }
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("peak %ld\n", usage.ru_maxrss);
}

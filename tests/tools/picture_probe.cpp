// Loads one picture file the way the program does, four times over (plain, as a thumbnail, as a
// thumbnail that may come from the file's embedded one, and as a large icon), and prints one line
// per load, then the process's peak memory:
//   <mode> ok <image width>x<height> <natural width>x<height>
//   <mode> fail
//   peak <kilobytes>
// The hostile corpus tests run it once per file so that each file's peak memory is that of a
// process of its own, and a file that hangs the loader can be killed without taking the tests.
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
    using gb::platform::PictureOptions;
    const PictureOptions thumbnail { false, QSize(62, 62) },
        embedded { false, QSize(62, 62), true };
    const std::pair<const char*, PictureOptions> modes[] = { { "plain", {} },
        { "thumbnail", thumbnail }, { "embedded", embedded }, { "icon", { true, {} } } };
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

// Loads one picture file the way the program does, four times over (plain, as a thumbnail, as a
// thumbnail that may come from the file's embedded one, and as a large icon), and prints one line
// per load:
//   <mode> ok <image width>x<height> <natural width>x<height>
//   <mode> fail
// The hostile corpus tests run it once per file so that each file's peak memory is that of a
// process of its own, and a file that hangs the loader can be killed without taking the tests.
#include "platform/qt_picture_loader.h"

#include <QFile>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    // Metafile text needs the font database, which needs a platform; no display is wanted.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: glimmerbox_picture_probe FILE\n");
        return 2;
    }
    const QString path = QFile::decodeName(argv[1]);
    const gb::platform::QtPictureLoader loader;
    struct Mode {
        const char* name;
        gb::platform::PictureOptions options;
    };
    gb::platform::PictureOptions thumbnail;
    thumbnail.reduceFor = QSize(62, 62);
    gb::platform::PictureOptions embedded = thumbnail;
    embedded.embeddedThumbnail = true;
    gb::platform::PictureOptions icon;
    icon.largeIcon = true;
    for (const Mode& mode : { Mode { "plain", {} }, Mode { "thumbnail", thumbnail },
             Mode { "embedded", embedded }, Mode { "icon", icon } }) {
        const auto picture = loader.LoadPicture(path, mode.options);
        if (!picture) {
            std::printf("%s fail\n", mode.name);
        } else {
            std::printf("%s ok %dx%d %dx%d\n", mode.name, picture->image.width(),
                picture->image.height(), picture->naturalSize.width(),
                picture->naturalSize.height());
        }
        std::fflush(stdout);
    }
    return 0;
}

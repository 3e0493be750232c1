// glimmerbox_iconexport ICONS_DIR [APP_ID]: writes the application icon into a hicolor tree,
// ICONS_DIR/hicolor/<size>x<size>/apps/<APP_ID>.png, for the sizes desktops ask for.
#include "browser/application_icon.h"

#include <QDir>
#include <QGuiApplication>
#include <QString>
#include <array>
#include <cstdio>

namespace {

constexpr std::array kThemeSizes = { 16, 32, 48, 64, 128, 256 };
constexpr const char* kDefaultAppId = "io.github.glimmerbox.Glimmerbox";

bool ExportSize(const QDir& iconsDir, const QString& appId, int size)
{
    const QString folder = QStringLiteral("hicolor/%1x%1/apps").arg(size);
    if (!iconsDir.mkpath(folder)) {
        std::fprintf(stderr, "glimmerbox_iconexport: cannot create %s\n", qPrintable(folder));
        return false;
    }
    const QString file = iconsDir.filePath(folder + u'/' + appId + QStringLiteral(".png"));
    if (!gb::browser::DrawApplicationIcon(size).save(file, "PNG", 9)) {
        std::fprintf(stderr, "glimmerbox_iconexport: cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(QDir::toNativeSeparators(file)));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    // No window is ever shown, so a build machine without a display can run it too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() < 2 || args.size() > 3) {
        std::fprintf(stderr, "usage: glimmerbox_iconexport ICONS_DIR [APP_ID]\n");
        return 2;
    }
    const QDir iconsDir(args.at(1));
    const QString appId = args.size() == 3 ? args.at(2) : QString::fromLatin1(kDefaultAppId);
    for (const int size : kThemeSizes) {
        if (!ExportSize(iconsDir, appId, size))
            return 1;
    }
    return 0;
}

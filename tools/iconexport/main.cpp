// glimmerbox_iconexport [--check] ICONS_DIR [APP_ID]: writes the application icon into a hicolor
// tree, ICONS_DIR/hicolor/<size>x<size>/apps/<APP_ID>.png, for the sizes desktops ask for; with
// --check it writes nothing and tells whether the PNGs there are what the painter draws now.
#include "browser/application_icon.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
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

// Antialiasing rounds differently on processors with other vector units, so a committed icon
// may differ from a fresh drawing by a level or two on some edge pixels and still be the same.
bool MatchesSize(const QDir& iconsDir, const QString& appId, int size)
{
    constexpr int kLevels = 3;
    const QString file = iconsDir.filePath(
        QStringLiteral("hicolor/%1x%1/apps/").arg(size) + appId + QStringLiteral(".png"));
    const QImage committed = QImage(file).convertToFormat(QImage::Format_ARGB32);
    const QImage drawn
        = gb::browser::DrawApplicationIcon(size).convertToFormat(QImage::Format_ARGB32);
    bool same = committed.size() == drawn.size();
    for (int y = 0; same && y < drawn.height(); ++y)
        for (int x = 0; same && x < drawn.width(); ++x) {
            const QRgb a = committed.pixel(x, y), b = drawn.pixel(x, y);
            same = qAbs(qRed(a) - qRed(b)) <= kLevels && qAbs(qGreen(a) - qGreen(b)) <= kLevels
                && qAbs(qBlue(a) - qBlue(b)) <= kLevels && qAbs(qAlpha(a) - qAlpha(b)) <= kLevels;
        }
    if (!same)
        std::fprintf(stderr, "%s differs from the icon painter's\n", qPrintable(file));
    return same;
}

} // namespace

int main(int argc, char** argv)
{
    // No window is ever shown, so a build machine without a display can run it too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = QGuiApplication::arguments();
    const bool check = args.size() > 1 && args.at(1) == QLatin1String("--check");
    if (check)
        args.removeAt(1);
    if (args.size() < 2 || args.size() > 3) {
        std::fprintf(stderr, "usage: glimmerbox_iconexport [--check] ICONS_DIR [APP_ID]\n");
        return 2;
    }
    const QDir iconsDir(args.at(1));
    const QString appId = args.size() == 3 ? args.at(2) : QString::fromLatin1(kDefaultAppId);
    bool ok = true;
    for (const int size : kThemeSizes)
        ok = (check ? MatchesSize(iconsDir, appId, size) : ExportSize(iconsDir, appId, size)) && ok;
    return ok ? 0 : 1;
}

#include "platform/linux_app_info.h"

#include "platform/careful_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>
#include <QUrl>
#include <unistd.h>

namespace gb::platform {

namespace {

    constexpr qreal kTwipsPerInch = 1440.0;
    // What a screen that does not say is taken to have.
    constexpr qreal kStandardDpi = 96.0;

    int TwipsPerPixel(qreal logicalDpi)
    {
        if (logicalDpi <= 0)
            logicalDpi = kStandardDpi;
        return std::max(1, qRound(kTwipsPerInch / logicalDpi));
    }

    qreal ScreenDpiX()
    {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? screen->logicalDotsPerInchX() : kStandardDpi;
    }

    qreal ScreenDpiY()
    {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? screen->logicalDotsPerInchY() : kStandardDpi;
    }

} // namespace

LinuxAppInfo::LinuxAppInfo()
    : exeBaseName_(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName())
{
    if (exeBaseName_.isEmpty())
        exeBaseName_ = QStringLiteral("glimmerbox");
    dataDirectory_ = ChooseDataDirectory(QCoreApplication::applicationDirPath(),
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
        exeBaseName_ + QStringLiteral(".ini"));
}

QString LinuxAppInfo::ChooseDataDirectory(
    const QString& executableDir, const QString& configHome, const QString& settingsName)
{
    // A program installed into the system's own folders keeps nothing there, even when run by
    // root, who could write there: removing the package must leave nothing behind. Elsewhere a
    // settings file beside the program marks a deliberate portable copy; without one, files
    // written beside it would litter a folder such as ~/.local/bin.
    const QString clean = QDir::cleanPath(executableDir);
    const bool systemFolder = clean.startsWith(QLatin1String("/usr/"))
        || clean == QLatin1String("/bin") || clean == QLatin1String("/sbin");
    const QByteArray native = QFile::encodeName(executableDir);
    if (!executableDir.isEmpty() && !systemFolder && ::access(native.constData(), W_OK) == 0
        && QFileInfo(QDir(clean).filePath(settingsName)).isFile())
        return clean;
    const QString own = QDir(configHome).filePath(QStringLiteral("glimmerbox"));
    // Should it fail (a read-only home), writing a file there says why.
    MakePrivateFolders(QFile::encodeName(own));
    return QDir::cleanPath(own);
}

QString LinuxAppInfo::ChooseHelpSite(const QString& configured, const QString& dataDirectory)
{
    if (!configured.isEmpty())
        return configured.endsWith(u'/') ? configured.chopped(1) : configured;
    return QUrl::fromLocalFile(QDir::cleanPath(dataDirectory)).toString();
}

QString LinuxAppInfo::HelpSite() const
{
    // Beside the executable, where the package installs the pages and the build copies them,
    // so that an installed program never reaches into the tree it was built from.
    return ChooseHelpSite(QStringLiteral(GLIMMERBOX_HELP_SITE),
        QDir(QCoreApplication::applicationDirPath())
            .filePath(QStringLiteral(GLIMMERBOX_INSTALLED_DATA_DIR)));
}

int LinuxAppInfo::TwipsPerPixelX() const { return TwipsPerPixel(ScreenDpiX()); }

int LinuxAppInfo::TwipsPerPixelY() const { return TwipsPerPixel(ScreenDpiY()); }

} // namespace gb::platform

#pragma once

#include "platform/app_info.h"

#include <QStringList>

namespace gb::platform {

// The running executable's facts on Linux. Needs a QGuiApplication for the screen's DPI.
class LinuxAppInfo : public IAppInfo {
public:
    LinuxAppInfo();
    QString DataDirectory() const override { return dataDirectory_; }
    QString ExeBaseName() const override { return exeBaseName_; }
    QString HelpSite() const override;
    int TwipsPerPixelX() const override;
    int TwipsPerPixelY() const override;

    // The executable's folder when a settings file `settingsName` is already there, we may
    // write there and it is not a system folder (/usr, /bin): a portable copy. Else the per-user
    // config folder (created on demand).
    static QString ChooseDataDirectory(
        const QString& executableDir, const QString& configHome, const QString& settingsName);

    // The configured help site, else the installed data folder as a file URL.
    static QString ChooseHelpSite(const QString& configured, const QString& dataDirectory);

private:
    QString dataDirectory_;
    QString exeBaseName_;
};

} // namespace gb::platform

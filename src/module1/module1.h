#pragma once

#include "platform/services.h"

#include <QString>
#include <QtGlobal>

class QWidget;

namespace gb::app {

// The operations every window shares: the settings file and the folder picker.
class Module1 {
public:
    explicit Module1(platform::Services& services);

    // One value of `section` in the settings file (or in `iniFile` when not empty); `defaultValue`
    // when the file, section or key is missing. At most 2047 characters.
    QString ReadSetting(const QString& section, const QString& key, const QString& defaultValue,
        const QString& iniFile = QString());

    // Stores a value; an empty value removes the key, an empty key the whole section.
    // Non-zero on success.
    qint32 WriteSetting(const QString& section, const QString& key, const QString& value,
        const QString& iniFile = QString());

    // The settings file: the program's data folder and the executable's name with ".ini".
    // Decided on first use and kept for the rest of the run.
    QString IniPath();

    // The folder picker; "" when cancelled.
    QString BrowseForFolder(QWidget* owner, const QString& title, const QString& initialFolder);

    // Asks the desktop to open a file or web address in its associated program; false when no
    // program (other than this one) took it.
    bool OpenDocument(QWidget* owner, const QString& fileName);

    platform::Services& Services() { return services_; }

private:
    QString ChooseFile(const QString& iniFile);

    platform::Services& services_;
    QString iniPath_;
};

} // namespace gb::app

#pragma once

#include "platform/picture_loader.h"
#include "platform/services.h"
#include "platform/shell.h"

#include <QString>
#include <QtGlobal>
#include <optional>

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

    // Asks the desktop to open a file or web address in its associated program, without waiting;
    // `done` hears false when no program (other than this one) took it, unless `owner` has gone
    // by then.
    void OpenDocument(QWidget* owner, const QString& fileName, platform::IShell::Done done = {});

    // Whether every picture type the program decodes is listed and shown, not only the nine
    // classic ones: the "Every Picture Type" setting (see Settings), unless this run was told
    // otherwise.
    bool EveryPictureType();
    // Switches it for the rest of the run, and in the settings file when `remember`.
    void SetEveryPictureType(bool on, bool remember = true);
    // What every picture load of the windows starts from: the types the person chose to see.
    platform::PictureOptions ShownPictureOptions();

    platform::Services& Services() { return services_; }

private:
    QString ChooseFile(const QString& iniFile);

    platform::Services& services_;
    QString iniPath_;
    std::optional<bool> everyPictureType_; // set for this run; else the setting decides
};

} // namespace gb::app

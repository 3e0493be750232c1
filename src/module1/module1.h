#pragma once

#include "platform/picture_loader.h"
#include "platform/services.h"
#include "platform/shell.h"

#include <QPointer>
#include <QString>
#include <QtGlobal>
#include <functional>
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

    // What a picker hands back on the owner's thread: the folder or file chosen, "" when
    // cancelled (or when the owner was closed before the picker could open).
    using Chosen = std::function<void(const QString&)>;
    // The folder picker, opening at PickerStartFolder(initialFolder). That folder is looked at
    // on the storage lane, not on the window's thread: a share that stops answering would
    // otherwise freeze the window for as long as it is gone. The picker opens once the answer
    // comes, or after kPickerPatienceMs at home; `chosen` is not called once `owner` has gone.
    void BrowseForFolder(
        QWidget* owner, const QString& title, const QString& initialFolder, Chosen chosen);
    // The Save As dialog, proposing `proposedPath` when its folder answers in time, else the same
    // name in the home folder; as BrowseForFolder otherwise.
    void SaveAs(QWidget* owner, const QString& proposedPath, const QString& pattern, Chosen chosen);
    // A picker was asked for and waits for its start folder; another is not opened meanwhile.
    bool PickerPending() const { return !pickerOwner_.isNull(); }
    // Where a folder picker opens: `initialFolder` when it is one, else the user's pictures
    // folder when there is one, else home. It touches the disk: run it off the window's thread.
    static QString PickerStartFolder(const QString& initialFolder);
    // How long a picker waits to hear whether its start folder answers: far longer than any
    // working disk or share takes, too short for a person to notice.
    static constexpr int kPickerPatienceMs = 100;

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
    void OpenPicker(QWidget* owner, std::function<QString()> probe, const QString& fallback,
        std::function<void(const QString&)> open, Chosen chosen);

    platform::Services& services_;
    QString iniPath_;
    std::optional<bool> everyPictureType_; // set for this run; else the setting decides
    QPointer<QWidget> pickerOwner_; // while a picker waits for its start folder
};

} // namespace gb::app

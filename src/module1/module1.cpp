#include "module1/module1.h"

#include "module1/settings.h"
#include "module1/tasks.h"
#include "platform/app_info.h"
#include "platform/dialogs.h"
#include "platform/profile.h"
#include "platform/shell.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>
#include <optional>

namespace gb::app {

namespace {
    // The classic profile read buffer: 2047 characters and the terminating NUL.
    constexpr int kReadBufferSize = 2048;
}

Module1::Module1(platform::Services& services)
    : services_(services)
{
}

QString Module1::IniPath()
{
    if (iniPath_.isEmpty()) {
        QString dir = services_.appInfo.DataDirectory();
        if (!dir.endsWith(u'/'))
            dir += u'/';
        iniPath_ = dir + services_.appInfo.ExeBaseName() + QStringLiteral(".ini");
    }
    return iniPath_;
}

QString Module1::ChooseFile(const QString& iniFile)
{
    return iniFile.isEmpty() ? IniPath() : iniFile;
}

QString Module1::ReadSetting(
    const QString& section, const QString& key, const QString& defaultValue, const QString& iniFile)
{
    return services_.profile.GetString(
        section, key, defaultValue, kReadBufferSize, ChooseFile(iniFile));
}

qint32 Module1::WriteSetting(
    const QString& section, const QString& key, const QString& value, const QString& iniFile)
{
    const QString file = ChooseFile(iniFile);
    bool ok = false;
    if (key.isEmpty())
        ok = services_.profile.WriteString(section, std::nullopt, std::nullopt, file);
    else if (value.isEmpty())
        ok = services_.profile.WriteString(section, key, std::nullopt, file);
    else
        ok = services_.profile.WriteString(section, key, value, file);
    return ok ? 1 : 0;
}

bool Module1::EveryPictureType()
{
    if (everyPictureType_)
        return *everyPictureType_;
    return Settings(*this).EveryPictureType();
}

void Module1::SetEveryPictureType(bool on, bool remember)
{
    everyPictureType_ = on;
    if (remember)
        Settings(*this).SetEveryPictureType(on);
}

platform::PictureOptions Module1::ShownPictureOptions()
{
    platform::PictureOptions options;
    options.everyType = EveryPictureType();
    return options;
}

void Module1::BrowseForFolder(
    QWidget* owner, const QString& title, const QString& initialFolder, Chosen chosen)
{
    OpenPicker(
        owner, [initialFolder] { return PickerStartFolder(initialFolder); }, QDir::homePath(),
        [this, owner, title, chosen](const QString& start) {
            chosen(services_.dialogs.BrowseForFolder(owner, title, start));
        },
        chosen);
}

void Module1::SaveAs(
    QWidget* owner, const QString& proposedPath, const QString& pattern, Chosen chosen)
{
    const QFileInfo proposed(proposedPath);
    OpenPicker(
        owner,
        [proposedPath, folder = proposed.path()] {
            return QFileInfo(folder).isDir() ? proposedPath : QString();
        },
        QDir::home().filePath(proposed.fileName()),
        [this, owner, pattern, chosen](
            const QString& start) { chosen(services_.dialogs.SaveAs(owner, start, pattern)); },
        chosen);
}

QString Module1::PickerStartFolder(const QString& initialFolder)
{
    if (!initialFolder.isEmpty() && QFileInfo(initialFolder).isDir())
        return initialFolder;
    // Nothing remembered: where photos usually are, never the folder we happened to start in.
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return !pictures.isEmpty() && QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
}

// `probe` runs on the storage lane; `open` then gets what it found, or `fallback` when it found
// nothing or has not answered within the patience (a dead share answers never). Whichever comes
// first wins; the other is dropped. A window closed meanwhile opens no picker.
void Module1::OpenPicker(QWidget* owner, std::function<QString()> probe, const QString& fallback,
    std::function<void(const QString&)> open, Chosen chosen)
{
    if (PickerPending())
        return;
    pickerOwner_ = owner;
    auto settled = std::make_shared<bool>(false);
    auto settle = [this, owner, settled, fallback, open, chosen](const QString& start) {
        if (std::exchange(*settled, true))
            return;
        pickerOwner_.clear();
        if (!owner->isVisible())
            return chosen(QString());
        open(start.isEmpty() ? fallback : start);
    };
    Run(Lane::Storage, owner, std::move(probe), settle);
    QTimer::singleShot(kPickerPatienceMs, owner, [settle] { settle(QString()); });
}

void Module1::OpenDocument(QWidget* owner, const QString& fileName, platform::IShell::Done done)
{
    services_.shell.OpenDocument(
        fileName, [owner = QPointer<QWidget>(owner), done = std::move(done)](bool opened) {
            if (owner && done)
                done(opened);
        });
}

} // namespace gb::app

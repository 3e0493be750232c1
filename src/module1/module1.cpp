#include "module1/module1.h"

#include "module1/settings.h"
#include "platform/app_info.h"
#include "platform/dialogs.h"
#include "platform/profile.h"
#include "platform/shell.h"

#include <QPointer>
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

QString Module1::BrowseForFolder(QWidget* owner, const QString& title, const QString& initialFolder)
{
    return services_.dialogs.BrowseForFolder(owner, title, initialFolder);
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

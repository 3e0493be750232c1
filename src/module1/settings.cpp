#include "module1/settings.h"

#include "core/window_position.h"
#include "module1/module1.h"

#include <QDir>

namespace gb::app {

namespace {
    const QString kMain = QStringLiteral("Main");

    QString YesNo(bool on) { return on ? QStringLiteral("True") : QStringLiteral("False"); }
} // namespace

Settings::Settings(Module1& module1)
    : module1_(module1)
{
}

QString Settings::LastPath() { return module1_.ReadSetting(kMain, "Last Path", QString()); }

bool Settings::SetLastPath(const QString& folder) { return Write("Last Path", folder); }

QString Settings::LastDestPath()
{
    return module1_.ReadSetting(kMain, "Last Dest Path", QDir::homePath() + u'/');
}

bool Settings::SetLastDestPath(const QString& folder) { return Write("Last Dest Path", folder); }

Settings::StoredPlacement Settings::Placement()
{
    return StoredPlacement { module1_.ReadSetting(kMain, "Window Position", QString()),
        ReadYesNo("Maximized", false) };
}

bool Settings::SetPlacement(const StoredPlacement& placement)
{
    bool written = true;
    if (!placement.windowPosition.isEmpty())
        written = Write("Window Position", placement.windowPosition);
    return Write("Maximized", YesNo(placement.maximized)) && written;
}

bool Settings::UseEmbeddedThumbnails() { return ReadYesNo("Use Embedded Thumbnails", true); }

bool Settings::SetUseEmbeddedThumbnails(bool on)
{
    return Write("Use Embedded Thumbnails", YesNo(on));
}

bool Settings::EveryPictureType() { return ReadYesNo("Every Picture Type", false); }

bool Settings::SetEveryPictureType(bool on) { return Write("Every Picture Type", YesNo(on)); }

bool Settings::ReadYesNo(const QString& key, bool defaultValue)
{
    return core::ParseBoolean(module1_.ReadSetting(kMain, key, QString())).value_or(defaultValue);
}

bool Settings::Write(const QString& key, const QString& value)
{
    return module1_.WriteSetting(kMain, key, value) != 0;
}

} // namespace gb::app

#include "module1/settings.h"

#include "core/window_position.h"
#include "module1/module1.h"

#include <QDir>
#include <algorithm>
#include <iterator>

namespace gb::app {

namespace {
    const QString kMain = QStringLiteral("Main");

    const QString kDateTaken = QStringLiteral("Date Taken");
    constexpr int kDefaultSlideSeconds = 2;

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

bool Settings::FitPictures() { return ReadYesNo("Fit Pictures", false); }

bool Settings::SetFitPictures(bool on) { return Write("Fit Pictures", YesNo(on)); }

bool Settings::DeleteToTrash() { return ReadYesNo("Delete To Trash", false); }

bool Settings::SetDeleteToTrash(bool on) { return Write("Delete To Trash", YesNo(on)); }

Settings::SortOrder Settings::CellSortOrder()
{
    const QString order = module1_.ReadSetting(kMain, "Sort Order", QString()).trimmed();
    return order.compare(kDateTaken, Qt::CaseInsensitive) == 0 ? SortOrder::DateTaken
                                                               : SortOrder::Name;
}

bool Settings::SetCellSortOrder(SortOrder order)
{
    return Write("Sort Order", order == SortOrder::DateTaken ? kDateTaken : QStringLiteral("Name"));
}

bool Settings::SortReverse() { return ReadYesNo("Sort Reverse", false); }

bool Settings::SetSortReverse(bool on) { return Write("Sort Reverse", YesNo(on)); }

int Settings::ThumbnailSize()
{
    const std::optional<int> pixels = ReadNumber("Thumbnail Size");
    const auto& sizes = kThumbnailSizes;
    return pixels && std::find(std::begin(sizes), std::end(sizes), *pixels) != std::end(sizes)
        ? *pixels
        : sizes[0];
}

bool Settings::SetThumbnailSize(int pixels)
{
    return Write("Thumbnail Size", QString::number(pixels));
}

bool Settings::WatchFolder() { return ReadYesNo("Watch Folder", false); }

bool Settings::SetWatchFolder(bool on) { return Write("Watch Folder", YesNo(on)); }

int Settings::SlideSeconds()
{
    const std::optional<int> seconds = ReadNumber("Slide Seconds");
    return seconds ? std::clamp(*seconds, kMinSlideSeconds, kMaxSlideSeconds)
                   : kDefaultSlideSeconds;
}

bool Settings::SetSlideSeconds(int seconds)
{
    return Write(
        "Slide Seconds", QString::number(std::clamp(seconds, kMinSlideSeconds, kMaxSlideSeconds)));
}

std::optional<int> Settings::ReadNumber(const QString& key)
{
    bool number = false;
    const int value = module1_.ReadSetting(kMain, key, QString()).trimmed().toInt(&number);
    return number ? std::optional<int>(value) : std::nullopt;
}

bool Settings::ReadYesNo(const QString& key, bool defaultValue)
{
    return core::ParseBoolean(module1_.ReadSetting(kMain, key, QString())).value_or(defaultValue);
}

bool Settings::Write(const QString& key, const QString& value)
{
    return module1_.WriteSetting(kMain, key, value) != 0;
}

} // namespace gb::app

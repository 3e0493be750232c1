#pragma once

#include <QString>
#include <optional>

namespace gb::app {

class Module1;

// The program's own settings in section "Main" of the settings file, each key read and written
// here alone, typed. A yes/no is read by core::ParseBoolean ("True"/"False" in any case, or a
// number, true when not zero as the classic runtime reads "-1"); anything else is the key's
// default. Written as "True"/"False". A view over Module1's settings calls: cheap to make where
// needed, nothing kept.
class Settings {
public:
    explicit Settings(Module1& module1);

    // Where the main window was left: "Window Position" as stored ("120, 90, 900, 660" in twips;
    // "" when none) and "Maximized" (no when unset).
    struct StoredPlacement {
        QString windowPosition;
        bool maximized = false;
    };

    // "Last Path": the folder the main window showed last; "" when none.
    QString LastPath();
    // "" removes it. Each setter is true when the settings file took the change.
    bool SetLastPath(const QString& folder);

    // "Last Dest Path": the rename window's last destination; the home folder when none.
    QString LastDestPath();
    bool SetLastDestPath(const QString& folder);

    StoredPlacement Placement();
    // Stores both; an empty `windowPosition` keeps the one stored (a window that never reached
    // a place worth keeping).
    bool SetPlacement(const StoredPlacement& placement);

    // "Use Embedded Thumbnails": a camera's own small picture may stand in for a tile. Yes when
    // unset.
    bool UseEmbeddedThumbnails();
    bool SetUseEmbeddedThumbnails(bool on);

    // "Every Picture Type" as stored: every type the program decodes is listed, not only the
    // nine classic ones. No when unset. Module1::EveryPictureType() adds this run's choice.
    bool EveryPictureType();
    bool SetEveryPictureType(bool on);

    // The options a person may switch on; with none changed the program behaves as it always did.

    // "Fit Pictures": the slide show shrinks a picture larger than the screen to fit it, and the
    // rename window's preview keeps the picture's proportions. No when unset.
    bool FitPictures();
    bool SetFitPictures(bool on);

    // "Delete To Trash": Delete moves the ticked files to the desktop's Trash. No when unset.
    bool DeleteToTrash();
    bool SetDeleteToTrash(bool on);

    // "Sort Order": "Name" (the default, also for anything unknown) or "Date Taken".
    enum class SortOrder { Name, DateTaken };
    SortOrder CellSortOrder();
    bool SetCellSortOrder(SortOrder order);
    // "Sort Reverse": either order backwards. No when unset.
    bool SortReverse();
    bool SetSortReverse(bool on);

    // "Thumbnail Size": the side of a cell's picture, one of kThumbnailSizes; 64 when unset or
    // anything else.
    static constexpr int kThumbnailSizes[] = { 64, 96, 128, 192, 256 };
    int ThumbnailSize();
    bool SetThumbnailSize(int pixels);

    // "Watch Folder": pictures added, removed or changed in the folder shown appear without a
    // Refresh. No when unset.
    bool WatchFolder();
    bool SetWatchFolder(bool on);

    // "Slide Seconds": the slide show's interval, 1 to 60 (a number outside is taken to the
    // nearer end); 2 when unset or not a number.
    static constexpr int kMinSlideSeconds = 1;
    static constexpr int kMaxSlideSeconds = 60;
    int SlideSeconds();
    bool SetSlideSeconds(int seconds);

private:
    bool ReadYesNo(const QString& key, bool defaultValue);
    // A whole number, or nothing when the key is missing or holds anything else.
    std::optional<int> ReadNumber(const QString& key);
    bool Write(const QString& key, const QString& value);

    Module1& module1_;
};

} // namespace gb::app

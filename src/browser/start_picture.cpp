#include "browser/start_picture.h"

#include "browser/thumb_grid.h"

namespace gb::browser {

void StartPicture::Opened(const QString& folder, const QString& picture)
{
    folder_ = folder;
    picture_ = picture;
}

void StartPicture::Focus(ThumbGrid& grid, const CellModel& cells, const QString& sourcePath)
{
    // Nothing loaded yet, a load running, or nothing found.
    if (picture_.isEmpty() || sourcePath.isEmpty() || grid.isHidden())
        return;
    if (sourcePath != (folder_.endsWith(u'/') ? folder_ : folder_ + u'/')) {
        picture_.clear();
        return;
    }
    for (int i = 0; i < cells.ShownCount(); ++i) {
        if (cells.Cell(i).Tag == picture_) {
            grid.SetFocusIndex(i);
            return;
        }
    }
}

} // namespace gb::browser

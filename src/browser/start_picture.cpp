#include "browser/start_picture.h"

#include "browser/cell_model.h"
#include "browser/file_list.h"
#include "browser/thumb_grid.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <algorithm>

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

QStringList StartPicture::TickOpened(CellModel& cells)
{
    const QString folder = QDir::cleanPath(folder_);
    QSet<QString> names;
    if (!picture_.isEmpty() && !alsoOpened_.isEmpty())
        names.insert(picture_);
    QStringList elsewhere;
    for (const QString& path : std::exchange(alsoOpened_, {})) {
        const QFileInfo info(path);
        if (QDir::cleanPath(info.absolutePath()) == folder)
            names.insert(info.fileName());
        else if (!elsewhere.contains(QDir::cleanPath(info.absolutePath())))
            elsewhere << QDir::cleanPath(info.absolutePath());
    }
    for (int i = 0; i < cells.ShownCount() && !names.isEmpty(); ++i) {
        if (names.remove(cells.Cell(i).Tag))
            cells.SetValue(i, 1);
    }
    return elsewhere;
}

bool StartPicture::NamesTypeShownOnRequest(const QStringList& paths)
{
    return std::any_of(paths.begin(), paths.end(), [](const QString& path) {
        const QString name = QFileInfo(path).fileName();
        return QDir::match(FileList::Patterns(true), name)
            && !QDir::match(FileList::Patterns(false), name);
    });
}

} // namespace gb::browser

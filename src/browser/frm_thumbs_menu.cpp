// The context menus: a thumbnail's (open the file, or make it the desktop wallpaper) and the
// grid's empty area's (which picture types show).
#include "browser/context_menus.h"
#include "browser/frm_thumbs.h"
#include "browser/wallpaper_command.h"
#include "module1/module1.h"
#include "platform/app_info.h"

#include <QDir>

namespace gb::browser {

QMenu& frmThumbs::ContextMenu() const { return menus_->CellMenu(); }
QMenu& frmThumbs::TypesMenu() const { return menus_->TypesMenu(); }

void frmThumbs::mnuWallpaper_Click()
{
    const platform::Services& services = module1_.Services();
    wallpaper_->Start(MenuFile(), QDir(services.appInfo.DataDirectory()).filePath("Wallpaper.bmp"),
        palette().color(QPalette::Button), module1_.ShownPictureOptions());
}

// A mouse button released over the grid outside every cell, or over the viewport while the grid
// is hidden (a folder with nothing to show).
void frmThumbs::picFrame_MouseUp(Qt::MouseButton button, QPoint globalPos)
{
    if (button != Qt::RightButton || IsLoading())
        return;
    menus_->PopUpTypes(globalPos, module1_.EveryPictureType());
}

// Remembered in the settings, and the folder shown is listed again with the types chosen.
void frmThumbs::mnuEveryType_Click(bool checked)
{
    module1_.SetEveryPictureType(checked);
    if (!loader_->Listing().Path().isEmpty())
        LoadThumbnails();
}

QString frmThumbs::MenuFile() const
{
    if (MenuIndex_ < 0 || MenuIndex_ >= chkThumb.Count())
        return {};
    return SourcePath() + chkThumb.Cell(MenuIndex_).Tag;
}

// The desktop shows nothing when no program takes the file, or when the only one is this
// program (which would merely show the folder again), so the person is told here.
void frmThumbs::mnuView_Click()
{
    const QString file = MenuFile();
    module1_.OpenDocument(this, file, [this, file](bool opened) {
        if (!opened && !file.isEmpty())
            Inform("No program other than Glimmerbox is set up to open \""
                + QDir::toNativeSeparators(file) + "\", so it was not opened.");
    });
}

} // namespace gb::browser

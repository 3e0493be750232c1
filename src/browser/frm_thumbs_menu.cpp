// The context menus: a thumbnail's (open the file, or make it the desktop wallpaper) and the
// grid's empty area's (which picture types show).
#include "browser/frm_thumbs.h"
#include "browser/wallpaper_command.h"
#include "module1/module1.h"
#include "platform/app_info.h"

#include <QDir>
#include <QMenu>

namespace gb::browser {

void frmThumbs::BuildContextMenu()
{
    mnuMenu = new QMenu(QStringLiteral("Menu"), this);
    mnuMenu->setObjectName(QStringLiteral("mnuMenu"));
    QAction* view = mnuMenu->addAction(QStringLiteral("&View\\Edit File"));
    view->setObjectName(QStringLiteral("mnuView"));
    connect(view, &QAction::triggered, this, &frmThumbs::mnuView_Click);
    QAction* wallpaper = mnuMenu->addAction(QStringLiteral("&Set as Wallpaper"));
    wallpaper->setObjectName(QStringLiteral("mnuWallpaper"));
    connect(wallpaper, &QAction::triggered, this, [this] {
        const platform::Services& services = module1_.Services();
        wallpaper_->Start(MenuFile(),
            QDir(services.appInfo.DataDirectory()).filePath("Wallpaper.bmp"),
            palette().color(QPalette::Button), module1_.ShownPictureOptions());
    });

    mnuTypes = new QMenu(QStringLiteral("Types"), this);
    mnuTypes->setObjectName(QStringLiteral("mnuTypes"));
    QAction* everyType = mnuTypes->addAction(QStringLiteral("Show &every picture type"));
    everyType->setObjectName(QStringLiteral("mnuEveryType"));
    everyType->setCheckable(true);
    connect(everyType, &QAction::triggered, this, &frmThumbs::mnuEveryType_Click);
}

// A mouse button released over the grid outside every cell, or over the viewport while the grid
// is hidden (a folder with nothing to show).
void frmThumbs::picFrame_MouseUp(Qt::MouseButton button, QPoint globalPos)
{
    if (button != Qt::RightButton || IsLoading())
        return;
    mnuTypes->actions().front()->setChecked(module1_.EveryPictureType());
    mnuTypes->popup(globalPos);
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
    if (!module1_.OpenDocument(this, file) && !file.isEmpty())
        Inform("No program other than Glimmerbox is set up to open \""
            + QDir::toNativeSeparators(file) + "\", so it was not opened.");
}

} // namespace gb::browser

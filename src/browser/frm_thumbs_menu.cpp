// The context menus: a thumbnail's (open the file, or make it the desktop wallpaper) and the
// grid's empty area's (which picture types show).
#include "browser/frm_thumbs.h"
#include "core/thumbnail_drawing.h"
#include "module1/module1.h"
#include "module1/tasks.h"
#include "platform/app_info.h"
#include "platform/file_operations.h"
#include "platform/picture_loader.h"
#include "platform/wallpaper.h"

#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <QMenu>
#include <QPointer>

namespace gb::browser {

namespace {

    // Writes `image` as a BMP file of its own pixel size through the file operations: it appears
    // complete or not at all, so a failed write never leaves a broken wallpaper behind.
    QString SaveBitmap(platform::IFileOperations& files, const QImage& image, const QString& path)
    {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        QImageWriter writer(&buffer, "bmp");
        if (!buffer.open(QIODevice::WriteOnly) || !writer.write(image))
            return writer.errorString();
        const platform::FileError error = files.WriteFile(path, bytes);
        return error.Ok() ? QString() : error.description;
    }

} // namespace

void frmThumbs::BuildContextMenu()
{
    mnuMenu = new QMenu(QStringLiteral("Menu"), this);
    mnuMenu->setObjectName(QStringLiteral("mnuMenu"));
    QAction* view = mnuMenu->addAction(QStringLiteral("&View\\Edit File"));
    view->setObjectName(QStringLiteral("mnuView"));
    connect(view, &QAction::triggered, this, &frmThumbs::mnuView_Click);
    QAction* wallpaper = mnuMenu->addAction(QStringLiteral("&Set as Wallpaper"));
    wallpaper->setObjectName(QStringLiteral("mnuWallpaper"));
    connect(wallpaper, &QAction::triggered, this, &frmThumbs::mnuWallpaper_Click);

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
    if (!filHidden.Path().isEmpty())
        LoadThumbnails();
}

QString frmThumbs::MenuFile() const
{
    if (MenuIndex_ < 0 || MenuIndex_ >= static_cast<int>(chkThumb.size()))
        return {};
    return SourcePath_ + chkThumb[static_cast<size_t>(MenuIndex_)].Tag;
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

void frmThumbs::mnuWallpaper_Click() { SetWallpaper(); }

// The picture is read and the bitmap written on a worker: the picture may sit on a share that
// stalls. What went wrong, if anything, comes back as the sentence to show.
void frmThumbs::SetWallpaper()
{
    if (settingWallpaper_)
        return;
    settingWallpaper_ = true;
    const platform::Services& services = module1_.Services();
    const QString target = QDir(services.appInfo.DataDirectory()).filePath("Wallpaper.bmp");
    const QString image = MenuFile();
    const QColor surface = palette().color(QPalette::Button);
    const platform::PictureOptions options = module1_.ShownPictureOptions();
    auto work = [&services, image, target, surface, options]() -> QString {
        std::optional<platform::LoadedPicture> picture
            = services.pictures.LoadPicture(image, options);
        if (!picture)
            return "The picture \"" + QDir::toNativeSeparators(image)
                + "\" could not be loaded, so the wallpaper was not changed.";
        const QImage bitmap
            = core::FlattenOnto(picture->image, surface).convertToFormat(QImage::Format_RGB888);
        picture.reset(); // the full picture is not needed any longer
        const QString writeError = SaveBitmap(services.files, bitmap, target);
        if (!writeError.isEmpty())
            return "The wallpaper file \"" + QDir::toNativeSeparators(target)
                + "\" could not be written (" + writeError + "), so the wallpaper was not changed.";
        return {};
    };
    // The desktop answers in its own time (the portal may ask the person first); a window gone
    // by then hears nothing.
    auto ended = [window = QPointer<frmThumbs>(this)](const QString& error) {
        if (!window)
            return;
        if (!error.isEmpty())
            window->Inform(error);
        window->settingWallpaper_ = false;
        Q_EMIT window->WallpaperRequestEnded();
    };
    app::Run(
        app::Lane::Storage, this, std::move(work), [this, target, ended](const QString& error) {
            if (!error.isEmpty()) {
                ended(error);
                return;
            }
            module1_.Services().wallpaper.SetWallpaper(
                target, [ended](const platform::WallpaperResult& result) { ended(result.error); });
        });
}

} // namespace gb::browser

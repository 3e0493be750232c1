#include "browser/wallpaper_command.h"

#include "core/thumbnail_drawing.h"
#include "module1/tasks.h"
#include "platform/file_operations.h"
#include "platform/services.h"
#include "platform/wallpaper.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
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

    // What went wrong, if anything, as the sentence to show.
    QString WriteWallpaperFile(const platform::Services& services, const QString& image,
        const QString& target, const QColor& surface, const platform::PictureOptions& options)
    {
        std::optional<platform::LoadedPicture> picture
            = services.pictures.LoadPicture(image, options);
        if (!picture)
            return "The picture \"" + QDir::toNativeSeparators(image)
                + "\" could not be loaded, so the wallpaper was not changed.";
        const QImage bitmap
            = core::FlattenOnto(picture->image, surface).convertToFormat(QImage::Format_RGB888);
        picture.reset(); // the full picture is not needed any longer
        // The folder is ours; if it is not there, making it tells why it could not be (such
        // as a read-only file system), where writing would only find it missing.
        const platform::FileError folder = services.files.MakeFolder(QFileInfo(target).path());
        const QString writeError
            = folder.Ok() ? SaveBitmap(services.files, bitmap, target) : folder.description;
        if (writeError.isEmpty())
            return {};
        return "The wallpaper file \"" + QDir::toNativeSeparators(target)
            + "\" could not be written (" + writeError + "), so the wallpaper was not changed.";
    }

} // namespace

WallpaperCommand::WallpaperCommand(platform::Services& services, QObject* parent)
    : QObject(parent)
    , services_(services)
{
}

void WallpaperCommand::Start(const QString& image, const QString& target, const QColor& surface,
    const platform::PictureOptions& options)
{
    if (running_)
        return;
    running_ = true;
    app::Run(
        app::Lane::Storage, this,
        [&services = services_, image, target, surface, options] {
            return WriteWallpaperFile(services, image, target, surface, options);
        },
        [this, target](const QString& error) {
            if (error.isEmpty())
                SetDesktop(target);
            else
                End(error);
        });
}

// The desktop answers in its own time (the portal may ask the person first); a command gone by
// then hears nothing.
void WallpaperCommand::SetDesktop(const QString& target)
{
    services_.wallpaper.SetWallpaper(target,
        [command = QPointer<WallpaperCommand>(this)](const platform::WallpaperResult& result) {
            if (command)
                command->End(result.ok ? QString() : result.error);
        });
}

void WallpaperCommand::End(const QString& error)
{
    running_ = false;
    Q_EMIT Finished(error);
}

} // namespace gb::browser

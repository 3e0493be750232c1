// The main window's folder loading: choosing the folder, listing it and making one cell per
// picture, with the progress display running over the status bar meanwhile.
#include "app/busy_pointer.h"
#include "app/module1.h"
#include "browser/frm_thumbs.h"
#include "browser/progress_display.h"
#include "browser/thumb_grid.h"
#include "browser/thumbnail_pipeline.h"
#include "core/caption_fit.h"
#include "core/load_text.h"
#include "core/thumbnail_drawing.h"
#include "core/thumbnail_geometry.h"
#include "platform/dialogs.h"
#include "platform/picture_loader.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>

namespace gb::browser {

namespace {

    QString WithTrailingSlash(QString path)
    {
        if (!path.isEmpty() && !path.endsWith(u'/'))
            path += u'/';
        return path;
    }

    // Icons and cursors are loaded at the large shell icon size; the test is on the name, so
    // "photo.icon.jpg" counts too.
    bool IsIconName(const QString& name)
    {
        const QString lower = name.toLower();
        return lower.contains(QLatin1String(".ico")) || lower.contains(QLatin1String(".cur"));
    }

    ThumbnailPipeline::Decoder MakeDecoder(
        const platform::IPictureLoader& loader, const core::ThumbnailColors& colors)
    {
        return [&loader, colors](const QString& path) -> std::optional<QImage> {
            platform::PictureOptions options;
            options.largeIcon = IsIconName(QFileInfo(path).fileName());
            const int room = core::ThumbnailTileSize - core::ThumbnailMargin;
            options.reduceFor = QSize(room, room);
            const std::optional<platform::LoadedPicture> picture
                = loader.LoadPicture(path, options);
            if (!picture)
                return std::nullopt;
            return core::DrawThumbnail(picture->image, picture->naturalSize, colors);
        };
    }

} // namespace

void frmThumbs::ChooseSourceFolder(bool useRemembered)
{
    if (loading_ || unloaded_)
        return;
    QString folder = module1_.ReadSetting("Main", "Last Path", "");
    if (folder.isEmpty())
        useRemembered = false;
    if (!useRemembered)
        folder = module1_.BrowseForFolder(this, "Select a Folder with Images...", folder);
    if (folder.isEmpty())
        return;
    OpenSourceFolder(folder);
}

bool frmThumbs::OpenSourceFolder(const QString& folder)
{
    if (!LoadFolder(folder))
        return false;
    module1_.WriteSetting("Main", "Last Path", folder);
    return true;
}

bool frmThumbs::LoadFolder(const QString& folder)
{
    if (loading_ || unloaded_ || !filHidden.SetPath(folder))
        return false;
    filHidden_PathChange();
    LoadThumbnails();
    return true;
}

void frmThumbs::filHidden_PathChange()
{
    panels_[2]->setText(WithTrailingSlash(filHidden.Path()));
    panels_[1]->setText(core::FileCountText(0));
}

void frmThumbs::ResetCells()
{
    chkThumb.resize(1);
    chkThumb[0] = ThumbCell {};
}

QString frmThumbs::FitCaption(const QString& name) const
{
    const QFontMetrics metrics(picSlide->font());
    return core::FitCaption(name, ThumbCellSize.width(),
        [&metrics](const QString& text) { return metrics.horizontalAdvance(text); });
}

void frmThumbs::LoadThumbnails()
{
    // A second load (Refresh, Browse) arriving during the yields of this one is ignored.
    if (loading_ || unloaded_)
        return;
    loading_ = true;
    {
        app::BusyPointer busy;
        filHidden.Refresh();
        picSlide->hide();
        ResetCells();
        QCoreApplication::processEvents();

        const int listed = filHidden.ListCount();
        SourcePath_ = WithTrailingSlash(filHidden.Path());
        panels_[2]->setText(SourcePath_);
        panels_[1]->setText(core::FileCountText(listed));
        BeginProgress();

        QStringList paths;
        paths.reserve(listed);
        for (int i = 0; i < listed; ++i)
            paths.push_back(SourcePath_ + filHidden.List(i));
        const QColor buttonFace = palette().color(QPalette::Button);
        ThumbnailPipeline pipeline(
            paths, MakeDecoder(module1_.Services().pictures, { buttonFace, buttonFace }));

        int made = 0;
        for (int i = 0; i < listed && !closing_; ++i) {
            const QString name = filHidden.List(i);
            StepProgress(core::ProgressPercent(i, listed), name);
            std::optional<QImage> tile = pipeline.Next();
            if (!tile || closing_)
                continue;
            if (made > 0)
                chkThumb.emplace_back();
            ThumbCell& cell = chkThumb.back();
            cell.Tag = name;
            cell.ToolTipText = name;
            cell.Picture = std::move(*tile);
            cell.Caption = FitCaption(name);
            cell.Value = 0;
            cell.Visible = true;
            ++made;
        }
        picProgress->hide();
        if (closing_) {
            loading_ = false;
            return;
        }
        FinishLoad(listed, made);
    }
    loading_ = false;
    Q_EMIT LoadFinished();
}

void frmThumbs::FinishLoad(int listed, int made)
{
    if (listed == 0) {
        chkThumb[0].Value = 0;
        chkThumb[0].Visible = false;
        UpdateToolbar();
        module1_.Services().dialogs.MsgBox(this,
            "There are no image files to display in the current directory.  Please select BROWSE "
            "to select a new source folder.",
            platform::MsgBoxStyle::Information, "Glimmerbox");
        return;
    }
    // When every listed file failed, cell 0 holds nothing of this folder; it stays hidden so
    // that no file of an earlier folder can be ticked and acted on.
    chkThumb[0].Visible = made > 0;
    chkThumb[0].Value = 0;
    Form_Resize();
    picSlide->show();
    panels_[1]->setText(core::FileCountText(made));
    UpdateToolbar();
}

void frmThumbs::BeginProgress()
{
    const QStatusBar* bar = statusBar();
    const QRect panel = panels_[2]->geometry();
    picProgress->Begin(QRect(bar->x() + panel.x(), bar->y() + 1, panel.width(), bar->height() - 1));
}

void frmThumbs::StepProgress(int percent, const QString& text)
{
    picProgress->Step(percent, text);
    Q_EMIT ProgressStepped(percent, text);
    QCoreApplication::processEvents();
}

} // namespace gb::browser

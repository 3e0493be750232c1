// The main window's ticks and toolbar commands.
#include "about/frm_about.h"
#include "browser/frm_thumbs.h"
#include "browser/thumb_grid.h"
#include "module1/module1.h"
#include "module1/tasks.h"
#include "platform/app_info.h"
#include "platform/dialogs.h"
#include "platform/file_operations.h"
#include "rename/frm_rename.h"
#include "slideshow/frm_slide_show.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QUrl>

namespace gb::browser {

namespace {

    // Every file is tried; one that cannot go never stops the others. One that another program
    // removed since the folder was listed is gone, as asked, and not worth a word. Each that
    // stays is reported with why.
    QStringList DeleteEach(platform::IFileOperations& files, const QString& folder,
        const QStringList& names, const app::StopToken& stop)
    {
        QStringList failures;
        for (const QString& name : names) {
            if (stop.Stopped())
                break;
            const platform::FileError error = files.DeleteFile(folder + name);
            if (error.Ok() || error.number == platform::FileErrorNumber::FileNotFound)
                continue;
            const bool toldWhy = error.reason.isEmpty() || error.description.contains(error.reason);
            failures << QStringLiteral("%1: %2").arg(name, error.description)
                    + (toldWhy ? QString() : " (" + error.reason + ")");
        }
        return failures;
    }

} // namespace

void frmThumbs::chkThumb_Click(int index)
{
    // Ticking 100,000 cells at once shows only the last one's path; it is shown once, at the end.
    if (settingEveryValue_) {
        lastChanged_ = index;
        return;
    }
    QString path = filHidden.Path();
    if (!path.isEmpty() && !path.endsWith(u'/'))
        path += u'/';
    const ThumbCell& cell = chkThumb[static_cast<size_t>(index)];
    Panel(StatusPanel::Path)->setText(cell.Value ? path + cell.Tag : path);
    UpdateToolbar();
}

void frmThumbs::SetValue(int index, int value)
{
    ThumbCell& cell = chkThumb[static_cast<size_t>(index)];
    if (cell.Value == value)
        return;
    // A change of value, by the user or by the program, goes through the click handling.
    tickedCount_ += (value != 0 ? 1 : 0) - (cell.Value != 0 ? 1 : 0);
    cell.Value = value;
    picSlide->update(picSlide->CellRect(index));
    chkThumb_Click(index);
}

void frmThumbs::ToggleCell(int index, Qt::KeyboardModifiers modifiers)
{
    if (IsLoading())
        return;
    if ((modifiers & Qt::ShiftModifier) && anchorIndex_ >= 0
        && anchorIndex_ < static_cast<int>(chkThumb.size())) {
        const int from = std::min(anchorIndex_, index);
        const int to = std::max(anchorIndex_, index);
        for (int i = from; i <= to; ++i)
            SetValue(i, 1);
        return;
    }
    SetValue(index, chkThumb[static_cast<size_t>(index)].Value ? 0 : 1);
    anchorIndex_ = index;
}

void frmThumbs::chkThumb_MouseUp(int index, Qt::MouseButton button, QPoint globalPos)
{
    MenuIndex_ = index;
    if (button == Qt::RightButton && !IsLoading())
        mnuMenu->popup(globalPos);
}

// Ticks every shown cell, or unticks every cell, in cell order.
void frmThumbs::SetEveryValue(int value)
{
    settingEveryValue_ = true;
    lastChanged_ = -1;
    for (size_t i = 0; i < chkThumb.size(); ++i) {
        if (value ? chkThumb[i].Visible : tickedCount_ > 0)
            SetValue(static_cast<int>(i), value);
    }
    settingEveryValue_ = false;
    if (lastChanged_ >= 0)
        chkThumb_Click(lastChanged_);
}

void frmThumbs::SelectAll()
{
    if (!IsLoading())
        SetEveryValue(1);
}

core::FilesPtr frmThumbs::GetSelectedFiles() const
{
    auto files = std::make_shared<core::Files>();
    files->Reserve(tickedCount_);
    for (const ThumbCell& cell : chkThumb) {
        if (cell.Value)
            files->Append(cell.Tag, SourcePath_);
    }
    return files;
}

void frmThumbs::tbrMain_ButtonClick(const QString& key)
{
    // Commands that hand over the selection wait until a running load has ended; Browse and
    // Refresh start a new load, which stops the running one.
    const bool anyTime = key == QLatin1String("Exit") || key == QLatin1String("Help")
        || key == QLatin1String("Browse") || key == QLatin1String("Refresh");
    // While files are being deleted the selection is in hand: it reloads once they are gone.
    if ((IsLoading() || deleting_) && !anyTime)
        return;
    if (key == QLatin1String("Browse"))
        ChooseSourceFolder(false);
    else if (key == QLatin1String("Delete"))
        DeleteSelected();
    else if (key == QLatin1String("Rename"))
        RenameSelected();
    else if (key == QLatin1String("Slideshow"))
        SlideShowSelected();
    else if (key == QLatin1String("About"))
        ShowAbout();
    else if (key == QLatin1String("SelectAll"))
        SelectAll();
    else if (key == QLatin1String("Refresh"))
        LoadThumbnails();
    else if (key == QLatin1String("Help"))
        ShowHelp();
    else if (key == QLatin1String("Exit"))
        close();
}

void frmThumbs::DeleteSelected()
{
    if (deleting_)
        return;
    QStringList names;
    for (const ThumbCell& cell : chkThumb) {
        if (cell.Value)
            names << cell.Tag;
    }
    const QString prompt
        = "You are about to delete all selected files listed below! Are you sure?\n"
        + names.join(u'\n') + u'\n';
    platform::IDialogs& dialogs = module1_.Services().dialogs;
    if (dialogs.MsgBox(this, prompt, platform::MsgBoxStyle::YesNo, "GLIMMERBOX - DELETING FILE(S)")
        != platform::MsgBoxResult::Yes)
        return;

    // On a worker, one file after the other: the window still paints and closes while storage
    // stalls. Once the window has gone, the file in hand is the last.
    deleting_ = true;
    const app::StopToken stop;
    auto* running = new QObject(this); // goes with the window, which stops the work
    connect(running, &QObject::destroyed, [stop] { stop.Stop(); });
    app::Run(
        app::Lane::Storage, this,
        [&files = module1_.Services().files, folder = SourcePath_, names, stop] {
            return DeleteEach(files, folder, names, stop);
        },
        [this, running](const QStringList& failures) {
            delete running;
            deleting_ = false;
            Panel(StatusPanel::Path)->setText(SourcePath_);
            SetEveryValue(0);
            LoadThumbnails();
            if (!failures.isEmpty())
                Inform("These files were not deleted:\n" + failures.join(u'\n'));
        });
}

void frmThumbs::RenameSelected()
{
    if (!frmRename_)
        frmRename_ = new rename::frmRename(module1_, this);
    frmRename_->SetFiles(GetSelectedFiles());
    hide();
    QCoreApplication::processEvents();
    frmRename_->ShowModal();
    QCoreApplication::processEvents();
    show();
    // Renamed, moved and new files appear.
    LoadThumbnails();
}

void frmThumbs::SlideShowSelected()
{
    if (!frmSlideShow_)
        frmSlideShow_ = new slideshow::frmSlideShow(module1_, this);
    frmSlideShow_->SetFiles(GetSelectedFiles());
    // Taken before hiding: the show goes full screen where the user was looking.
    QScreen* screen = this->screen();
    hide();
    QCoreApplication::processEvents();
    frmSlideShow_->ShowModal(screen);
    QCoreApplication::processEvents();
    show();
}

void frmThumbs::ShowAbout()
{
    // The main window stays up behind it; as its parent it also lends it the program's icon.
    if (!frmAbout_)
        frmAbout_ = new about::frmAbout(module1_, this);
    frmAbout_->ShowModal();
}

void frmThumbs::ShowHelp()
{
    const QUrl page(module1_.Services().appInfo.HelpSite() + "/GBHelp/toc.htm");
    // Pages installed with the program need no connection, so only a web site is announced.
    if (page.isLocalFile()) {
        if (QFileInfo(page.toLocalFile()).isFile())
            module1_.OpenDocument(this, page.toString());
        else
            Inform("The Glimmerbox Help pages were not found:\n" + page.toLocalFile());
        return;
    }
    const int answer = module1_.Services().dialogs.MsgBox(this,
        "All Help Documentation for Glimmerbox is On-Line.\n"
        "You must be connected to the internet to access Glimmerbox Help",
        platform::MsgBoxStyle::OkCancel, QString());
    if (answer == platform::MsgBoxResult::Ok)
        module1_.OpenDocument(this, page.toString());
}

void frmThumbs::Inform(const QString& text)
{
    module1_.Services().dialogs.MsgBox(
        this, text, platform::MsgBoxStyle::Information, "Glimmerbox");
}

} // namespace gb::browser

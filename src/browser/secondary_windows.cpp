#include "browser/secondary_windows.h"

#include "about/frm_about.h"
#include "options/frm_options.h"
#include "rename/frm_rename.h"
#include "slideshow/frm_slide_show.h"

namespace gb::browser {

SecondaryWindows::SecondaryWindows(app::Module1& module1, QWidget& main)
    : QObject(&main)
    , module1_(module1)
    , main_(main)
{
}

void SecondaryWindows::Rename(core::FilesPtr files)
{
    if (!frmRename_)
        frmRename_ = new rename::frmRename(module1_, &main_);
    frmRename_->SetFiles(std::move(files));
    main_.hide();
    frmRename_->ShowModal();
    main_.show();
}

void SecondaryWindows::SlideShow(core::FilesPtr files, int start)
{
    if (!frmSlideShow_)
        frmSlideShow_ = new slideshow::frmSlideShow(module1_, &main_);
    frmSlideShow_->SetFiles(std::move(files));
    if (start >= 0)
        frmSlideShow_->SetCurrentIndex(start);
    // Taken before hiding: the show goes full screen where the person was looking.
    QScreen* screen = main_.screen();
    main_.hide();
    frmSlideShow_->ShowModal(screen);
    main_.show();
}

void SecondaryWindows::About()
{
    // As the main window's child it also takes the program's icon from it.
    if (!frmAbout_)
        frmAbout_ = new about::frmAbout(module1_, &main_);
    frmAbout_->ShowModal();
}

bool SecondaryWindows::Options()
{
    if (!frmOptions_)
        frmOptions_ = new options::frmOptions(module1_, &main_);
    return frmOptions_->ShowModal() == options::frmOptions::Outcome::FolderOptionsChanged;
}

} // namespace gb::browser

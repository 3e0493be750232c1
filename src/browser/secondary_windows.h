#pragma once

#include "core/files_dictionary.h"

#include <QObject>

class QWidget;

namespace gb::app {
class Module1;
}
namespace gb::rename {
class frmRename;
}
namespace gb::slideshow {
class frmSlideShow;
}
namespace gb::about {
class frmAbout;
}

namespace gb::browser {

// The windows the main window opens: the rename window, the slide show and About. Each is made
// on first use and kept, as a child of the main window, for the rest of the run. Rename and the
// slide show take a selection and stand in for the main window while they are open.
class SecondaryWindows : public QObject {
    Q_OBJECT
public:
    SecondaryWindows(app::Module1& module1, QWidget& main);

    void Rename(core::FilesPtr files);
    void SlideShow(core::FilesPtr files);
    // Over the main window, which stays up behind it.
    void About();

    rename::frmRename* RenameWindow() const { return frmRename_; }
    about::frmAbout* AboutWindow() const { return frmAbout_; }

private:
    app::Module1& module1_;
    QWidget& main_;
    rename::frmRename* frmRename_ = nullptr;
    slideshow::frmSlideShow* frmSlideShow_ = nullptr;
    about::frmAbout* frmAbout_ = nullptr;
};

} // namespace gb::browser

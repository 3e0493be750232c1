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
namespace gb::options {
class frmOptions;
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
    // From the file at `start` when one is given, else where the last showing was left.
    void SlideShow(core::FilesPtr files, int start = -1);
    // Over the main window, which stays up behind it.
    void About();
    // Over the main window; true when an option that a folder load reads was changed.
    bool Options();

    rename::frmRename* RenameWindow() const { return frmRename_; }
    about::frmAbout* AboutWindow() const { return frmAbout_; }

private:
    app::Module1& module1_;
    QWidget& main_;
    rename::frmRename* frmRename_ = nullptr;
    slideshow::frmSlideShow* frmSlideShow_ = nullptr;
    about::frmAbout* frmAbout_ = nullptr;
    options::frmOptions* frmOptions_ = nullptr;
};

} // namespace gb::browser

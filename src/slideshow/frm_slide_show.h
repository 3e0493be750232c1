#pragma once

#include "core/files_dictionary.h"
#include "slideshow/picture_prefetcher.h"

#include <QDialog>
#include <QImage>
#include <array>
#include <optional>

class QAction;
class QLabel;
class QScreen;
class QTimer;
class QToolBar;

namespace gb::app {
class Module1;
}

namespace gb::slideshow {

// The show's toolbar buttons, in their order on the bar.
enum class SlideButton { Left, Right, Play, Stop, Exit };

// The slide show: the handed-over files one at a time on a black, maximised window, each at its
// own size and centred, stepped by hand or every two seconds, wrapping around at both ends.
// One long-lived object: the position and the selection outlive a showing, and every showing
// starts stopped with its controls as designed.
class frmSlideShow : public QDialog {
    Q_OBJECT
public:
    explicit frmSlideShow(app::Module1& module1, QWidget* parent = nullptr);
    ~frmSlideShow() override;

    void SetFiles(core::FilesPtr files) { Files_ = std::move(files); }
    // The selection; an empty one is made when none was handed over.
    core::FilesPtr Files();
    int CurrentIndex() const { return CurrentIndex_; }
    // Where the next showing starts; one outside the files starts at the first.
    void SetCurrentIndex(int index) { CurrentIndex_ = index; }

    // Resets the controls and runs the window modally, maximised on `screen` (the primary screen
    // when null). Returns when the window has been closed.
    int ShowModal(QScreen* screen);

    // The show's clock, for tests that cannot wait two seconds a step.
    QTimer& Timer() const { return *Timer1; }

    void done(int result) override;

Q_SIGNALS:
    // The file at `index` is on screen, or its name on black when it could not be loaded.
    void PictureShown(int index);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildToolbar();
    void PlaceOnScreen(QScreen* screen);
    void Form_Load();
    void Form_Activate();
    void Form_Click();
    void picImage_Click();
    void Timer1_Timer();
    void Toolbar1_ButtonClick(const QString& key);
    void SetRunning(bool running);
    void StepForward();
    void StepBack();
    void ShowCurrentFile();
    void ShowLoaded(int index, std::optional<platform::LoadedPicture> picture);
    void ShowPicture(std::optional<platform::LoadedPicture> picture, const QString& name);
    void CenterImage();
    void FitImage();
    void PlaceCaption();
    QString FilePath(int index);
    int Wrapped(int index);
    QAction* Button(SlideButton which) const { return Buttons_[static_cast<size_t>(which)]; }

    app::Module1& module1_;
    core::FilesPtr Files_;
    int CurrentIndex_ = 0;
    int direction_ = 1; // the way the show last moved, where the next picture is decoded ahead
    bool activated_ = false;
    bool running_ = false; // the clock steps the show; only Stop and Exit answer meanwhile
    // A picture larger than the window is shrunk to fit it (an option); the picture as decoded
    // is kept, to fit it again when the window's size changes.
    bool fitPictures_ = false;
    QImage unfitted_;
    bool shrunk_ = false; // the picture shown was shrunk to fit
    PicturePrefetcher prefetcher_;

    QToolBar* Toolbar1 = nullptr;
    std::array<QAction*, 5> Buttons_ = {}; // in SlideButton order
    QTimer* Timer1 = nullptr;
    QLabel* picImage = nullptr;
    QLabel* lblFileName = nullptr;
};

} // namespace gb::slideshow

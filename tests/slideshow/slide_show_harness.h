#pragma once

#include "samplegen/image_writers.h"
#include "slideshow/frm_slide_show.h"
#include "support/test_services.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string_view>

namespace gb::test {

// The real picture loader, noting of every load whether it ran on a worker thread; it can hold
// back the loads of one file until released.
class RecordingLoader : public platform::IPictureLoader {
public:
    explicit RecordingLoader(const platform::IPictureLoader& real)
        : real_(real)
    {
    }
    std::optional<platform::LoadedPicture> LoadPicture(
        const QString& path, const platform::PictureOptions& options) const override
    {
        {
            std::unique_lock lock(mutex_);
            loads_[path] << (QThread::currentThread() != qApp->thread());
            ++running_;
            released_.wait(lock, [&] { return held_ != path; });
        }
        std::optional<platform::LoadedPicture> picture = real_.LoadPicture(path, options);
        std::lock_guard lock(mutex_);
        --running_;
        return picture;
    }
    // The loads of `path` so far, copied while the workers are kept out.
    QList<bool> Loads(const QString& path) const
    {
        std::lock_guard lock(mutex_);
        return loads_.value(path);
    }
    int Running() const
    {
        std::lock_guard lock(mutex_);
        return running_;
    }
    // Until `path` has been loaded and no load runs, as while the user looks at a picture.
    bool WaitForLoad(const QString& path) const
    {
        return QTest::qWaitFor([&] { return !Loads(path).isEmpty() && Running() == 0; });
    }
    void Hold(const QString& path)
    {
        std::lock_guard lock(mutex_);
        held_ = path;
    }
    void Release()
    {
        Hold(QString());
        released_.notify_all();
    }

private:
    const platform::IPictureLoader& real_;
    mutable std::mutex mutex_;
    mutable std::condition_variable released_;
    mutable QHash<QString, QList<bool>> loads_;
    mutable int running_ = 0;
    QString held_;
};

inline const QColor kPictureColour(90, 140, 200);

// A BMP of one colour; files on screen are told apart by their sizes.
inline QByteArray PictureFile(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(kPictureColour);
    return tools::WriteBmp(image);
}
inline QSize SizeAt(int position) { return QSize(40 + 2 * position, 30 + position); }

// Runs `show` (a modal showing of `window`) and `body` inside it once the window is on screen;
// closes the window if the body left it open.
inline int WhileModal(
    QDialog& window, const std::function<int()>& show, const std::function<void()>& body)
{
    QTimer::singleShot(0, &window, [&] {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        body();
        if (window.isVisible())
            window.done(QDialog::Rejected);
    });
    return show();
}

// The slide show window on the test services, with a folder of real pictures to show.
struct SlideShowHarness : TestServices {
    // Selects these files, writing the missing ones: SizeAt(i) for the i-th unless told.
    void Select(const QStringList& names, const QMap<QString, QSize>& sizes = {})
    {
        auto selection = std::make_shared<core::Files>();
        for (int i = 0; i < names.size(); ++i) {
            if (!QFile::exists(photos.File(names[i])))
                photos.Write(names[i], PictureFile(sizes.value(names[i], SizeAt(i))));
            selection->SetItem(names[i], photos.Path() + "/");
        }
        window.SetFiles(selection);
    }
    // Opens the show and runs `body` once its first picture is up.
    void WhileOpen(const std::function<void()>& body)
    {
        shown.clear();
        WhileModal(
            window, [&] { return window.ShowModal(nullptr); },
            [&] {
                EXPECT_TRUE(QTest::qWaitFor([&] { return !shown.isEmpty(); }));
                body();
            });
    }
    // One step a letter: the buttons L(eft), R(ight), P(lay), S(top); left clicks on the w(indow)
    // low on the left, the p(icture) and the empty end of the t(oolbar); a r(ight) click.
    void Do(std::string_view steps)
    {
        auto* bar = window.findChild<QToolBar*>("Toolbar1");
        const QPoint low(4, window.height() - 4);
        for (char step : steps) {
            if (step == 'w' || step == 'r')
                QTest::mouseClick(&window, step == 'w' ? Qt::LeftButton : Qt::RightButton, {}, low);
            else if (step == 'p')
                QTest::mouseClick(Picture(), Qt::LeftButton, {}, QPoint(2, 2));
            else if (step == 't')
                QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() - 3, 3));
            else
                Button(step == 'L'    ? "Left"
                        : step == 'R' ? "Right"
                        : step == 'P' ? "Play"
                                      : "Stop")
                    ->trigger();
        }
    }
    // Which of Left, Right, Play, Stop and Exit are enabled, and whether the clock runs.
    QString Controls()
    {
        QString state;
        for (const char* key : { "Left", "Right", "Play", "Stop", "Exit" })
            state += Button(key)->isEnabled() ? '+' : '-';
        return state + (window.Timer().isActive() ? " running" : " stopped");
    }
    QAction* Button(const char* key) { return window.findChild<QAction*>(key); }
    QLabel* Picture() { return window.findChild<QLabel*>("picImage"); }
    QLabel* Caption() { return window.findChild<QLabel*>("lblFileName"); }
    QSize ShownSize() { return Picture()->isVisible() ? Picture()->pixmap().size() : QSize(); }
    int LastShown() { return shown.isEmpty() ? -1 : shown.last().at(0).toInt(); }

    RecordingLoader loader { pictures };
    platform::Services recorded { profile, loader, dialogs, appInfo, shell, wallpaper, *usedFiles,
        registry, thumbnails };
    app::Module1 recordedModule { recorded };
    TempFolder photos;
    slideshow::frmSlideShow window { recordedModule };
    QSignalSpy shown { &window, &slideshow::frmSlideShow::PictureShown };
};

} // namespace gb::test

#pragma once

#include "samplegen/image_writers.h"
#include "slideshow/frm_slide_show.h"
#include "support/test_services.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMap>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <functional>
#include <mutex>

namespace gb::test {

// The real picture loader, noting every file it is asked for and whether that happened on the
// window's thread or on a worker.
class RecordingLoader : public platform::IPictureLoader {
public:
    explicit RecordingLoader(const platform::IPictureLoader& real)
        : real_(real)
    {
    }
    struct Load {
        QString path;
        bool onWorker;
    };

    std::optional<platform::LoadedPicture> LoadPicture(
        const QString& path, const platform::PictureOptions& options) const override
    {
        {
            std::lock_guard lock(mutex_);
            loads_.push_back({ path, QThread::currentThread() != qApp->thread() });
            ++running_;
        }
        std::optional<platform::LoadedPicture> picture = real_.LoadPicture(path, options);
        std::lock_guard lock(mutex_);
        --running_;
        return picture;
    }
    QList<Load> Loads() const
    {
        std::lock_guard lock(mutex_);
        return loads_;
    }
    // How often `path` was loaded, and whether the last time was on a worker.
    int Count(const QString& path) const
    {
        int count = 0;
        for (const Load& load : Loads())
            count += load.path == path ? 1 : 0;
        return count;
    }
    bool LastOnWorker(const QString& path) const
    {
        const QList<Load> loads = Loads();
        for (auto it = loads.crbegin(); it != loads.crend(); ++it) {
            if (it->path == path)
                return it->onWorker;
        }
        return false;
    }
    // Waits until `path` has been loaded `times` times in all and no load is running, as when
    // the user looks at a picture while the next one is decoded.
    bool WaitForLoads(const QString& path, int times = 1) const
    {
        return QTest::qWaitFor([&] { return Count(path) >= times && Running() == 0; });
    }
    int Running() const
    {
        std::lock_guard lock(mutex_);
        return running_;
    }

private:
    const platform::IPictureLoader& real_;
    mutable std::mutex mutex_;
    mutable QList<Load> loads_;
    mutable int running_ = 0;
};

// A plain picture of one colour, so that a file on screen can be told from the others by size.
inline QByteArray PictureFile(QSize size, QColor colour = QColor(90, 140, 200))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return tools::WriteBmp(image);
}

// The slide show window on the test services, with a folder of real pictures to show.
struct SlideShowHarness : TestServices {
    SlideShowHarness() { window.SetFiles(std::make_shared<core::Files>()); }

    // Writes the pictures into `photos` and selects them, in this order; the file at position i
    // is 40 + 2i by 30 + i pixels unless a size is given.
    void Select(const QStringList& names, const QMap<QString, QSize>& sizes = {})
    {
        auto selection = std::make_shared<core::Files>();
        for (int i = 0; i < names.size(); ++i) {
            const QSize size = sizes.value(names[i], QSize(40 + 2 * i, 30 + i));
            if (!QFile::exists(photos.File(names[i])))
                photos.Write(names[i], PictureFile(size));
            selection->SetItem(names[i], photos.Path() + "/");
        }
        window.SetFiles(selection);
    }

    // Opens the window, runs `body` once its first picture is up, then closes it with Exit
    // unless the body closed it. Returns what the modal showing returned.
    int WhileOpen(const std::function<void()>& body)
    {
        shown.clear();
        QTimer::singleShot(0, &window, [&] {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
            EXPECT_TRUE(QTest::qWaitFor([&] { return !shown.isEmpty(); }));
            body();
            if (window.isVisible())
                Button("Exit")->trigger();
        });
        return window.ShowModal(QGuiApplication::primaryScreen());
    }

    QAction* Button(const char* key) { return window.findChild<QAction*>(QLatin1String(key)); }
    QLabel* Picture() { return window.findChild<QLabel*>(QStringLiteral("picImage")); }
    QLabel* Caption() { return window.findChild<QLabel*>(QStringLiteral("lblFileName")); }
    QSize ShownSize() { return Picture()->isVisible() ? Picture()->pixmap().size() : QSize(); }
    // The position of the file that went on screen last.
    int LastShown() { return shown.isEmpty() ? -1 : shown.last().at(0).toInt(); }
    void ClickWindow()
    {
        // Low on the left, away from the toolbar and from small centred pictures.
        QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(4, window.height() - 4));
    }
    void ClickPicture() { QTest::mouseClick(Picture(), Qt::LeftButton, {}, QPoint(2, 2)); }

    RecordingLoader loader { pictures };
    platform::Services recorded { profile, loader, dialogs, appInfo, shell, wallpaper, *usedFiles,
        registry, thumbnails };
    app::Module1 recordedModule { recorded };
    TempFolder photos;
    slideshow::frmSlideShow window { recordedModule };
    QSignalSpy shown { &window, &slideshow::frmSlideShow::PictureShown };
};

} // namespace gb::test

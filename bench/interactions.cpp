#include "interactions.h"

#include "browser/frm_thumbs.h"
#include "browser/main_toolbar.h"
#include "browser/thumb_grid.h"
#include "platform/dialogs.h"
#include "platform/file_operations.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <sys/resource.h>

namespace gb::bench {

namespace {

    QElapsedTimer& Clock()
    {
        static QElapsedTimer clock;
        if (!clock.isValid())
            clock.start();
        return clock;
    }

    double MsSince(qint64 startNs)
    {
        return static_cast<double>(Clock().nsecsElapsed() - startNs) / 1e6;
    }

    double PeakRssMb()
    {
        rusage usage {};
        getrusage(RUSAGE_SELF, &usage);
        return static_cast<double>(usage.ru_maxrss) / 1024.0;
    }

    // Starts `open` (which runs a modal window) and calls `inside` with that window once it is
    // up; returns the milliseconds from the start until then.
    double TimeModal(const std::function<void()>& open, const std::function<void(QDialog&)>& inside)
    {
        double ms = -1;
        QTimer poll;
        poll.setInterval(0);
        const qint64 start = Clock().nsecsElapsed();
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            poll.stop();
            ms = MsSince(start);
            inside(*dialog);
        });
        poll.start();
        open();
        return ms;
    }

} // namespace

class InteractionServices::Dialogs : public platform::IDialogs {
public:
    int MsgBox(QWidget*, const QString&, int style, const QString&) override
    {
        return style & platform::MsgBoxStyle::YesNo ? platform::MsgBoxResult::Yes
                                                    : platform::MsgBoxResult::Ok;
    }
    QString BrowseForFolder(QWidget*, const QString&, const QString&) override { return {}; }
    QString SaveAs(QWidget*, const QString&, const QString&) override { return {}; }
};

class InteractionServices::Files : public platform::IFileOperations {
public:
    explicit Files(platform::IFileOperations& real)
        : real_(real)
    {
    }
    platform::FileError DeleteFile(const QString& path, bool force) override
    {
        platform::FileError error = real_.DeleteFile(path, force);
        lastDeletionNs = Clock().nsecsElapsed();
        return error;
    }
    std::unique_ptr<platform::IFolderWatch> WatchFolder(const QString& folder) const override
    {
        return real_.WatchFolder(folder);
    }
    platform::FileError MoveToTrash(const QString& path) override
    {
        return real_.MoveToTrash(path);
    }
    platform::FileError CopyFile(
        const QString& source, const QString& target, bool overwrite) override
    {
        return real_.CopyFile(source, target, overwrite);
    }
    platform::FileError WriteFile(const QString& path, const QByteArray& bytes) override
    {
        return real_.WriteFile(path, bytes);
    }
    void RemoveLeftovers(const QString& folder) override { real_.RemoveLeftovers(folder); }
    platform::FileError MakeFolder(const QString& path) override { return real_.MakeFolder(path); }
    bool IsSameFile(const QString& first, const QString& second) override
    {
        return real_.IsSameFile(first, second);
    }
    bool IsReadable(const QString& path) const override { return real_.IsReadable(path); }
    platform::StorageKind StorageKindOf(const QString& path) const override
    {
        return real_.StorageKindOf(path);
    }
    std::optional<platform::FileStamp> StampOf(const QString& path) const override
    {
        return real_.StampOf(path);
    }
    qint64 lastDeletionNs = 0;

private:
    platform::IFileOperations& real_;
};

InteractionServices::InteractionServices(platform::LinuxPlatform& real)
    : dialogs_(std::make_unique<Dialogs>())
    , files_(std::make_unique<Files>(real.Files()))
    , services_(real.With(*dialogs_, *files_))
{
}

InteractionServices::~InteractionServices() = default;

qint64 InteractionServices::LastDeletionNs() const { return files_->lastDeletionNs; }

namespace {

    void Trigger(browser::frmThumbs& window, const char* key)
    {
        window.Toolbar().Button(QString::fromLatin1(key))->trigger();
    }

    void TimeSelection(browser::frmThumbs& window, InteractionTimes& times)
    {
        const qint64 start = Clock().nsecsElapsed();
        Trigger(window, "SelectAll");
        QCoreApplication::processEvents();
        times.selectAllMs = MsSince(start);
        std::vector<double> calls;
        for (int i = 0; i < 5; ++i) {
            const qint64 call = Clock().nsecsElapsed();
            (void)window.GetSelectedFiles();
            calls.push_back(MsSince(call));
        }
        std::sort(calls.begin(), calls.end());
        times.selectedFilesMs = calls[calls.size() / 2];
    }

    // The rename window is stepped to the last file and closed, which reloads the folder.
    void TimeWindows(browser::frmThumbs& window, InteractionTimes& times)
    {
        times.slideShowOpenMs
            = TimeModal([&] { Trigger(window, "Slideshow"); }, [](QDialog& show) { show.close(); });
        times.renameOpenMs = TimeModal([&] { Trigger(window, "Rename"); },
            [&](QDialog& rename) {
                auto* next = rename.findChild<QPushButton*>(QStringLiteral("cmdNext"));
                while (next && next->isEnabled()) {
                    const qint64 step = Clock().nsecsElapsed();
                    next->click();
                    QCoreApplication::processEvents();
                    times.renameStepMs.push_back(MsSince(step));
                }
                rename.findChild<QPushButton*>(QStringLiteral("cmdDone"))->click();
            });
    }

    // Unticking happens between the last deletion and the reload, which starts by hiding the
    // grid.
    class HideWatch : public QObject {
    public:
        qint64 hiddenNs = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Hide && hiddenNs == 0)
                hiddenNs = Clock().nsecsElapsed();
            return false;
        }
    };

} // namespace

InteractionTimes TimeInteractions(browser::frmThumbs& window, const InteractionServices& services)
{
    InteractionTimes times;
    TimeSelection(window, times);
    TimeWindows(window, times);
    // Closing the rename window loads the folder again; the Delete comes once that has ended.
    while (window.IsLoading())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    Trigger(window, "SelectAll");
    HideWatch watch;
    window.Grid().installEventFilter(&watch);
    Trigger(window, "Delete");
    // The files are deleted on a worker; the unticking follows the last of them.
    const QDeadlineTimer deadline(std::chrono::minutes(10));
    while (watch.hiddenNs == 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    window.Grid().removeEventFilter(&watch);
    times.untickMs = static_cast<double>(watch.hiddenNs - services.LastDeletionNs()) / 1e6;
    times.peakRssMb = PeakRssMb();
    return times;
}

} // namespace gb::bench

// Glimmerbox: a folder of pictures as a grid of tick-box thumbnails.
#include "app/command_line.h"
#include "app/contact_sheet.h"
#include "app/display_check.h"
#include "app/linux_services.h"
#include "browser/frm_thumbs.h"
#include "browser/thumb_grid.h"
#include "browser/tile_store.h"
#include "module1/module1.h"
#include "module1/tasks.h"
#include "platform/file_operations.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QSemaphore>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>

namespace {

using gb::app::CommandLine;

// Work still running may use the platform services, which go as main() returns. The serial lane
// writes the shared thumbnail cache and the tile store's scratch file: local files, given a while
// to finish. A read of the user's storage may never return (a share that stopped answering): when
// work is still out after a moment, the program ends here, the services left in place for it.
int EndOnceWorkIsDone(int exitStatus)
{
    constexpr int kSerialWorkWaitMs = 10000;
    constexpr auto kOtherWorkWait = std::chrono::seconds(1);
    QSemaphore done;
    gb::app::Post(gb::app::Lane::Serial, [&done] { done.release(); });
    if (!done.tryAcquire(1, kSerialWorkWaitMs) || !gb::app::WaitForLanes(kOtherWorkWait)) {
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(exitStatus); // the services stay for the jobs that still hold them
    }
    return exitStatus;
}

// Writes `image` as a PNG file at `path`, whole or not at all, as every file the program makes.
bool SavePng(gb::platform::IFileOperations& files, const QImage& image, const QString& path)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    return buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "PNG")
        && files.WriteFile(path, bytes).Ok();
}

// Loads the folder, draws its cells once the load has ended and ends the event loop with the
// program's status.
int RunContactSheet(gb::app::Module1& module1, const CommandLine& command)
{
    gb::browser::frmThumbs window(module1);
    window.Tiles().SetBudget(0); // the sheet draws every cell at once
    QObject::connect(&window, &gb::browser::frmThumbs::LoadFinished, &window, [&] {
        const QImage sheet
            = gb::app::RenderContactSheet(window.Grid().Model(), command.columns, window.palette());
        if (!SavePng(module1.Services().files, sheet, command.contactSheet)) {
            std::fprintf(
                stderr, "glimmerbox: cannot write \"%s\"\n", qPrintable(command.contactSheet));
            return QCoreApplication::exit(1);
        }
        std::printf("%s\n", qPrintable(window.PanelText(2)));
        QCoreApplication::exit(0);
    });
    QObject::connect(&window, &gb::browser::frmThumbs::LoadFailed, &window, [&] {
        std::fprintf(stderr, "glimmerbox: cannot open the folder \"%s\"\n",
            qPrintable(QDir::toNativeSeparators(command.folder)));
        QCoreApplication::exit(2);
    });
    if (!window.LoadFolder(gb::app::FolderToOpen(command.folder)))
        return 2;
    return EndOnceWorkIsDone(QApplication::exec());
}

// Saves a picture of `window` at `path` once its first load has ended, then closes it; `status`
// becomes 1 when the picture cannot be written. The picture shows the window as the user gets
// it: framed and activated where a window manager runs, which may come after the load. Should
// activation never come (no window manager, or one that ignores the window), the picture is
// taken after a short wait as the window is.
void ShootWhenLoaded(gb::browser::frmThumbs& window, gb::platform::IFileOperations& files,
    const QString& path, int& status)
{
    constexpr int kActivationWaitMs = 3000;
    const auto take = [&window, &files, path, &status] {
        if (SavePng(files, window.grab().toImage(), path)) {
            std::printf("%s\n", qPrintable(QDir(path).absolutePath()));
        } else {
            std::fprintf(stderr, "glimmerbox: cannot write \"%s\"\n", qPrintable(path));
            status = 1;
        }
        window.close();
    };
    // Taken from the event loop once what the activation brought (a resize, a repaint) is done.
    const auto shoot = [&window, take, taken = std::make_shared<bool>(false)] {
        if (!std::exchange(*taken, true))
            QTimer::singleShot(0, &window, take);
    };
    // The slots keep their own copy of `shoot`, which ends with this block.
    QObject::connect(
        &window, &gb::browser::frmThumbs::FirstActivationDone, &window, [&window, shoot] {
            if (window.isActiveWindow())
                return shoot();
            QObject::connect(
                window.windowHandle(), &QWindow::activeChanged, &window, [&window, shoot] {
                    if (window.isActiveWindow() && window.isVisible())
                        shoot();
                });
            // Without a window manager this gives the window the focus at once; with one, it
            // asks for it.
            window.activateWindow();
            QTimer::singleShot(kActivationWaitMs, &window, shoot);
        });
}

int RunWindow(gb::app::Module1& module1, const CommandLine& command)
{
    gb::browser::frmThumbs window(module1);
    if (!command.folder.isEmpty())
        window.SetStartFolder(command.folder);
    window.SetAlsoOpened(command.alsoOpened);
    int status = 0;
    if (!command.screenshot.isEmpty())
        ShootWhenLoaded(window, module1.Services().files, command.screenshot, status);
    window.show();
    const int loopStatus = QApplication::exec();
    // Ended before the window goes, which would wait for its tile reads.
    return EndOnceWorkIsDone(status != 0 ? status : loopStatus);
}

} // namespace

int main(int argc, char** argv)
{
    // The command line is read before any display is opened: a mistake, --help and --version
    // need none.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine command = gb::app::ParseCommandLine(arguments);
    if (command.showVersion && command.error.isEmpty()) {
        std::printf("Glimmerbox %s\n", GLIMMERBOX_VERSION);
        return 0;
    }
    if (!command.error.isEmpty()) {
        std::fprintf(stderr, "glimmerbox: %s\n%s", qPrintable(command.error),
            qPrintable(gb::app::UsageHint()));
        return 2;
    }
    if (command.showHelp) {
        std::printf("%s", qPrintable(gb::app::UsageText()));
        return 0;
    }

    gb::app::UseOffscreenWhenHeadless(command);
    gb::app::DisplayCheck display(command);
    if (!display.WhyNot().isEmpty()) {
        std::fprintf(stderr, "glimmerbox: %s\n", qPrintable(display.WhyNot()));
        return 1;
    }
    QApplication app(argc, argv);
    display.Release();
    QApplication::setApplicationName(QStringLiteral("Glimmerbox"));
    // Lets Wayland desktops match the window to its launcher entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.glimmerbox.Glimmerbox"));
    QApplication::setApplicationVersion(QStringLiteral(GLIMMERBOX_VERSION));

    const bool unattended = !command.contactSheet.isEmpty() || !command.screenshot.isEmpty();
    gb::app::LinuxServices services(unattended);
    gb::app::Module1 module1(services.Services());
    // A picture opened by name is shown, whatever its type.
    if (command.allTypes
        || gb::browser::StartPicture::NamesTypeShownOnRequest(
            QStringList { command.folder } + command.alsoOpened))
        module1.SetEveryPictureType(true, false);

    // Asked again now the window has gone: the tile reads it waited for as it went may have
    // handed the serial lane cache entries.
    return EndOnceWorkIsDone(command.contactSheet.isEmpty() ? RunWindow(module1, command)
                                                            : RunContactSheet(module1, command));
}

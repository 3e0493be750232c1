// Glimmerbox: a folder of pictures as a grid of tick-box thumbnails.
#include "app/command_line.h"
#include "app/contact_sheet.h"
#include "app/linux_services.h"
#include "browser/frm_thumbs.h"
#include "module1/module1.h"

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <memory>

namespace {

using gb::app::CommandLine;

// Without any display the unattended modes and the help still work, drawn offscreen. This runs
// before Qt has taken its own options off the command line, so it only looks for ours.
void UseOffscreenWhenHeadless(int argc, char** argv)
{
    static const QStringList kHeadless { "--contact-sheet", "--screenshot", "--help", "-h",
        "--version" };
    bool unattended = false;
    for (int i = 1; i < argc; ++i)
        unattended = unattended || kHeadless.contains(QString::fromLocal8Bit(argv[i]));
    if (unattended && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
        && qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

int RunContactSheet(gb::app::Module1& module1, const CommandLine& command)
{
    gb::browser::frmThumbs window(module1);
    if (!window.LoadFolder(gb::app::FolderToOpen(command.folder))) {
        std::fprintf(stderr, "glimmerbox: cannot open the folder \"%s\"\n",
            qPrintable(QDir::toNativeSeparators(command.folder)));
        return 2;
    }
    const QImage sheet
        = gb::app::RenderContactSheet(window.Cells(), command.columns, window.palette());
    if (!sheet.save(command.contactSheet, "PNG")) {
        std::fprintf(stderr, "glimmerbox: cannot write \"%s\"\n", qPrintable(command.contactSheet));
        return 1;
    }
    std::printf("%s\n", qPrintable(window.PanelText(2)));
    return 0;
}

int RunWindow(gb::app::Module1& module1, const CommandLine& command)
{
    gb::browser::frmThumbs window(module1);
    if (!command.folder.isEmpty())
        window.SetStartFolder(
            gb::app::FolderToOpen(command.folder), gb::app::PictureToFocus(command.folder));
    int status = 0;
    if (!command.screenshot.isEmpty()) {
        const auto shoot = [&] {
            QCoreApplication::processEvents();
            if (window.grab().save(command.screenshot, "PNG")) {
                std::printf("%s\n", qPrintable(QDir(command.screenshot).absolutePath()));
            } else {
                std::fprintf(
                    stderr, "glimmerbox: cannot write \"%s\"\n", qPrintable(command.screenshot));
                status = 1;
            }
            window.close();
        };
        // The picture is taken of the window as the user gets it: framed and activated by the
        // window manager, which may come after the first load. The slots keep their own copy of
        // `shoot`, which goes out of scope before they run.
        QObject::connect(
            &window, &gb::browser::frmThumbs::FirstActivationDone, &window, [&window, shoot] {
                if (window.isActiveWindow())
                    return shoot();
                QObject::connect(
                    window.windowHandle(), &QWindow::activeChanged, &window, [&window, shoot] {
                        if (window.isActiveWindow() && window.isVisible())
                            shoot();
                    });
            });
    }
    window.show();
    const int loopStatus = QApplication::exec();
    return status != 0 ? status : loopStatus;
}

} // namespace

int main(int argc, char** argv)
{
    UseOffscreenWhenHeadless(argc, argv);
    QApplication app(argc, argv); // takes Qt's own options (-platform, -style ...) off the list
    QApplication::setApplicationName(QStringLiteral("Glimmerbox"));
    // Lets Wayland desktops match the window to its launcher entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.glimmerbox.Glimmerbox"));
    QApplication::setApplicationVersion(QStringLiteral(GLIMMERBOX_VERSION));

    const CommandLine command = gb::app::ParseCommandLine(QCoreApplication::arguments().mid(1));
    if (command.showVersion && command.error.isEmpty()) {
        std::printf("Glimmerbox %s\n", GLIMMERBOX_VERSION);
        return 0;
    }
    if (command.showHelp || !command.error.isEmpty()) {
        if (!command.error.isEmpty())
            std::fprintf(stderr, "glimmerbox: %s\n", qPrintable(command.error));
        std::fprintf(command.showHelp ? stdout : stderr, "%s", qPrintable(gb::app::UsageText()));
        return command.showHelp && command.error.isEmpty() ? 0 : 2;
    }

    const bool unattended = !command.contactSheet.isEmpty() || !command.screenshot.isEmpty();
    gb::app::LinuxServices services(unattended);
    gb::app::Module1 module1(services.Services());

    if (!command.contactSheet.isEmpty())
        return RunContactSheet(module1, command);
    return RunWindow(module1, command);
}

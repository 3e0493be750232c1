#include "platform/desktop_shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <memory>
#include <optional>
#include <utility>

namespace gb::platform {

namespace {

    // The desktop ids of the programs GLib would open a file with, from what "gio mime" said:
    // the default first (when none is set, the first registered one stands in), then the rest.
    // nullopt when gio cannot tell.
    std::optional<QStringList> ProgramsFor(const CommandResult& gio)
    {
        if (!gio.Succeeded())
            return std::nullopt;
        QStringList programs;
        for (const QString& line : gio.standardOutput.split(u'\n')) {
            const QString id = line.section(QStringLiteral(": "), -1).trimmed();
            if (id.endsWith(QLatin1String(".desktop")) && !programs.contains(id))
                programs.append(id);
        }
        return programs;
    }

    // The installed programs among `programs` other than this one, in the same order.
    QStringList OtherPrograms(const QStringList& programs, const QString& self)
    {
        QStringList others;
        for (const QString& id : programs) {
            const QString desktopFile
                = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, id);
            if (id != self && !desktopFile.isEmpty())
                others.append(desktopFile);
        }
        return others;
    }

    bool Launch(const QString& desktopFile, const QString& path)
    {
        return QProcess::startDetached(
            QStringLiteral("gio"), { QStringLiteral("launch"), desktopFile, path });
    }

    // Desktops without a default list may make this very program the default for its picture
    // types, and for some (BMP, the metafiles) it may be the only one; View must then not start
    // another copy of it, which would only show the folder again. nullopt when gio cannot tell
    // which programs there are.
    std::optional<bool> OpenFile(const QString& path, const CommandResult& gio)
    {
        const QString self = QGuiApplication::desktopFileName() + QStringLiteral(".desktop");
        const std::optional<QStringList> programs = ProgramsFor(gio);
        if (!programs)
            return std::nullopt;
        const QStringList others = OtherPrograms(*programs, self);
        if (others.isEmpty())
            return false;
        // Without xdg-open (xdg-utils) the desktop's usual way is missing; GLib's serves.
        if (programs->first() == self || !QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
            return Launch(others.first(), path);
        return true;
    }

    bool OpenAddress(const QUrl& url) { return url.isValid() && QDesktopServices::openUrl(url); }

    // How long xdg-open is watched before a program is taken to have the file.
    constexpr std::chrono::seconds kXdgOpenPatience(10);

} // namespace

// xdg-open ends at once where the desktop has an opener of its own (gio, kde-open, exo-open), but
// on others it runs the program it chose and ends with it; so it is watched only for a while: an
// end within that says whether a program took the file (3: none is set up for it), one still
// running has started one. It is left to run, beyond the life of this shell. nullopt: there is
// no xdg-open.
void DesktopShell::OpenWithXdgOpen(
    const QString& path, const std::function<void(std::optional<bool>)>& done)
{
    auto* xdgOpen = new QProcess;
    const auto told = std::make_shared<bool>(false);
    const auto tell = [told, done](std::optional<bool> opened) {
        if (!std::exchange(*told, true))
            done(opened);
    };
    QObject::connect(xdgOpen, &QProcess::finished, xdgOpen, &QObject::deleteLater);
    QObject::connect(
        xdgOpen, &QProcess::finished, &watching_, [tell](int code, QProcess::ExitStatus status) {
            tell(status == QProcess::NormalExit && code == 0);
        });
    QObject::connect(xdgOpen, &QProcess::errorOccurred, &watching_,
        [xdgOpen, tell](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart) {
                xdgOpen->deleteLater();
                tell(std::nullopt);
            }
        });
    QTimer::singleShot(kXdgOpenPatience, &watching_, [tell] { tell(true); });
    xdgOpen->setProcessChannelMode(QProcess::ForwardedChannels);
    xdgOpen->setStandardInputFile(QProcess::nullDevice());
    xdgOpen->start(QStringLiteral("xdg-open"), { path });
}

void DesktopShell::OpenDocument(const QString& fileOrAddress, Done done)
{
    // A path is always taken as a file, even when it looks like an address ("a:b.jpg").
    if (!fileOrAddress.startsWith(u'/')) {
        done(OpenAddress(QUrl::fromUserInput(fileOrAddress)));
        return;
    }
    gio_.Start(QStringLiteral("gio"),
        { QStringLiteral("mime"), QMimeDatabase().mimeTypeForFile(fileOrAddress).name() },
        [this, path = fileOrAddress, done = std::move(done)](const CommandResult& gio) {
            if (const std::optional<bool> opened = OpenFile(path, gio)) {
                done(*opened);
                return;
            }
            // Without gio (xdg-utils alone) xdg-open decides, and its failure must be heard:
            // Qt's opener only tells that it started.
            OpenWithXdgOpen(path, [path, done](std::optional<bool> opened) {
                done(opened ? *opened : OpenAddress(QUrl::fromLocalFile(path)));
            });
        });
}

bool DesktopShell::StartProgram(const QString& commandLine)
{
    QStringList words = QProcess::splitCommand(commandLine);
    if (words.isEmpty())
        return false;
    const QString program = words.takeFirst();
    return QProcess::startDetached(program, words);
}

} // namespace gb::platform

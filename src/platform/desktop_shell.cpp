#include "platform/desktop_shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <optional>

namespace gb::platform {

namespace {

    constexpr int kGioTimeoutMs = 5000;

    // The desktop ids of the programs GLib would open a file of `mimeType` with: the default
    // first (when none is set, the first registered one stands in), then the rest.
    QStringList ProgramsFor(const QString& mimeType)
    {
        QProcess gio;
        gio.start(QStringLiteral("gio"), { QStringLiteral("mime"), mimeType });
        if (!gio.waitForFinished(kGioTimeoutMs)) {
            gio.kill();
            gio.waitForFinished();
            return {};
        }
        QStringList programs;
        for (const QString& line : QString::fromUtf8(gio.readAllStandardOutput()).split(u'\n')) {
            const QString id = line.section(QStringLiteral(": "), -1).trimmed();
            if (id.endsWith(QLatin1String(".desktop")) && !programs.contains(id))
                programs.append(id);
        }
        return programs;
    }

    // Desktops without a default list may make this very program the default for its picture
    // types; its View command must then not start another copy of it. The next program
    // registered for the type opens the file instead. nullopt: the desktop's default is another
    // program, so the usual way applies.
    std::optional<bool> OpenWithAnotherProgram(const QString& path)
    {
        const QString self = QGuiApplication::desktopFileName() + QStringLiteral(".desktop");
        const QStringList programs = ProgramsFor(QMimeDatabase().mimeTypeForFile(path).name());
        if (programs.value(0) != self)
            return std::nullopt;
        for (const QString& id : programs.mid(1)) {
            const QString desktopFile
                = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, id);
            if (id != self && !desktopFile.isEmpty())
                return QProcess::startDetached(
                    QStringLiteral("gio"), { QStringLiteral("launch"), desktopFile, path });
        }
        return false;
    }

} // namespace

bool DesktopShell::OpenDocument(const QString& fileOrAddress)
{
    // A path is always taken as a file, even when it looks like an address ("a:b.jpg").
    if (fileOrAddress.startsWith(u'/')) {
        if (const auto opened = OpenWithAnotherProgram(fileOrAddress))
            return *opened;
    }
    const QUrl url = fileOrAddress.startsWith(u'/') ? QUrl::fromLocalFile(fileOrAddress)
                                                    : QUrl::fromUserInput(fileOrAddress);
    return url.isValid() && QDesktopServices::openUrl(url);
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

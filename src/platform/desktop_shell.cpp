#include "platform/desktop_shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace gb::platform {

bool DesktopShell::OpenDocument(const QString& fileOrAddress)
{
    // A path is always taken as a file, even when it looks like an address ("a:b.jpg").
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

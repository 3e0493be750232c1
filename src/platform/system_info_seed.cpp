#include "platform/system_info_seed.h"

#include <QStandardPaths>

namespace gb::platform {

namespace {
    struct KnownTool {
        const char* program;
        const char* commandLine;
    };

    // In order of preference: dedicated hardware reports first, then the desktops' own pages.
    constexpr KnownTool kKnownTools[] = {
        { "hardinfo", "hardinfo" },
        { "kinfocenter", "kinfocenter" },
        { "gnome-control-center", "gnome-control-center info-overview" },
        { "xfce4-about", "xfce4-about" },
        { "lxqt-about", "lxqt-about" },
        { "mate-system-monitor", "mate-system-monitor" },
    };
} // namespace

QString FindExecutableOnPath(const QString& program)
{
    return QStandardPaths::findExecutable(program);
}

void SeedSystemInfo(
    MemoryRegistry& registry, const std::function<QString(const QString&)>& findExecutable)
{
    for (const KnownTool& tool : kKnownTools) {
        if (findExecutable(QString::fromLatin1(tool.program)).isEmpty())
            continue;
        // Stored like a real registry string: with its terminating NUL.
        QByteArray data(tool.commandLine);
        data.append('\0');
        registry.SetValue(Registry::HKEY_LOCAL_MACHINE,
            QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"), QStringLiteral("PATH"),
            Registry::REG_SZ, data);
        return;
    }
}

} // namespace gb::platform

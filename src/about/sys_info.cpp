#include "about/sys_info.h"

#include "module1/module1.h"
#include "platform/dialogs.h"
#include "platform/shell.h"

#include <QFileInfo>

namespace gb::about {

namespace {
    namespace Registry = platform::Registry;

    // Read control and every key-specific right, as the classic About box asks for.
    constexpr std::uint32_t kKeyAccess = 0x2003F;
    constexpr std::uint32_t kValueBufferSize = 1024;

    const QString ToolPathKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
    const QString ToolPathValue = QStringLiteral("PATH");
    const QString ToolFolderKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
    const QString ToolFolderValue = QStringLiteral("MSINFO");
    const QString ToolFileName = QStringLiteral("/MSINFO32.EXE");

    struct RawValue {
        std::uint32_t type = 0;
        QByteArray bytes;
    };

    // The value's bytes as the fixed buffer would hold them, without the terminating NUL.
    KeyLookup QueryValue(
        platform::IRegistry& registry, Registry::Key key, const QString& name, RawValue& value)
    {
        QByteArray buffer(kValueBufferSize, '\0');
        std::uint32_t size = kValueBufferSize;
        if (registry.RegQueryValueEx(key, name, value.type, buffer, size) != Registry::ERROR_SUCCESS
            || size > kValueBufferSize)
            return KeyLookup::NotFound;
        if (size == 0)
            return KeyLookup::Error;
        // Whatever the registry did not fill stays NUL, as in a buffer handed to it.
        const qsizetype length = size;
        if (buffer.size() < length)
            buffer.append(QByteArray(length - buffer.size(), '\0'));
        const bool terminated = buffer.at(length - 1) == '\0';
        value.bytes = buffer.left(terminated ? length - 1 : length);
        return KeyLookup::Found;
    }

    // Byte by byte from the last: the little-endian number read most significant first. A top
    // byte of zero was taken for the terminator and is missing, which does not change the value.
    QString NumberText(const QByteArray& bytes)
    {
        QString digits;
        for (qsizetype i = bytes.size() - 1; i >= 0; --i)
            digits += QStringLiteral("%1").arg(
                static_cast<uint>(static_cast<uchar>(bytes.at(i))), 2, 16, QLatin1Char('0'));
        return digits.toUpper();
    }

    void StoreValue(const RawValue& value, QString& keyVal)
    {
        if (value.type == Registry::REG_SZ)
            keyVal = QString::fromUtf8(value.bytes);
        else if (value.type == Registry::REG_DWORD)
            keyVal = QStringLiteral("&h") + keyVal + NumberText(value.bytes);
    }

    // A listed file: not a folder and not hidden.
    bool IsPlainFile(const QString& path)
    {
        const QFileInfo info(path);
        return info.exists() && info.isFile() && !info.isHidden();
    }

    // An empty command line names no program, so there is nothing the desktop could start.
    bool StartCommand(platform::IShell& shell, const QString& commandLine)
    {
        return !commandLine.trimmed().isEmpty() && shell.StartProgram(commandLine);
    }

    bool TryStartSysInfo(platform::Services& services)
    {
        QString path;
        const KeyLookup byPath = GetKeyValue(
            services.registry, Registry::HKEY_LOCAL_MACHINE, ToolPathKey, ToolPathValue, path);
        if (byPath == KeyLookup::Error)
            return false;
        // A recorded path is trusted even when it leads nowhere any more.
        if (byPath == KeyLookup::Found)
            return StartCommand(services.shell, path);

        const KeyLookup byFolder = GetKeyValue(
            services.registry, Registry::HKEY_LOCAL_MACHINE, ToolFolderKey, ToolFolderValue, path);
        if (byFolder != KeyLookup::Found)
            return false;
        path += ToolFileName;
        return IsPlainFile(path) && StartCommand(services.shell, path);
    }
} // namespace

KeyLookup GetKeyValue(platform::IRegistry& registry, Registry::Key keyRoot, const QString& keyName,
    const QString& subKeyRef, QString& keyVal)
{
    Registry::Key key = 0;
    if (registry.RegOpenKeyEx(keyRoot, keyName, 0, kKeyAccess, key) != Registry::ERROR_SUCCESS) {
        keyVal.clear();
        return KeyLookup::NotFound;
    }
    RawValue value;
    const KeyLookup result = QueryValue(registry, key, subKeyRef, value);
    if (result == KeyLookup::Found)
        StoreValue(value, keyVal);
    else if (result == KeyLookup::NotFound)
        keyVal.clear();
    registry.RegCloseKey(key);
    return result;
}

void StartSysInfo(app::Module1& module1, QWidget* owner)
{
    platform::Services& services = module1.Services();
    if (!TryStartSysInfo(services))
        services.dialogs.MsgBox(owner,
            QStringLiteral("System Information Is Unavailable At This Time"),
            platform::MsgBoxStyle::OkOnly, QStringLiteral("Glimmerbox"));
}

} // namespace gb::about

#include "platform/memory_registry.h"

namespace gb::platform {

QString MemoryRegistry::PathOf(Registry::Key root, const QString& subKey)
{
    return QString::number(root, 16) + u'\\' + subKey.toLower();
}

void MemoryRegistry::SetValue(Registry::Key root, const QString& subKey, const QString& valueName,
    std::uint32_t type, const QByteArray& data)
{
    keys_[PathOf(root, subKey)].insert(valueName.toLower(), { type, data });
}

long MemoryRegistry::RegOpenKeyEx(
    Registry::Key root, const QString& subKey, std::uint32_t, std::uint32_t, Registry::Key& opened)
{
    const QString path = PathOf(root, subKey);
    if (!keys_.contains(path))
        return Registry::ERROR_FILE_NOT_FOUND;
    opened = nextHandle_++;
    handles_.insert(opened, path);
    return Registry::ERROR_SUCCESS;
}

long MemoryRegistry::RegQueryValueEx(Registry::Key key, const QString& valueName,
    std::uint32_t& type, QByteArray& data, std::uint32_t& size)
{
    const auto handle = handles_.constFind(key);
    if (handle == handles_.constEnd())
        return Registry::ERROR_INVALID_HANDLE;
    const QHash<QString, Value>& values = keys_[handle.value()];
    const auto found = values.constFind(valueName.toLower());
    if (found == values.constEnd())
        return Registry::ERROR_FILE_NOT_FOUND;
    const Value& value = found.value();
    type = value.type;
    const std::uint32_t room = size;
    size = static_cast<std::uint32_t>(value.data.size());
    if (size > room)
        return Registry::ERROR_MORE_DATA;
    data = value.data;
    return Registry::ERROR_SUCCESS;
}

long MemoryRegistry::RegCloseKey(Registry::Key key)
{
    return handles_.remove(key) ? Registry::ERROR_SUCCESS : Registry::ERROR_INVALID_HANDLE;
}

} // namespace gb::platform

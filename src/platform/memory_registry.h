#pragma once

#include "platform/registry.h"

#include <QHash>
#include <QString>

namespace gb::platform {

// The registry as an in-memory store: values are put in with SetValue (at start-up, or by a
// test) and read through the classic calls. Key paths compare case-insensitively, with "\" as
// the separator.
class MemoryRegistry : public IRegistry {
public:
    void SetValue(Registry::Key root, const QString& subKey, const QString& valueName,
        std::uint32_t type, const QByteArray& data);

    long RegOpenKeyEx(Registry::Key root, const QString& subKey, std::uint32_t options,
        std::uint32_t access, Registry::Key& opened) override;
    long RegQueryValueEx(Registry::Key key, const QString& valueName, std::uint32_t& type,
        QByteArray& data, std::uint32_t& size) override;
    long RegCloseKey(Registry::Key key) override;

    // How many handles are open: every open must be closed again.
    int OpenHandles() const { return static_cast<int>(handles_.size()); }

private:
    struct Value {
        std::uint32_t type;
        QByteArray data;
    };
    static QString PathOf(Registry::Key root, const QString& subKey);

    QHash<QString, QHash<QString, Value>> keys_; // path -> lower-case value name -> value
    QHash<Registry::Key, QString> handles_;
    Registry::Key nextHandle_ = 0x100;
};

} // namespace gb::platform

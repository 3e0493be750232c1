#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace gb::platform {

// A small read-only registry of system facts with the classic open/query/close calls and their
// result codes. On Linux it is an in-memory store seeded at start-up.
namespace Registry {
    using Key = std::uint32_t;
    inline constexpr Key HKEY_LOCAL_MACHINE = 0x80000002u;
    inline constexpr long ERROR_SUCCESS = 0;
    inline constexpr long ERROR_FILE_NOT_FOUND = 2;
    inline constexpr long ERROR_MORE_DATA = 234;
    inline constexpr long ERROR_INVALID_HANDLE = 6;
    inline constexpr std::uint32_t REG_SZ = 1;
    inline constexpr std::uint32_t REG_EXPAND_SZ = 2;
    inline constexpr std::uint32_t REG_DWORD = 4;
}

class IRegistry {
public:
    virtual ~IRegistry() = default;
    // Opens `subKey` under `root`; on success `opened` receives a handle for the other calls.
    virtual long RegOpenKeyEx(Registry::Key root, const QString& subKey, std::uint32_t options,
        std::uint32_t access, Registry::Key& opened)
        = 0;
    // Reads a value: its type, and its data into `data`, of which at most `size` bytes fit.
    // On return `size` is the data's length. Data longer than `size` gives ERROR_MORE_DATA.
    virtual long RegQueryValueEx(Registry::Key key, const QString& valueName, std::uint32_t& type,
        QByteArray& data, std::uint32_t& size)
        = 0;
    virtual long RegCloseKey(Registry::Key key) = 0;
};

} // namespace gb::platform

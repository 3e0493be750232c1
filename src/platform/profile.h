#pragma once

#include <QString>
#include <optional>

namespace gb::platform {

// Profile strings: the INI-style key/value store the settings live in.
// Section and key names match case-insensitively; the first match in the file wins.
class IProfile {
public:
    virtual ~IProfile() = default;

    // The value of `key` in `section` of `file`, or `defaultValue` when the file, the section or
    // the key is missing. At most `bufferSize` - 1 characters are returned.
    virtual QString GetString(const QString& section, const QString& key,
        const QString& defaultValue, int bufferSize, const QString& file) const = 0;

    // Stores `value` under `key`, creating file and section as needed. No key removes the whole
    // section; a key without a value removes that key. Returns false when the file could not be
    // written; the file on disk is then left as it was.
    virtual bool WriteString(const QString& section, const std::optional<QString>& key,
        const std::optional<QString>& value, const QString& file)
        = 0;
};

} // namespace gb::platform

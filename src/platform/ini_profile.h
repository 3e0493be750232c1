#pragma once

#include "platform/profile.h"

namespace gb::platform {

// Profile strings kept in UTF-8 INI files on disk, with the classic Windows reading rules (see
// IniDocument). Every write goes through a temporary file in the same folder that is renamed
// over the old one, so a crash or a full disk never leaves a half-written settings file. The
// file's folder must exist: choosing and creating it is the caller's business.
class IniProfile : public IProfile {
public:
    QString GetString(const QString& section, const QString& key, const QString& defaultValue,
        int bufferSize, const QString& file) const override;
    bool WriteString(const QString& section, const std::optional<QString>& key,
        const std::optional<QString>& value, const QString& file) override;
};

} // namespace gb::platform

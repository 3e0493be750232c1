#include "browser/unreadable_files.h"

#include <QStringList>
#include <cstring>

namespace gb::browser {

void UnreadableFiles::Add(int error)
{
    const std::lock_guard lock(mutex_);
    ++counts_[error];
}

int UnreadableFiles::Count() const
{
    const std::lock_guard lock(mutex_);
    int count = 0;
    for (const auto& [error, files] : counts_)
        count += files;
    return count;
}

QString UnreadableFiles::Text() const
{
    const int count = Count();
    if (count == 0)
        return {};
    QStringList reasons;
    {
        const std::lock_guard lock(mutex_);
        for (const auto& [error, files] : counts_)
            reasons << (error != 0 ? QString::fromLocal8Bit(std::strerror(error))
                                   : QStringLiteral("changed while it was read"));
    }
    return QStringLiteral("%1 %2 could not be read: %3")
        .arg(count)
        .arg(count == 1 ? QStringLiteral("picture") : QStringLiteral("pictures"))
        .arg(reasons.join(QStringLiteral(", ")));
}

} // namespace gb::browser

#pragma once

#include <QDir>
#include <QFile>
#include <QStringList>
#include <sys/stat.h>

namespace gb::test {

// Every entry of a folder, hidden ones included, so a stray temporary file cannot hide.
inline QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// The entry's own mode (a link is not followed), or 0 when there is nothing there.
inline mode_t LinkMode(const QString& path)
{
    struct stat info { };
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode : 0;
}

inline bool MakeFifo(const QString& path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

} // namespace gb::test

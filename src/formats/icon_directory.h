#pragma once

#include <QByteArray>
#include <QList>
#include <QSize>
#include <optional>

namespace gb::formats {

// One image listed in the directory at the start of an .ico or .cur file.
struct IconDirectoryEntry {
    int index = 0; // position in the directory, as the decoder counts images
    QSize size; // a stored 0 means 256
    int bitDepth = 0; // from the payload's own header, else the entry's (0 when unknown)
    quint32 offset = 0;
    quint32 bytes = 0;
};

// The entries whose directory record and payload both lie inside the file; the rest of a
// truncated or lying directory is ignored. nullopt when the bytes are no icon or cursor file.
std::optional<QList<IconDirectoryEntry>> ReadIconDirectory(const QByteArray& fileBytes);

// The directory index of the image nearest `wanted`: smallest |w - W| + |h - H|, then the
// higher bit depth, then the first. nullopt when the file holds no usable entry.
std::optional<int> ChooseIconEntry(const QByteArray& fileBytes, QSize wanted);

} // namespace gb::formats

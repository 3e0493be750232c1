// Feeds arbitrary bytes to the icon and cursor directory reader: every entry it hands out must
// lie inside the file, and the choice must be one of them.
#include "formats/icon_directory.h"

#include <QSize>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace gb::formats;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto entries = ReadIconDirectory(bytes);
    const auto chosen = ChooseIconEntry(bytes, QSize(32, 32));
    if (!entries) {
        if (chosen)
            std::abort();
        return 0;
    }
    bool chosenListed = !chosen;
    for (const IconDirectoryEntry& entry : *entries) {
        if (qint64(entry.offset) + entry.bytes > bytes.size())
            std::abort();
        chosenListed = chosenListed || (chosen && *chosen == entry.index);
    }
    if (!chosenListed)
        std::abort();
    return 0;
}

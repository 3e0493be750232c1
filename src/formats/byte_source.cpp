#include "formats/byte_source.h"

#include <algorithm>

namespace gb::formats {

bool MemoryByteSource::Read(qint64 offset, qint64 length, QByteArray& into)
{
    if (offset < 0 || length < 0)
        return false;
    if (offset < bytes_.size())
        into.append(bytes_.constData() + offset, std::min(length, bytes_.size() - offset));
    return true;
}

} // namespace gb::formats

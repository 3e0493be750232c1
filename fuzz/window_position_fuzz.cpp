// Feeds arbitrary text to the "Window Position" and "Maximized" parsers: any hand edit must give
// a placement, and a placement written back must read as itself.
#include "core/window_position.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace gb::core;
    const QString text
        = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const WindowPlacement current { 120, 90, 9000, 6600 };
    const WindowPlacement parsed = ParseWindowPosition(text, current);
    if (ParseWindowPosition(FormatWindowPosition(parsed), current) != parsed)
        std::abort();
    (void)ParseBoolean(text);
    return 0;
}

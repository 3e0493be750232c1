// Feeds arbitrary bytes to the settings-file reader, then edits and rewrites it the way the
// program does: nothing may crash, and what was written must read back.
#include "formats/ini_document.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using gb::formats::IniDocument;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    IniDocument document = IniDocument::Parse(bytes);
    (void)document.Value("Main", "Window Position");
    (void)document.Value("Main", "Last Path");
    document.SetValue("Main", "Maximized", "True");
    document.SetValue("Main", "Last Path", "/home/user/Pictures");
    document.RemoveKey("Main", "Last Dest Path");

    const IniDocument reread = IniDocument::Parse(document.Serialize());
    if (reread.Value("Main", "Maximized") != QString("True")
        || reread.Value("Main", "Last Path") != QString("/home/user/Pictures")
        || reread.Value("Main", "Last Dest Path").has_value())
        std::abort();
    return 0;
}

#pragma once

#include <QString>

namespace gb::platform {

// Facts about the running program and the screen it runs on.
class IAppInfo {
public:
    virtual ~IAppInfo() = default;
    // The folder the program keeps its own files in (settings, Wallpaper.bmp): the executable's
    // folder when a settings file is already there (a portable copy) and it is writable, else
    // $XDG_CONFIG_HOME/glimmerbox. No trailing separator unless it is the root folder.
    virtual QString DataDirectory() const = 0;
    // The executable's file name without extension ("glimmerbox").
    virtual QString ExeBaseName() const = 0;
    // Where the help pages live: a web site or the installed local copy, as an address under
    // which "/GBHelp/toc.htm" is the first page.
    virtual QString HelpSite() const = 0;
    // Window placement is stored in twips (1/1440 inch).
    virtual int TwipsPerPixelX() const = 0;
    virtual int TwipsPerPixelY() const = 0;
};

} // namespace gb::platform

#pragma once

namespace gb::platform {

class IProfile;
class IPictureLoader;
class IDialogs;
class IAppInfo;
class IShell;
class IWallpaper;
class IFileOperations;
class IRegistry;
class IThumbnailStore;
class IScratchSpace;

// The platform services, built once by the program's start-up (or by a test with fakes) and
// handed by reference to Module1 and every window.
struct Services {
    IProfile& profile;
    IPictureLoader& pictures;
    IDialogs& dialogs;
    IAppInfo& appInfo;
    IShell& shell;
    IWallpaper& wallpaper;
    IFileOperations& files;
    IRegistry& registry;
    IThumbnailStore& thumbnails;
    IScratchSpace& scratch;
};

} // namespace gb::platform

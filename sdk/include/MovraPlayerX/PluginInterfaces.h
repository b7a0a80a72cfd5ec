#pragma once
// Interfaces a player plug-in may offer through MSE::Plugin::getInterface, with their
// identifiers. An interface pointer lives as long as the plug-in object that handed it out.

#include <cstdint>

namespace MovraPlayerX {

constexpr char kStartupInterface[] = "com.movra.playerX.pluginInterface.Startup";
constexpr char kViewInterface[] = "com.movra.playerX.pluginInterface.View";
constexpr char kShutdownInterface[] = "com.movra.playerX.pluginInterface.Shutdown";
constexpr char kPlaybackServicesInterface[] = "com.movra.playerX.pluginInterface.PlaybackServices";
constexpr char kMediaManagerInterface[] = "com.movra.playerX.pluginInterface.MediaManager";
constexpr char kURIHandlerInterface[] = "com.movra.playerX.pluginInterface.URIHandler";

// Run once while the player starts, before the main window is shown.
class IStartup
{
public:
    virtual ~IStartup() {}
    virtual void run() = 0;
};

// The player's main window.
class IView
{
public:
    virtual ~IView() {}
    virtual void show() = 0;
};

// Run once after the event loop has ended.
class IShutdown
{
public:
    virtual ~IShutdown() {}
    virtual void run() = 0;
};

class IPlaybackServices
{
public:
    virtual ~IPlaybackServices() {}
    virtual void pause() = 0;
    virtual void resume(double rate) = 0;
    virtual int64_t position() = 0;
    virtual void setPosition(int64_t position) = 0;
};

class IMediaManager
{
public:
    virtual ~IMediaManager() {}
    virtual void clearDownloadCache() = 0;
};

// Receives every address the player is asked to open (encoded URI text).
class IURIHandler
{
public:
    virtual ~IURIHandler() {}
    virtual void openUri(const char* encodedUri) = 0;
};

} // namespace MovraPlayerX

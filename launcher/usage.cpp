#include "launcher/usage.h"

#include <dlfcn.h>

#include <cstring>

namespace MovraLauncher {

namespace {

const char kUsage[] =
    "Usage: movra-player [FILE | ADDRESS]...\n"
    "       movra-player [-- FILE...]\n"
    "       movra-player MAINTENANCE-OPTION\n"
    "       movra-player --help | -h | --version\n"
    "\n"
    "Plays the files and network addresses given, in order. A relative FILE is taken from the\n"
    "working directory; an ADDRESS names its scheme (http://, https://, file://...). After \"--\"\n"
    "every argument is a file, also one whose name begins with \"-\". A folder plays its media\n"
    "files in natural order (2 before 10); a playlist (.m3u, .m3u8, .pls) plays its entries.\n"
    "\n"
    "Maintenance options (each has the three forms shown; the player does the task and quits):\n"
    "  -associateFileTypes     --associateFileTypes     /associateFileTypes\n"
    "        make the player the handler of its file types again\n"
    "  -disassociateFileTypes  --disassociateFileTypes  /disassociateFileTypes\n"
    "        give the player's file types back\n"
    "  -initializeCaches       --initializeCaches       /initializeCaches\n"
    "        rebuild the plug-in caches\n"
    "  -clearDownloadCache     --clearDownloadCache     /clearDownloadCache\n"
    "        empty the download cache\n"
    "  -kvsderegister          --kvsderegister          /unregserver\n"
    "        deregister this device\n"
    "  -kvsregisterdevice      --kvsregisterdevice      /kvsregisterdevice\n"
    "        register this device (the player starts as usual)\n"
    "  -shutDown               (alone) end at once without starting\n"
    "\n"
    "--help, -h and --version are answered only as the sole argument.\n"
    "\n"
    "Environment:\n"
    "  MOVRA_REGISTRY_DIR      one folder for both registry roots (user.db, machine.db)\n"
    "  MSE_LOG                 write the plug-in framework's log to this file (- for stderr)\n"
    "  QT_LOGGING_RULES        turn on the player's own diagnostics, e.g. \"movra.*=true\"\n"
    "  QT_QPA_PLATFORM         e.g. offscreen, to run without a display\n"
    "  MOVRA_HINT_SERVER       base address of the usage-hint server\n"
    "  MOVRA_COMPONENT_SERVER  base address of the codec component server\n"
    "  MOVRA_AUDIO_OUTPUT      wav:PATH writes the sound to this WAV file instead of a device\n"
    "  MOVRA_VIDEO_OUTPUT      gl or raster: how pictures are drawn (default gl on a graphics card)\n"
    "  MOVRA_DEMO_QUIT_AFTER_MS  close the main window after this many milliseconds\n"
    "  MOVRA_PLAYER_SNAPSHOT   with the above: save a picture of the window to this PNG file\n"
    "\n"
    "Settings live in the registry: the user's in $XDG_CONFIG_HOME/movra/registry/user.db\n"
    "(~/.config/movra/registry/user.db), machine-wide defaults and installation records in\n"
    "/var/lib/movra/registry/machine.db. Read and change them with movra-reg(1), e.g.\n"
    "  movra-reg query \"HKCU\\SOFTWARE\\Movra\\Settings\\Player\" /s\n"
    "Playback\\ResumeFromLastPos (default 1) resumes files where they were left; LoopPlayback\n"
    "and LoopPlaylist hold Repeat One and Repeat All; RecentFilis\\RecentFiles File > Open Recent.\n"
    "Crash dumps are written to the desktop folder (XDG_DESKTOP_DIR, else ~/Desktop) when the\n"
    "setting General\\CrashDumpMode is 1 (small dumps) or 2 (full memory).\n"
    "\n"
    "See movra-player(1).\n";

// The player links this major version of Qt; the soname is what the shell would load.
const char kQtCoreLibrary[] = "libQt6Core.so.6";

} // namespace

std::optional<Request> informationRequest(const char* argument)
{
    if (!argument)
        return std::nullopt;
    if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0)
        return Request::Help;
    if (std::strcmp(argument, "--version") == 0)
        return Request::Version;
    return std::nullopt;
}

const char* runtimeQtVersion()
{
    // Left loaded: the process ends right after the answer.
    void* qtCore = dlopen(kQtCoreLibrary, RTLD_LAZY | RTLD_LOCAL);
    if (!qtCore)
        return "";
    using VersionFunction = const char* (*)();
    auto version = reinterpret_cast<VersionFunction>(dlsym(qtCore, "qVersion"));
    const char* text = version ? version() : nullptr;
    return text ? text : "";
}

int answer(Request request, std::FILE* out)
{
    if (request == Request::Help) {
        std::fputs(kUsage, out);
    } else {
        std::fprintf(out, "Movra Player %s\n", MOVRA_VERSION);
        const char* qt = runtimeQtVersion();
        std::fprintf(out, "Qt %s (built with Qt %s)\n", *qt ? qt : "not found", MOVRA_QT_BUILD_VERSION);
    }
    return std::fflush(out) == 0 && !std::ferror(out) ? 0 : 1;
}

} // namespace MovraLauncher

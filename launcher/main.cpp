// movra-player: loads the shell library that sits beside this executable and runs it.
// The library is found by absolute path only, never through the working directory or the
// library search path, so nothing planted there can stand in for the player.

#include "launcher/usage.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Distinct from the player's own statuses (0 and 1): the player never ran.
constexpr int kCannotLoadShell = 2;
constexpr char kShellLibrary[] = "MovraPlayer.so";

std::string executableFolder()
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (length <= 0)
        return std::string();
    path[length] = '\0';
    std::string folder(path);
    const auto slash = folder.rfind('/');
    return slash == std::string::npos ? std::string() : folder.substr(0, slash);
}

} // namespace

int main(int argc, char** argv)
{
    // Answered before the shell is loaded: these must work, and quickly, even where the
    // player itself cannot start (no display, a broken plug-in, a locked registry).
    if (argc == 2) {
        if (const auto request = MovraLauncher::informationRequest(argv[1]))
            return MovraLauncher::answer(*request, stdout);
    }

    const std::string folder = executableFolder();
    if (folder.empty()) {
        std::fprintf(stderr, "movra-player: cannot find the folder of this program\n");
        return kCannotLoadShell;
    }
    const std::string library = folder + "/" + kShellLibrary;
    // Lazily: the Qt libraries it brings along then bind each function at its first call
    // instead of all of their thousands now. Our own libraries are linked to bind at load,
    // so one that does not match its neighbours is still refused here, with this message.
    void* handle = dlopen(library.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        std::fprintf(stderr, "movra-player: cannot load the player library %s: %s\n", library.c_str(),
                     why ? why : "unknown error");
        return kCannotLoadShell;
    }
    using MainFunction = int (*)(int, char**);
    auto movramain = reinterpret_cast<MainFunction>(dlsym(handle, "movramain"));
    if (!movramain) {
        std::fprintf(stderr, "movra-player: %s has no entry point movramain\n", library.c_str());
        return kCannotLoadShell;
    }
    // The library stays loaded until exit: Qt and the plug-ins still run code of it in
    // static destructors.
    return movramain(argc, argv);
}

#pragma once
#include <MSE/Plugin.h>
#include <MSE/PluginInfo.h>

#include <cstdint>

namespace MSE {

// One plug-in whose code is available: a library the farm loaded, or a plug-in linked
// into the program. Found again through info->name.
struct LibraryContext
{
    enum Kind : int32_t { LoadedLibrary = 1, StaticPlugin = 5 };

    PluginInfo* info = nullptr;
    GetPluginFunction entry = nullptr;
    int32_t kind = LoadedLibrary;
    void* module = nullptr;
};

} // namespace MSE

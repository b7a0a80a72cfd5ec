// Loading and unloading of plug-in libraries: a registered plug-in's library (with the
// dependencies its document names) is loaded on first use, and unloaded once none of its
// objects is alive.

#include "framework/farm.h"

#include "framework/dynamiclibrary_p.h"
#include "framework/farm_p.h"
#include "framework/logger.h"
#include "framework/propertypaths.h"
#include "framework/widestring.h"

#include <algorithm>

namespace MSE {

namespace {
const char kLoadTag[] = "MSE::Farm::getLibraryContext";
const char kUnloadTag[] = "MSE::Farm::unloadLibrary";
} // namespace

int Farm::getLibraryContext(PluginInfo* info, LibraryContext** out)
{
    boost::recursive_mutex::scoped_lock lock(farmLock);
    if (!info || !out)
        return kResultMissingArgument;
    for (LibraryContext* context : libraries) {
        if (context->info->name == info->name) {
            *out = context;
            return kResultOk;
        }
    }

    // Dependencies are loaded first so that the plug-in library finds them by name; the
    // plug-in library then holds them itself.
    std::vector<void*> dependencies;
    for (const movra_string<char>& name : info->getPropertyValues(PropertyPath::kDependencies)) {
        std::string ignored;
        if (void* module = dynamiclibrary::load(libraryPath(info, fromUtf8(name.c_str(), name.length())), ignored))
            dependencies.push_back(module);
    }
    std::string error;
    void* module = dynamiclibrary::load(libraryPath(info, info->libraryFile), error);
    for (void* dependency : dependencies)
        dynamiclibrary::unload(dependency);

    if (!module) {
        MSE_LOG_PLUGIN(kLoadTag, "Could not load library '%S%S'", info->libraryFolder.c_str(), info->libraryFile.c_str());
        MSE_LOG_PLUGIN(kLoadTag, "%s", error.c_str());
        const std::string symbol = dynamiclibrary::undefinedSymbol(error);
        const std::string readable = symbol.empty() ? symbol : dynamiclibrary::demangle(symbol);
        if (!readable.empty() && readable != symbol) {
            MSE_LOG_PLUGIN(kLoadTag, "Undefined symbol %s is %s", symbol.c_str(), readable.c_str());
            error += " (" + readable + ")";
        }
        setLoadError(info->name, error);
        return kResultFailed;
    }
    auto entry = reinterpret_cast<GetPluginFunction>(dynamiclibrary::resolve(module, kGetPluginSymbol));
    if (!entry) {
        dynamiclibrary::unload(module);
        setLoadError(info->name, std::string("no ") + kGetPluginSymbol + " entry point");
        MSE_LOG_PLUGIN(kLoadTag, "Could not resolve _getPlugin symbol in library '%S%S'", info->libraryFolder.c_str(),
                       info->libraryFile.c_str());
        return kResultFailed;
    }
    setLoadError(info->name, std::string());
    LibraryContext* context = new LibraryContext;
    context->info = info;
    context->entry = entry;
    context->kind = LibraryContext::LoadedLibrary;
    context->module = module;
    libraries.push_back(context);
    *out = context;
    return kResultOk;
}

void Farm::unloadUnusedLibraries()
{
    boost::recursive_mutex::scoped_lock lock(farmLock);
    std::vector<LibraryContext*> unused;
    for (LibraryContext* context : libraries) {
        if (!isPluginInUse(PluginNameFilter(context->info->name)))
            unused.push_back(context);
    }
    for (LibraryContext* context : unused)
        unloadLibrary(context);
}

int Farm::unloadLibrary(LibraryContext* context)
{
    boost::recursive_mutex::scoped_lock lock(farmLock);
    const auto position = std::find(libraries.begin(), libraries.end(), context);
    if (!context || position == libraries.end())
        return kResultMissingArgument;
    const char* name = context->info->name.c_str();
    if (isPluginInUse(PluginNameFilter(context->info->name))) {
        MSE_LOG_FACTORY(kUnloadTag, "Refusing to unload library for plugin '%s', it's still in use.", name);
        return kResultFailed;
    }
    MSE_LOG_FACTORY(kUnloadTag, "Unloading library for plugin '%s'\n", name);
    libraries.erase(position);
    if (context->kind == LibraryContext::LoadedLibrary)
        dynamiclibrary::unload(context->module);
    delete context;
    return kResultOk;
}

} // namespace MSE

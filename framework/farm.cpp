// The farm itself and its plug-in objects' life cycle: creation through a library's entry
// function, hand-out of live objects, release and deferred release. Discovery,
// registration and library loading have files of their own (farmdiscovery.cpp,
// farmregistration.cpp, farmloading.cpp).

#include "framework/farm.h"

#include "framework/dynamiclibrary_p.h"
#include "framework/farmcleaner.h"
#include "framework/staticpluginregistry.h"

#include <mutex>
#include <string>

namespace MSE {

namespace {
using PluginsGuard = boost::recursive_mutex::scoped_lock;

std::mutex instanceLock;
Farm* processFarm = nullptr;

// The cleaner is gone only while the last farm is being destroyed, when a plug-in object's
// destructor might still hand itself back.
void scheduleSweep()
{
    if (FarmCleaner* cleaner = FarmCleaner::instance())
        cleaner->scheduleSweep();
}
} // namespace

Farm* Farm::instance()
{
    std::lock_guard<std::mutex> lock(instanceLock);
    if (!processFarm)
        processFarm = new Farm;
    return processFarm;
}

Farm::Farm()
{
    for (PluginInfo* info : StaticPluginRegistry::instance().records())
        pluginInfos.append(info);
    // Nobody else can reach this farm yet, so it joins the cleaner without holding farmLock
    // (holding it would take the locks in the reverse order of a sweep).
    FarmCleaner::attach(this);
}

Farm::~Farm()
{
    FarmCleaner::detach(this);
    List<PluginInfo*> infos = pluginInfos;
    List<Plugin*> objects;
    {
        PluginsGuard lock(*pluginsLock);
        objects = plugins;
    }
    {
        std::lock_guard<std::mutex> lock(instanceLock);
        if (processFarm == this)
            processFarm = nullptr;
    }
    for (PluginInfo* info : StaticPluginRegistry::instance().records())
        infos.removeOne(info);
    {
        PluginsGuard lock(*pluginsLock);
        for (Plugin* plugin : objects)
            delete plugin;
        plugins.clear();
    }
    for (LibraryContext* context : libraries) {
        if (context->kind == LibraryContext::LoadedLibrary)
            dynamiclibrary::unload(context->module);
        delete context;
    }
    libraries.clear();
    for (PluginInfo* info : infos)
        delete info;
    pluginInfos.clear();
}

int Farm::getPlugin(PluginInfo* info, Plugin** out, bool create)
{
    boost::recursive_mutex::scoped_lock lock(farmLock);
    if (!info || !out)
        return kResultMissingArgument;
    return getPlugin(out, PluginNameFilter(info->name), SimplePluginInfoSelector(), create);
}

int Farm::createPlugin(PluginInfo* info, Plugin** out)
{
    boost::recursive_mutex::scoped_lock lock(farmLock);
    if (!info || !out)
        return kResultMissingArgument;
    LibraryContext* context = nullptr;
    if (GetPluginFunction entry = StaticPluginRegistry::instance().entryFor(info)) {
        context = new LibraryContext;
        context->info = info;
        context->entry = entry;
        context->kind = LibraryContext::StaticPlugin;
        libraries.push_back(context);
    } else {
        const int result = getLibraryContext(info, &context);
        if (result != kResultOk)
            return result;
    }
    Plugin* plugin = nullptr;
    const int result = context->entry(this, &plugin);
    if (result != kResultOk) {
        setLoadError(info->name, std::string(kGetPluginSymbol) + " returned " + std::to_string(result));
        return result;
    }
    // An entry that claims success without an object has failed.
    if (!plugin) {
        setLoadError(info->name, std::string(kGetPluginSymbol) + " returned no object");
        return kResultFailed;
    }
    setLoadError(info->name, std::string());
    plugin->pluginInfo = info;
    {
        PluginsGuard pluginsGuard(*pluginsLock);
        plugins.append(plugin);
    }
    *out = plugin;
    return kResultOk;
}

// An object that is not (or no longer) in plugins answers kResultMissingArgument and is left alone: it was
// handed out again after its count reached 0, or another holder already disposed of it.
int Farm::releasePlugin(Plugin* plugin)
{
    boost::recursive_mutex::scoped_lock lock(farmLock);
    if (!plugin)
        return kResultMissingArgument;
    {
        PluginsGuard pluginsGuard(*pluginsLock);
        const int64_t index = plugins.indexOf(plugin);
        if (index < 0 || plugin->getRefCount() != 0)
            return kResultMissingArgument;
        plugins.removeAt(static_cast<uint32_t>(index));
    }
    scheduleSweep();
    return kResultOk;
}

void Farm::releasePluginReference(Plugin* plugin)
{
    boost::recursive_mutex::scoped_lock lock(farmLock);
    if (plugin)
        plugin->release();
}

int Farm::deferPluginRelease(Plugin* plugin)
{
    boost::recursive_mutex::scoped_lock lock(farmLock);
    if (!plugin)
        return kResultMissingArgument;
    PluginsGuard pluginsGuard(*pluginsLock);
    const int64_t index = plugins.indexOf(plugin);
    if (index < 0 || plugin->getRefCount() != 0)
        return kResultMissingArgument;
    releasedPlugins.append(plugin);
    plugins.removeAt(static_cast<uint32_t>(index));
    return kResultOk;
}

int Farm::completePluginRelease(Plugin* plugin)
{
    boost::recursive_mutex::scoped_lock lock(farmLock);
    if (!plugin)
        return kResultMissingArgument;
    {
        PluginsGuard pluginsGuard(*pluginsLock);
        releasedPlugins.removeOne(plugin);
    }
    scheduleSweep();
    return kResultOk;
}

bool Farm::isPluginInUse(const PluginNameFilter& filter)
{
    PluginsGuard lock(*pluginsLock);
    for (Plugin* plugin : releasedPlugins) {
        if (filter.test(plugin->getPluginInfo()))
            return true;
    }
    for (Plugin* plugin : plugins) {
        if (filter.test(plugin->getPluginInfo()))
            return true;
    }
    return false;
}

} // namespace MSE

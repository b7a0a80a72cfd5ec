#pragma once
// The framework as a plug-in sees it: the context handed to _getPlugin.
//
// A plug-in calls only the virtual operations below; their order is the binary contract.
// They answer with MSE::Result codes (MSE/Result.h); other values come from a plug-in's
// entry function.
//
// The filters, the selector and the generic queries (getPluginInfos, getPlugin with a filter,
// getLivePlugins) are defined by the framework's own headers for the application's use.

#include <MSE/List.h>
#include <MSE/Plugin.h>
#include <MSE/PluginInfo.h>
#include <MSE/Result.h>
#include <MSE/String.h>

#include <cstdint>
#include <vector>

#ifndef MSE_FRAMEWORK_API
#define MSE_FRAMEWORK_API __attribute__((visibility("default")))
#endif

namespace MSE {

// The lock guarding plugins and releasedPlugins; defined by the framework.
class PluginsLock;

class MSE_FRAMEWORK_API PluginContext
{
public:
    class AbstractPluginInfoFilter;
    class NullFilter;
    class PluginNameFilter;
    class PluginInterfaceFilter;
    class AbstractPluginInfoSelector;
    class SimplePluginInfoSelector;

    PluginContext();
    virtual ~PluginContext();

    PluginContext(const PluginContext&) = delete;
    PluginContext& operator=(const PluginContext&) = delete;

    // A live object of info's plug-in (addRef'ed) or, when create is true and none is live,
    // a new one.
    virtual int getPlugin(PluginInfo* info, Plugin** out, bool create) = 0;
    // Always a new object of info's plug-in; loads its library when needed.
    virtual int createPlugin(PluginInfo* info, Plugin** out) = 0;
    // Called by an object whose count reached 0. kResultOk: the framework let it go and the
    // object deletes itself; its library may be unloaded some seconds later.
    // kResultMissingArgument: keep living, the object was handed out again meanwhile (or is
    // not the framework's).
    virtual int releasePlugin(Plugin* plugin) = 0;
    // Calls plugin->release() under the framework's lock.
    virtual void releasePluginReference(Plugin* plugin) = 0;
    // Whether some registered plug-in accepts the format on an input port.
    virtual bool isVideoFormatSupported(const movra_string<char>& fourCC);
    virtual bool isAudioFormatSupported(int32_t formatId);
    virtual bool isOverlayFormatSupported(const movra_string<char>& fourCC);
    // Like releasePlugin, but the object stays alive and its library loaded until the
    // object calls completePluginRelease (and then deletes itself).
    virtual int deferPluginRelease(Plugin* plugin) = 0;
    virtual int completePluginRelease(Plugin* plugin) = 0;

    // Generic queries for the application (framework/plugincontextqueries.h). Filter derives
    // from AbstractPluginInfoFilter, Selector from AbstractPluginInfoSelector; both are copied.
    template <class Filter>
    int getPluginInfos(List<PluginInfo*>* out, const Filter& filter);
    template <class Filter, class Selector>
    int getPlugin(Plugin** out, const Filter& filter, const Selector& selector, bool create);
    template <class Filter>
    int getLivePlugins(std::vector<Plugin*>* out, const Filter& filter);

    // Every registered plug-in, in registration order; owned by the framework.
    List<PluginInfo*> pluginInfos;
    // Objects the framework created that are in use.
    List<Plugin*> plugins;
    // Objects handed back with deferPluginRelease.
    List<Plugin*> releasedPlugins;
    PluginsLock* pluginsLock;
};

} // namespace MSE

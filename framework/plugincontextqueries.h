#pragma once
// The generic queries of PluginContext, for any filter and selector type.

#include "framework/pluginfilters.h"
#include "framework/pluginslock.h"

#include <MSE/PluginContext.h>

#include <vector>

namespace MSE {

template <class Filter>
int PluginContext::getPluginInfos(List<PluginInfo*>* out, const Filter& filter)
{
    if (!out)
        return kResultMissingArgument;
    const Filter passes(filter);
    out->clear();
    // The catalogue only grows during start-up, before other threads use the context.
    for (PluginInfo* info : pluginInfos) {
        if (passes.test(info))
            out->append(info);
    }
    return out->empty() ? kResultFailed : kResultOk;
}

template <class Filter, class Selector>
int PluginContext::getPlugin(Plugin** out, const Filter& filter, const Selector& selector, bool create)
{
    if (!out)
        return kResultMissingArgument;
    const Filter passes(filter);
    const Selector prefers(selector);
    {
        // The chosen object gains its reference before the lock is let go: a holder that
        // drops the last reference meanwhile finds it handed out again (releasePlugin answers
        // kResultMissingArgument) instead of deleting it under our feet.
        boost::recursive_mutex::scoped_lock lock(*pluginsLock);
        Plugin* best = nullptr;
        for (Plugin* plugin : plugins) {
            if (!passes.test(plugin->getPluginInfo()))
                continue;
            if (!best || prefers.prefer(best->getPluginInfo(), plugin->getPluginInfo()))
                best = plugin;
        }
        if (best) {
            *out = best;
            best->addRef();
            return kResultOk;
        }
    }
    if (!create)
        return kResultFailed;
    PluginInfo* chosen = nullptr;
    for (PluginInfo* info : pluginInfos) {
        if (!passes.test(info))
            continue;
        if (!chosen || prefers.prefer(chosen, info))
            chosen = info;
    }
    if (!chosen)
        return kResultFailed;
    return createPlugin(chosen, out);
}

template <class Filter>
int PluginContext::getLivePlugins(std::vector<Plugin*>* out, const Filter& filter)
{
    if (!out)
        return kResultMissingArgument;
    const Filter passes(filter);
    out->clear();
    boost::recursive_mutex::scoped_lock lock(*pluginsLock);
    for (Plugin* plugin : plugins) {
        if (passes.test(plugin->getPluginInfo())) {
            plugin->addRef();
            out->push_back(plugin);
        }
    }
    return out->empty() ? kResultFailed : kResultOk;
}

} // namespace MSE

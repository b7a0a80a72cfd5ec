#include "framework/pluginfilters.h"

namespace MSE {

PluginContext::AbstractPluginInfoFilter::~AbstractPluginInfoFilter() {}

bool PluginContext::NullFilter::test(const PluginInfo*) const { return true; }

PluginContext::PluginNameFilter::PluginNameFilter(const movra_string<char>& name) : name(name) {}

bool PluginContext::PluginNameFilter::test(const PluginInfo* info) const { return info && info->name == name; }

PluginContext::PluginInterfaceFilter::PluginInterfaceFilter(const movra_string<char>& interfaceId)
    : interfaceId(interfaceId)
{
}

bool PluginContext::PluginInterfaceFilter::test(const PluginInfo* info) const
{
    return info && info->interfaces.contains(interfaceId);
}

PluginContext::AbstractPluginInfoSelector::~AbstractPluginInfoSelector() {}

bool PluginContext::SimplePluginInfoSelector::prefer(const PluginInfo* best, const PluginInfo* challenger) const
{
    return challenger < best;
}

} // namespace MSE

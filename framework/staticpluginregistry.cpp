#include "framework/staticpluginregistry.h"

namespace MSE {

StaticPluginRegistry& StaticPluginRegistry::instance()
{
    static StaticPluginRegistry* const registry = new StaticPluginRegistry;
    return *registry;
}

void StaticPluginRegistry::add(PluginInfo* info, GetPluginFunction entry)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_entries.emplace_back(info, entry);
}

GetPluginFunction StaticPluginRegistry::entryFor(const PluginInfo* info) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    for (const auto& entry : m_entries) {
        if (entry.first == info)
            return entry.second;
    }
    return nullptr;
}

std::vector<PluginInfo*> StaticPluginRegistry::records() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    std::vector<PluginInfo*> infos;
    for (const auto& entry : m_entries)
        infos.push_back(entry.first);
    return infos;
}

} // namespace MSE

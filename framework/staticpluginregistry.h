#pragma once
#include <MSE/Plugin.h>
#include <MSE/PluginInfo.h>

#include <mutex>
#include <utility>
#include <vector>

namespace MSE {

// Plug-ins linked into the program: a record and its entry function each. A farm adds the
// records to its catalogue when it is created and never frees them. Nothing in the player
// registers here today.
class MSE_FRAMEWORK_API StaticPluginRegistry
{
public:
    static StaticPluginRegistry& instance();

    void add(PluginInfo* info, GetPluginFunction entry);
    // Null when info is not a static plug-in's record.
    GetPluginFunction entryFor(const PluginInfo* info) const;
    std::vector<PluginInfo*> records() const;

private:
    mutable std::mutex m_lock;
    std::vector<std::pair<PluginInfo*, GetPluginFunction>> m_entries;
};

} // namespace MSE

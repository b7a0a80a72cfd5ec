#pragma once
// The object a plug-in library hands out.
//
// A plug-in library exports
//     extern "C" int32_t _getPlugin(MSE::PluginContext* context, MSE::Plugin** plugin);
// which creates a new object holding one reference for its caller, stores it in *plugin
// and returns MSE::kResultOk (any other value is a failure and is passed on to whoever
// asked). The
// library may keep context for calls back into the framework.
//
// Reference counting is the plug-in's: addRef and release adjust the count (atomically: any
// thread may hold a reference). When release brings the count to 0, the object calls
// context->releasePlugin(this) and deletes itself only if that answers kResultOk. Any other answer
// means the framework handed the object out again meanwhile (or another holder already
// disposed of it), so it must stay. Read the context before dropping the count:
//
//     int32_t release() override
//     {
//         MSE::PluginContext* context = m_context;
//         const int32_t count = --m_count;
//         if (count == 0 && context->releasePlugin(this) == MSE::kResultOk)
//             delete this;
//         return count;
//     }
//
// An object that must outlive its last reference (work still running on another thread)
// calls context->deferPluginRelease(this) instead, and completePluginRelease(this) before it
// finally deletes itself; its library stays loaded in between.

#include <MSE/Result.h>
#include <MSE/String.h>

#include <cstdint>

namespace MSE {

class PluginContext;
class PluginInfo;

class Plugin
{
public:
    virtual ~Plugin() {}
    virtual int32_t addRef() = 0;
    virtual int32_t release() = 0;
    // 0 means no holder is left.
    virtual int32_t getRefCount() = 0;
    // The record the framework stored in pluginInfo.
    virtual PluginInfo* getPluginInfo() = 0;
    virtual PluginContext* getPluginContext() = 0;
    // Stores the interface with identifier id in *out and returns kResultOk, or returns
    // another code (kResultFailed for an interface it does not offer).
    // The interface lives as long as the object; it is never released by itself.
    virtual int32_t getInterface(const movra_string<char>& id, void** out) = 0;

    // Free for the plug-in's use; the framework never touches them.
    void* reserved[2] = {nullptr, nullptr};
    // Written by the framework right after the entry function created the object.
    PluginInfo* pluginInfo = nullptr;
};

// The plug-in entry's type and exported name.
extern "C" typedef int32_t (*GetPluginFunction)(PluginContext* context, Plugin** plugin);
constexpr char kGetPluginSymbol[] = "_getPlugin";

} // namespace MSE

#pragma once
// A ready-made base for a plug-in object: reference counting with the release protocol the
// framework expects, and the bookkeeping members. A plug-in derives from it, implements
// getInterface, and creates its object in _getPlugin:
//
//     class MyPlugin final : public MSE::PluginObject, public MovraPlayerX::IView
//     {
//     public:
//         using PluginObject::PluginObject;
//         int32_t getInterface(const MSE::movra_string<char>& id, void** out) override;
//         void show() override;
//     };
//
//     extern "C" __attribute__((visibility("default")))
//     int32_t _getPlugin(MSE::PluginContext* context, MSE::Plugin** plugin)
//     {
//         if (!context || !plugin)
//             return MSE::kResultMissingArgument;
//         *plugin = new MyPlugin(context);
//         return MSE::kResultOk;
//     }
//
// Everything here is inline: a plug-in that uses it still links nothing of the player's.

#include <MSE/Plugin.h>
#include <MSE/PluginContext.h>

#include <atomic>
#include <cstdint>

namespace MSE {

class PluginObject : public Plugin
{
public:
    // The new object holds one reference, for whoever asked for it.
    explicit PluginObject(PluginContext* context) : m_context(context) {}

    int32_t addRef() override { return ++m_refCount; }

    int32_t release() override
    {
        // The context is read before the count drops: once it is 0 another thread may
        // already have disposed of this object.
        PluginContext* context = m_context;
        const int32_t count = --m_refCount;
        if (count == 0 && context->releasePlugin(this) == MSE::kResultOk)
            delete this;
        return count;
    }

    int32_t getRefCount() override { return m_refCount; }
    PluginInfo* getPluginInfo() override { return pluginInfo; }
    PluginContext* getPluginContext() override { return m_context; }

private:
    PluginContext* m_context;
    std::atomic<int32_t> m_refCount{1};
};

} // namespace MSE

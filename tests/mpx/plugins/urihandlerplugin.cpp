// A plug-in that receives addresses and keeps them for the tests. Built twice: once handing
// out the URIHandler interface, once (URI_HANDLER_REFUSED) declaring it but refusing it.

#include "urirecorder.h"

#include <MSE/Plugin.h>
#include <MSE/PluginContext.h>
#include <MovraPlayerX/PluginInterfaces.h>

#include <string>
#include <vector>

namespace {

class UriHandlerPlugin final : public MSE::Plugin, public MovraPlayerX::IURIHandler, public IURIRecorder
{
public:
    explicit UriHandlerPlugin(MSE::PluginContext* context)
        : m_context(context)
    {
    }

    int32_t addRef() override { return ++m_refCount; }
    int32_t release() override
    {
        const int32_t count = --m_refCount;
        if (count == 0) {
            m_context->releasePlugin(this);
            delete this;
        }
        return count;
    }
    int32_t getRefCount() override { return m_refCount; }
    MSE::PluginInfo* getPluginInfo() override { return pluginInfo; }
    MSE::PluginContext* getPluginContext() override { return m_context; }

    int32_t getInterface(const MSE::movra_string<char>& id, void** out) override
    {
        if (!out)
            return 1;
#ifndef URI_HANDLER_REFUSED
        if (id == MovraPlayerX::kURIHandlerInterface) {
            *out = static_cast<MovraPlayerX::IURIHandler*>(this);
            return 0;
        }
#endif
        if (id == kURIRecorderInterface) {
            *out = static_cast<IURIRecorder*>(this);
            return 0;
        }
        return 3;
    }

    void openUri(const char* encodedUri) override { m_received.emplace_back(encodedUri); }

    int count() override { return static_cast<int>(m_received.size()); }
    const char* uri(int index) override
    {
        return index >= 0 && index < count() ? m_received[static_cast<size_t>(index)].c_str() : nullptr;
    }

private:
    MSE::PluginContext* m_context;
    int32_t m_refCount = 1;
    std::vector<std::string> m_received;
};

} // namespace

extern "C" __attribute__((visibility("default"))) int32_t _getPlugin(MSE::PluginContext* context, MSE::Plugin** plugin)
{
    if (!plugin)
        return 1;
    *plugin = new UriHandlerPlugin(context);
    return 0;
}

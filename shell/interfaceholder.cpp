#include "shell/interfaceholder.h"

#include "framework/plugincontextqueries.h"
#include "framework/pluginfilters.h"

namespace MovraPlayerX {

InterfaceHolder::InterfaceHolder(const char* interfaceId)
    : id(interfaceId)
{
}

InterfaceHolder::~InterfaceHolder()
{
    release();
}

int InterfaceHolder::acquire(MSE::PluginContext* context)
{
    if (interface)
        return 1;
    MSE::Plugin* object = nullptr;
    if (!context
        || context->getPlugin(&object, MSE::PluginContext::PluginInterfaceFilter(id),
                              MSE::PluginContext::SimplePluginInfoSelector(), true) != MSE::kResultOk
        || !object) {
        plugin = nullptr;
        interface = nullptr;
        return 3;
    }
    void* found = nullptr;
    if (object->getInterface(id, &found) != MSE::kResultOk || !found) {
        object->release();
        plugin = nullptr;
        interface = nullptr;
        return 3;
    }
    plugin = object;
    interface = found;
    return 0;
}

void InterfaceHolder::release()
{
    if (plugin)
        plugin->release();
    plugin = nullptr;
    interface = nullptr;
}

} // namespace MovraPlayerX

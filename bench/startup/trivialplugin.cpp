// A plug-in that offers nothing: what discovery costs per plug-in, without any work of its own.

#include <MSE/PluginObject.h>

namespace {

class TrivialPlugin final : public MSE::PluginObject
{
public:
    using PluginObject::PluginObject;
    int32_t getInterface(const MSE::movra_string<char>&, void**) override { return 3; }
};

} // namespace

extern "C" __attribute__((visibility("default"))) int32_t _getPlugin(MSE::PluginContext* context,
                                                                     MSE::Plugin** plugin)
{
    if (!context || !plugin)
        return 1;
    *plugin = new TrivialPlugin(context);
    return 0;
}

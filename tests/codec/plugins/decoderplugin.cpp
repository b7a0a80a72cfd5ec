// A decoder that arrives as a component: the stand-in component manager copies it into the
// folder the "AVCCodec" record names, and the player finds it when it rescans.

#include <MSE/PluginObject.h>

namespace {

class DecoderPlugin final : public MSE::PluginObject
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
    *plugin = new DecoderPlugin(context);
    return 0;
}

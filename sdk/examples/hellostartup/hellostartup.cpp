// A start-up plug-in: the player runs it once, before the main window exists. It needs no
// Qt and links nothing of the player's.

#include <MSE/PluginInfo.h>
#include <MSE/PluginObject.h>
#include <MovraPlayerX/PluginInterfaces.h>

#include <cstdio>
#include <new>

namespace {

class HelloStartup final : public MSE::PluginObject, public MovraPlayerX::IStartup
{
public:
    using PluginObject::PluginObject;

    int32_t getInterface(const MSE::movra_string<char>& id, void** out) override
    {
        if (!out)
            return MSE::kResultMissingArgument;
        if (id == MovraPlayerX::kStartupInterface) {
            *out = static_cast<MovraPlayerX::IStartup*>(this);
            return MSE::kResultOk;
        }
        return MSE::kResultFailed;
    }

    void run() override
    {
        // The record the player read from HelloStartup.xml; its fields are plain data.
        const MSE::PluginInfo* info = getPluginInfo();
        std::printf("HelloStartup: %s runs before the main window\n", info ? info->name.c_str() : "?");
        std::fflush(stdout);
    }
};

} // namespace

extern "C" __attribute__((visibility("default"))) int32_t _getPlugin(MSE::PluginContext* context, MSE::Plugin** plugin)
{
    // No exception may cross into the player: report failure with a result code instead.
    if (!context || !plugin)
        return MSE::kResultMissingArgument;
    *plugin = new (std::nothrow) HelloStartup(context);
    return *plugin ? MSE::kResultOk : MSE::kResultFailed;
}

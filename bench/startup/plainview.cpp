// The primary view of the start-up figures: a plain QMainWindow, nothing of the shipped
// player's window.

#include "benchwindow.h"

#include <MSE/PluginObject.h>
#include <MovraPlayerX/PluginInterfaces.h>

namespace {

class PlainView final : public MSE::PluginObject, public MovraPlayerX::IView
{
public:
    using PluginObject::PluginObject;

    int32_t getInterface(const MSE::movra_string<char>& id, void** out) override
    {
        if (!(id == MovraPlayerX::kViewInterface))
            return 3;
        *out = static_cast<MovraPlayerX::IView*>(this);
        return 0;
    }

    void show() override { MovraBench::showBenchWindow(); }
};

} // namespace

extern "C" __attribute__((visibility("default"))) int32_t _getPlugin(MSE::PluginContext* context,
                                                                     MSE::Plugin** plugin)
{
    if (!context || !plugin)
        return 1;
    *plugin = new PlainView(context);
    return 0;
}

// A primary view whose show() writes through a null pointer: a plug-in that crashes the
// player as soon as the main window is asked for.

#include <MSE/PluginObject.h>
#include <MovraPlayerX/PluginInterfaces.h>

namespace {

int* volatile nowhere = nullptr;

class CrashingView final : public MSE::PluginObject, public MovraPlayerX::IView
{
public:
    explicit CrashingView(MSE::PluginContext* context) : PluginObject(context) {}

    int32_t getInterface(const MSE::movra_string<char>& id, void** out) override
    {
        if (!(id == MovraPlayerX::kViewInterface))
            return 3;
        *out = static_cast<MovraPlayerX::IView*>(this);
        return 0;
    }

    __attribute__((noinline)) void show() override { *nowhere = 1; }
};

} // namespace

extern "C" __attribute__((visibility("default"))) int32_t _getPlugin(MSE::PluginContext* context,
                                                                     MSE::Plugin** plugin)
{
    if (!context || !plugin)
        return 1;
    *plugin = new CrashingView(context);
    return 0;
}

// A primary view whose show() writes through a null pointer: a plug-in that crashes the
// player as soon as the main window is asked for. With CRASHING_VIEW=thread-overflow it
// starts a thread of its own instead, as a plug-in may, whose recursion overflows its stack.

#include <MSE/PluginObject.h>
#include <MovraPlayerX/PluginInterfaces.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <thread>

namespace {

int* volatile nowhere = nullptr;

// The bound is never reached: the stack ends long before.
__attribute__((noinline)) int recurse(int depth)
{
    volatile char frame[256];
    frame[depth % 256] = static_cast<char>(depth);
    if (depth == std::numeric_limits<int>::max())
        return frame[0];
    return recurse(depth + 1) + frame[0];
}

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

    __attribute__((noinline)) void show() override
    {
        const char* how = std::getenv("CRASHING_VIEW");
        if (how && std::strcmp(how, "thread-overflow") == 0) {
            std::thread([] { recurse(0); }).join();
            return;
        }
        *nowhere = 1;
    }
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

// One test plug-in, built once per scenario with different compile definitions:
//   TESTPLUGIN_ENTRY_RESULT  what _getPlugin answers (0 unless set)
//   TESTPLUGIN_NO_ENTRY      the library exports no _getPlugin
//   TESTPLUGIN_DEPENDENCY    the library calls into a dependency library
//   TESTPLUGIN_DEFERRED      an object whose count reaches 0 asks for deferred release and
//                            is left for whoever completes the release to delete
//   TESTPLUGIN_MISSING_SYMBOL the library needs a function nobody defines, so it never loads
//   TESTPLUGIN_CRASH         _getPlugin dies of an illegal instruction (no sanitizer takes it over)
// Built against the SDK headers alone, as a third-party plug-in is.

#include <MSE/Plugin.h>
#include <MSE/PluginContext.h>
#include <MovraPlayerX/PluginInterfaces.h>

#include "support/testcounters.h"

#include <atomic>

#ifdef TESTPLUGIN_DEPENDENCY
extern "C" int testDependencyValue();
#endif
#ifdef TESTPLUGIN_MISSING_SYMBOL
namespace fwtest_absent {
int missingFunction(const char* text, int count);
}
#endif
namespace {

class TestPlugin final : public MSE::Plugin, public MovraPlayerX::IStartup, public MovraPlayerX::IView
{
public:
    explicit TestPlugin(MSE::PluginContext* context) : m_context(context) { ftc_objectCreated(); }
    ~TestPlugin() override { ftc_objectDestroyed(); }

    int32_t addRef() override { return ++m_count; }

    // The object deletes itself only when the farm let it go: a 0 count may have been
    // handed out again meanwhile. The context is read before the count drops, because
    // after that another thread may already have deleted this object.
    int32_t release() override
    {
        MSE::PluginContext* context = m_context;
        const int32_t count = --m_count;
#ifdef TESTPLUGIN_DEFERRED
        if (count == 0)
            context->deferPluginRelease(this);
#else
        if (count == 0 && context->releasePlugin(this) == MSE::kResultOk)
            delete this;
#endif
        return count;
    }

    int32_t getRefCount() override { return m_count; }
    MSE::PluginInfo* getPluginInfo() override { return pluginInfo; }
    MSE::PluginContext* getPluginContext() override { return m_context; }

    int32_t getInterface(const MSE::movra_string<char>& id, void** out) override
    {
        if (!out)
            return MSE::kResultMissingArgument;
        if (id == MovraPlayerX::kStartupInterface) {
            *out = static_cast<MovraPlayerX::IStartup*>(this);
            return MSE::kResultOk;
        }
        if (id == MovraPlayerX::kViewInterface) {
            *out = static_cast<MovraPlayerX::IView*>(this);
            return MSE::kResultOk;
        }
        return MSE::kResultFailed;
    }

    void run() override
    {
#ifdef TESTPLUGIN_DEPENDENCY
        if (testDependencyValue() != 42)
            return;
#endif
#ifdef TESTPLUGIN_MISSING_SYMBOL
        if (fwtest_absent::missingFunction("x", 1) != 0)
            return;
#endif
        ftc_startupRun();
    }
    void show() override {}

private:
    MSE::PluginContext* m_context;
    std::atomic<int32_t> m_count{1};
};

} // namespace

#ifndef TESTPLUGIN_NO_ENTRY
extern "C" __attribute__((visibility("default"))) int32_t _getPlugin(MSE::PluginContext* context, MSE::Plugin** plugin)
{
#ifdef TESTPLUGIN_ENTRY_RESULT
    if (TESTPLUGIN_ENTRY_RESULT != 0)
        return TESTPLUGIN_ENTRY_RESULT;
#endif
#ifdef TESTPLUGIN_CRASH
    __builtin_trap();
#endif
    if (!context || !plugin)
        return MSE::kResultMissingArgument;
    *plugin = new TestPlugin(context);
    return MSE::kResultOk;
}
#endif

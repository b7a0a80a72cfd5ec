#include "shell/shellstartup.h"

#include "framework/plugincontextqueries.h"
#include "framework/pluginfilters.h"
#include "mpx/mpxstringtools.h"
#include "shell/primaryviewpluginfilter.h"

#include <MSE/PluginContext.h>
#include <MovraPlayerX/PluginInterfaces.h>

#include <vector>

namespace MovraPlayerX {

namespace {

// Obtains `interfaceId` of `plugin`, runs `action` on it, and releases the object whatever
// happened. True when the action ran.
template <class Interface, class Action>
bool withInterface(MSE::Plugin* plugin, const char* interfaceId, Action action)
{
    void* found = nullptr;
    bool ran = false;
    if (plugin->getInterface(MSE::movra_string<char>(interfaceId), &found) == 0 && found) {
        action(static_cast<Interface*>(found));
        ran = true;
    }
    plugin->release();
    return ran;
}

bool showView(MSE::Plugin* plugin)
{
    return withInterface<IView>(plugin, kViewInterface, [](IView* view) { view->show(); });
}

} // namespace

void installCrashHandlerIfAsked(int32_t /*crashDumpMode*/)
{
    // Dump writing arrives with the crash handler; until then a crash takes the system's
    // default path (a core dump where the system keeps them).
}

void runStartupPlugins(MSE::PluginContext* context)
{
    MSE::List<MSE::PluginInfo*> infos;
    if (context->getPluginInfos(&infos, MSE::PluginContext::PluginInterfaceFilter(kStartupInterface)) != 0)
        return;
    for (uint32_t i = 0; i < infos.size(); ++i) {
        MSE::Plugin* plugin = nullptr;
        if (context->getPlugin(infos.at(i), &plugin, true) != 0 || !plugin)
            continue;
        withInterface<IStartup>(plugin, kStartupInterface, [](IStartup* startup) { startup->run(); });
    }
}

bool showPrimaryView(MSE::PluginContext* context, const QString& preferredPlugin)
{
    const MSE::PluginContext::SimplePluginInfoSelector selector;
    MSE::Plugin* plugin = nullptr;
    const std::string name = MPXStringTools::toStdStringUTF8(preferredPlugin);
    if (context->getPlugin(&plugin, MSE::PluginContext::PluginNameFilter(name.c_str()), selector, true) == 0
        && plugin && showView(plugin))
        return true;

    plugin = nullptr;
    if (context->getPlugin(&plugin, PrimaryViewPluginFilter(), selector, true) != 0 || !plugin)
        return false;
    return showView(plugin);
}

void runShutdownPlugins(MSE::PluginContext* context)
{
    std::vector<MSE::Plugin*> live;
    if (context->getLivePlugins(&live, MSE::PluginContext::PluginInterfaceFilter(kShutdownInterface)) != 0)
        return;
    for (MSE::Plugin* plugin : live)
        withInterface<IShutdown>(plugin, kShutdownInterface, [](IShutdown* shutdown) { shutdown->run(); });
}

} // namespace MovraPlayerX

#include "shell/shellstartup.h"

#include "framework/farm.h"
#include "framework/widestring.h"
#include "framework/plugincontextqueries.h"
#include "framework/pluginfilters.h"
#include "mpx/mpxstringtools.h"
#include "shell/primaryviewpluginfilter.h"

#include <MSE/PluginContext.h>
#include <MovraPlayerX/PluginInterfaces.h>

#include <QCoreApplication>

#include <cstdio>
#include <set>
#include <string>
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
    if (plugin->getInterface(MSE::movra_string<char>(interfaceId), &found) == MSE::kResultOk && found) {
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

void runStartupPlugins(MSE::PluginContext* context)
{
    MSE::List<MSE::PluginInfo*> infos;
    if (context->getPluginInfos(&infos, MSE::PluginContext::PluginInterfaceFilter(kStartupInterface)) != MSE::kResultOk)
        return;
    for (uint32_t i = 0; i < infos.size(); ++i) {
        MSE::Plugin* plugin = nullptr;
        if (context->getPlugin(infos.at(i), &plugin, true) != MSE::kResultOk || !plugin)
            continue;
        withInterface<IStartup>(plugin, kStartupInterface, [](IStartup* startup) { startup->run(); });
    }
}

namespace {

// The primary-view filter without the plug-ins that already failed to start, so a broken
// view is passed over for the next one that qualifies.
class RemainingPrimaryViewFilter : public PrimaryViewPluginFilter
{
public:
    explicit RemainingPrimaryViewFilter(const std::set<std::string>& failed) : m_failed(&failed) {}
    bool test(const MSE::PluginInfo* info) const override
    {
        return PrimaryViewPluginFilter::test(info) && !m_failed->count(std::string(info->name.c_str(), info->name.length()));
    }

private:
    const std::set<std::string>* m_failed;
};

// The record getPlugin creates an object for when nothing live passes the filter.
template <class Filter>
MSE::PluginInfo* chosenRecord(MSE::PluginContext* context, const Filter& filter)
{
    MSE::List<MSE::PluginInfo*> candidates;
    if (context->getPluginInfos(&candidates, filter) != MSE::kResultOk)
        return nullptr;
    const MSE::PluginContext::SimplePluginInfoSelector selector;
    MSE::PluginInfo* chosen = nullptr;
    for (MSE::PluginInfo* info : candidates) {
        if (!chosen || selector.prefer(chosen, info))
            chosen = info;
    }
    return chosen;
}

std::string describeFailure(MSE::PluginContext* context, const MSE::PluginInfo* info, int result)
{
    std::string reason;
    if (auto* farm = dynamic_cast<MSE::Farm*>(context))
        reason = farm->lastLoadError(info->name);
    if (reason.empty())
        reason = result == 0 ? std::string("it offers no ") + kViewInterface + " interface"
                             : "it could not be created (result " + std::to_string(result) + ")";
    std::string library = MSE::toUtf8(info->libraryFolder);
    if (!library.empty() && library.back() != '/')
        library += '/';
    library += MSE::toUtf8(info->libraryFile);
    return "'" + std::string(info->name.c_str()) + "' (" + library + "): " + reason;
}

void tellUser(const std::string& line)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()), line.c_str());
    std::fflush(stderr);
}

// Creates the chosen plug-in's object and shows its view. On failure returns false and, when
// the plug-in exists, adds it to `failed` and says why.
template <class Filter>
bool tryView(MSE::PluginContext* context, const Filter& filter, const char* chosenBy, std::set<std::string>& failed)
{
    MSE::Plugin* plugin = nullptr;
    const int result = context->getPlugin(&plugin, filter, MSE::PluginContext::SimplePluginInfoSelector(), true);
    if (result == 0 && plugin) {
        MSE::PluginInfo* info = plugin->getPluginInfo();
        if (showView(plugin))
            return true;
        if (info) {
            failed.insert(std::string(info->name.c_str(), info->name.length()));
            tellUser(std::string("the main window ") + chosenBy + " did not start: " + describeFailure(context, info, 0));
        }
        return false;
    }
    if (MSE::PluginInfo* info = chosenRecord(context, filter)) {
        failed.insert(std::string(info->name.c_str(), info->name.length()));
        tellUser(std::string("the main window ") + chosenBy + " did not start: " + describeFailure(context, info, result));
    }
    return false;
}

} // namespace

bool showPrimaryView(MSE::PluginContext* context, const QString& preferredPlugin)
{
    std::set<std::string> failed;
    const std::string name = MPXStringTools::toStdStringUTF8(preferredPlugin);
    if (tryView(context, MSE::PluginContext::PluginNameFilter(name.c_str()), "named by DefaultViewPlugin", failed))
        return true;
    // A plug-in that exists but cannot start is treated as absent: the next one that
    // qualifies gets its turn, so a broken third-party view never keeps the shipped one out.
    for (;;) {
        const RemainingPrimaryViewFilter remaining(failed);
        const std::size_t failures = failed.size();
        if (tryView(context, remaining, "chosen among the primary views", failed))
            return true;
        if (failed.size() == failures)
            break;
    }
    if (failed.empty())
        tellUser("no main window could be started: '" + name
                 + "' (DefaultViewPlugin) is not installed and no other plug-in offers a primary view");
    else
        tellUser("no main window could be started");
    return false;
}

void runShutdownPlugins(MSE::PluginContext* context)
{
    std::vector<MSE::Plugin*> live;
    if (context->getLivePlugins(&live, MSE::PluginContext::PluginInterfaceFilter(kShutdownInterface)) != MSE::kResultOk)
        return;
    for (MSE::Plugin* plugin : live)
        withInterface<IShutdown>(plugin, kShutdownInterface, [](IShutdown* shutdown) { shutdown->run(); });
}

} // namespace MovraPlayerX

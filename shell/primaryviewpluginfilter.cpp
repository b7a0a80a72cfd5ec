#include "shell/primaryviewpluginfilter.h"

#include <MovraPlayerX/PluginInterfaces.h>

namespace MovraPlayerX {

namespace {
constexpr char kPrimaryViewXPath[] = "/properties/playerX/primaryView";
}

bool PrimaryViewPluginFilter::test(const MSE::PluginInfo* info) const
{
    if (!info)
        return false;
    const MSE::PluginContext::PluginInterfaceFilter offersView{MSE::movra_string<char>(kViewInterface)};
    return offersView.test(info) && info->hasProperty(MSE::movra_string<char>(kPrimaryViewXPath));
}

} // namespace MovraPlayerX

#pragma once
#include "framework/pluginfilters.h"

namespace MovraPlayerX {

// Passes plug-ins that can be the player's main window: they offer the View interface and
// their properties say so with a primaryView element.
class PrimaryViewPluginFilter : public MSE::PluginContext::AbstractPluginInfoFilter
{
public:
    bool test(const MSE::PluginInfo* info) const override;
};

} // namespace MovraPlayerX

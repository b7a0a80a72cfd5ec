#include "framework/plugincontextqueries.h"
#include "framework/plugininfoloader.h"
#include "framework/pluginslock.h"
#include "framework/propertypaths.h"

#include <MSE/PluginContext.h>

#include <functional>

namespace MSE {

PluginContext::PluginContext() : pluginsLock(new PluginsLock) {}

PluginContext::~PluginContext()
{
    releasedPlugins.clear();
    delete pluginsLock;
}

namespace {
// True as soon as one registered plug-in lists a value at xpath that matches.
bool anyPluginAccepts(PluginContext& context, const char* xpath, const std::function<bool(const char*)>& matches)
{
    List<PluginInfo*> infos;
    context.getPluginInfos(&infos, PluginContext::NullFilter());
    for (PluginInfo* info : infos) {
        for (const movra_string<char>& value : info->getPropertyValues(xpath)) {
            if (matches(value.c_str()))
                return true;
        }
    }
    return false;
}
} // namespace

bool PluginContext::isVideoFormatSupported(const movra_string<char>& fourCC)
{
    return anyPluginAccepts(*this, PropertyPath::kVideoInputFormats,
                            [&](const char* value) { return fourCC == value; });
}

bool PluginContext::isAudioFormatSupported(int32_t formatId)
{
    return anyPluginAccepts(*this, PropertyPath::kAudioInputFormats,
                            [&](const char* value) { return parseAudioFormatId(value) == formatId; });
}

bool PluginContext::isOverlayFormatSupported(const movra_string<char>& fourCC)
{
    return anyPluginAccepts(*this, PropertyPath::kOverlayInputFormats,
                            [&](const char* value) { return fourCC == value; });
}

} // namespace MSE

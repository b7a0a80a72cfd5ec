#include "mpx/uridispatcher.h"

#include "framework/plugincontextqueries.h"
#include "mpx/mpxlogging_p.h"

#include <MovraPlayerX/PluginInterfaces.h>

#include <QUrl>

namespace MovraPlayerX {

URIDispatcher* URIDispatcher::getInstance(MSE::PluginContext* context)
{
    if (!context)
        return nullptr;
    const MSE::movra_string<char> interfaceId(kURIHandlerInterface);
    MSE::Plugin* plugin = nullptr;
    const int result = context->getPlugin(&plugin, MSE::PluginContext::PluginInterfaceFilter(interfaceId),
                                          MSE::PluginContext::SimplePluginInfoSelector(), true);
    if (result != 0 || !plugin) {
        qCDebug(lcMpx) << "no plug-in receives addresses yet:" << result;
        return nullptr;
    }
    void* handler = nullptr;
    if (plugin->getInterface(interfaceId, &handler) != MSE::kResultOk || !handler) {
        qCInfo(lcMpx) << "the plug-in declaring" << kURIHandlerInterface << "does not hand it out";
        plugin->release();
        return nullptr;
    }
    return new URIDispatcher(plugin, static_cast<IURIHandler*>(handler));
}

URIDispatcher::URIDispatcher(MSE::Plugin* plugin, IURIHandler* handler)
    : m_plugin(plugin)
    , m_handler(handler)
{
}

URIDispatcher::~URIDispatcher() = default;

void URIDispatcher::dispatchURI(const QUrl& url)
{
    m_handler->openUri(url.toEncoded().constData());
}

void URIDispatcher::releaseInstance()
{
    m_plugin->release();
    delete this;
}

} // namespace MovraPlayerX

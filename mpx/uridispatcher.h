#pragma once
#include "mpx/mpxglobal.h"

class QUrl;

namespace MSE {
class Plugin;
class PluginContext;
} // namespace MSE

namespace MovraPlayerX {

class IURIHandler;

// Hands addresses to the plug-in that receives them: the plug-in object offering
// "com.movra.playerX.pluginInterface.URIHandler", held for as long as the dispatcher lives.
class MPX_EXPORT URIDispatcher
{
public:
    // A new dispatcher holding one reference to the receiving plug-in object (created when
    // none is live), or null when no registered plug-in offers the interface yet or context
    // is null. Give it back with releaseInstance().
    static URIDispatcher* getInstance(MSE::PluginContext* context);

    // Passes the address in its encoded form.
    void dispatchURI(const QUrl& url);

    // Releases the plug-in object and deletes this dispatcher.
    void releaseInstance();

    URIDispatcher(const URIDispatcher&) = delete;
    URIDispatcher& operator=(const URIDispatcher&) = delete;

private:
    URIDispatcher(MSE::Plugin* plugin, IURIHandler* handler);
    ~URIDispatcher();

    MSE::Plugin* m_plugin;
    IURIHandler* m_handler;
};

} // namespace MovraPlayerX

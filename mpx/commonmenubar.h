#pragma once
#include "mpx/mpxglobal.h"

class QMenuBar;

namespace MSE {
class PluginContext;
} // namespace MSE

namespace MovraPlayerX {

// The one menu bar the player's plug-ins share: the main window shows it, other plug-ins add
// their menus to it. GUI thread only.
class MPX_EXPORT CommonMenuBar
{
public:
    // Called by the start-up sequence once the plug-in folders are known; a later call
    // replaces the context and keeps the menu bar.
    static void init(MSE::PluginContext* context);
    static MSE::PluginContext* pluginContext();

    // The shared menu bar, created without parent on first request. Null without a
    // QApplication or off the GUI thread.
    static QMenuBar* menuBar();

    // Deletes the menu bar, if any; must run while the QApplication still exists. A later
    // menuBar() creates a new one.
    static void release();
};

} // namespace MovraPlayerX

#pragma once
// The plug-in steps of a player run: start-up plug-ins, the primary view, shut-down plug-ins.

#include <QString>

#include <cstdint>

namespace MSE {
class PluginContext;
}

namespace MovraPlayerX {

int runPlayer(int& argc, char** argv);

// Runs the start-up action of every plug-in that declares one, in catalogue order.
void runStartupPlugins(MSE::PluginContext* context);

// Shows the main window of the named plug-in or, failing that, of a plug-in that can be the
// primary view; a plug-in that exists but cannot start is passed over for the next one, and
// standard error says which and why. False when no view could be shown.
bool showPrimaryView(MSE::PluginContext* context, const QString& preferredPlugin);

// Runs the shut-down action of every live plug-in object that declares one. Plug-ins without
// a live object are not created for it.
void runShutdownPlugins(MSE::PluginContext* context);

} // namespace MovraPlayerX

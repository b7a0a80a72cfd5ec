#pragma once
// A codec install on a worker thread of its own. The worker reports once, through the
// callback, and only while the callback is attached (see attachInstallCallback).

#include "codec/asyncinstallcallback.h"
#include "codec/componentspec.h"
#include "codec/imovracomponentmanager.h"

#include <boost/shared_ptr.hpp>

#include <list>

namespace mcm {

// Statuses the install reports besides those of the library.
enum InstallStatus : int32_t {
    kInstalled = 0,
    kSetupFailed = 1,
    kNothingToInstall = 3,
    kCancelled = 29,  // the component manager's status for an install given up
};

// Starts a detached worker and returns at once; the specs are copied first. An empty manager
// means a new component-manager wrapper, made on the worker.
void startAsyncInstall(const std::list<ComponentSpec>& specs, IAsyncInstallCallback* callback,
                       boost::shared_ptr<IMovraComponentManager> manager = boost::shared_ptr<IMovraComponentManager>());
// The worker's body.
void runInstall(std::list<ComponentSpec> specs, IAsyncInstallCallback* callback,
                boost::shared_ptr<IMovraComponentManager> manager);

// A worker may outlive whoever started it (the player quits while a download runs). Reports
// reach only attached callbacks; detaching waits for a report being delivered right now, so
// once it returns the callback may be destroyed.
void attachInstallCallback(IAsyncInstallCallback* callback);
void detachInstallCallback(IAsyncInstallCallback* callback);
// False when the report was dropped because the callback is not attached.
bool reportInstall(IAsyncInstallCallback* callback, int32_t status, int32_t detail);
// Workers started and not yet finished, their last release of the library included.
int runningInstalls();
// Gives up every install under way: a transfer inside the library ends within a fraction of
// a second, and each worker reports kCancelled (unless it had already finished).
void cancelRunningInstalls();

} // namespace mcm

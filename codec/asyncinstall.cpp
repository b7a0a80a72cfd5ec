#include "codec/asyncinstall.h"

#include "codec/codeclog.h"
#include "codec/module.h"
#include "codec/wrapper.h"
#include "platform/signalstack.h"

#include <boost/thread/thread.hpp>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

namespace mcm {

namespace {

struct AttachedCallbacks
{
    std::mutex mutex;
    std::vector<IAsyncInstallCallback*> callbacks;
};

// Never destroyed: a worker still inside the library when the process exits may report while
// static destructors run.
AttachedCallbacks& attached()
{
    static AttachedCallbacks* instance = new AttachedCallbacks;
    return *instance;
}

std::atomic<int> workers{0};

// Managers of the workers between their set-up and their release, so a cancel reaches them;
// and how many cancels have been asked for, so a worker between two calls sees one too.
struct Cancellation
{
    std::mutex mutex;
    std::vector<IMovraComponentManager*> managers;
    uint64_t requests = 0;
};
Cancellation& cancellation()
{
    static Cancellation* instance = new Cancellation;
    return *instance;
}

// Registered for its lifetime; `cancelled()` tells whether a cancel came since it began.
class CancelScope
{
public:
    CancelScope()
    {
        std::lock_guard<std::mutex> lock(cancellation().mutex);
        m_start = cancellation().requests;
    }
    ~CancelScope() { release(); }
    void attach(IMovraComponentManager* manager)
    {
        Cancellation& c = cancellation();
        std::lock_guard<std::mutex> lock(c.mutex);
        m_manager = manager;
        c.managers.push_back(manager);
        if (c.requests != m_start)
            manager->cancel();
    }
    void release()
    {
        if (!m_manager)
            return;
        Cancellation& c = cancellation();
        std::lock_guard<std::mutex> lock(c.mutex);
        c.managers.erase(std::remove(c.managers.begin(), c.managers.end(), m_manager), c.managers.end());
        m_manager = nullptr;
    }
    bool cancelled() const
    {
        std::lock_guard<std::mutex> lock(cancellation().mutex);
        return cancellation().requests != m_start;
    }

private:
    uint64_t m_start = 0;
    IMovraComponentManager* m_manager = nullptr;
};

// Counts a worker until its body has returned and released everything it held.
struct WorkerCount
{
    ~WorkerCount() { --workers; }
};

} // namespace

int runningInstalls()
{
    return workers;
}

void cancelRunningInstalls()
{
    Cancellation& c = cancellation();
    std::lock_guard<std::mutex> lock(c.mutex);
    ++c.requests;
    for (IMovraComponentManager* manager : c.managers)
        manager->cancel();
}

void attachInstallCallback(IAsyncInstallCallback* callback)
{
    AttachedCallbacks& a = attached();
    std::lock_guard<std::mutex> lock(a.mutex);
    if (callback && std::find(a.callbacks.begin(), a.callbacks.end(), callback) == a.callbacks.end())
        a.callbacks.push_back(callback);
}

void detachInstallCallback(IAsyncInstallCallback* callback)
{
    AttachedCallbacks& a = attached();
    std::lock_guard<std::mutex> lock(a.mutex);
    a.callbacks.erase(std::remove(a.callbacks.begin(), a.callbacks.end(), callback), a.callbacks.end());
}

bool reportInstall(IAsyncInstallCallback* callback, int32_t status, int32_t detail)
{
    AttachedCallbacks& a = attached();
    // Held during the call, so detaching cannot complete while the callback is in use.
    std::lock_guard<std::mutex> lock(a.mutex);
    if (!callback || std::find(a.callbacks.begin(), a.callbacks.end(), callback) == a.callbacks.end()) {
        qCDebug(lcCodec, "install report %d dropped: nobody is listening", status);
        return false;
    }
    callback->installFinished(status, detail);
    return true;
}

void startAsyncInstall(const std::list<ComponentSpec>& specs, IAsyncInstallCallback* callback,
                       boost::shared_ptr<IMovraComponentManager> manager)
{
    ++workers;
    try {
        boost::thread worker([specs, callback, manager]() mutable {
            WorkerCount counted;
            runInstall(std::move(specs), callback, std::move(manager));
        });
        worker.detach();
    } catch (const boost::thread_resource_error& error) {
        --workers;
        // No thread, no install: the caller still hears about it, as about any failed set-up.
        qCWarning(lcCodec, "cannot start the install worker: %s", error.what());
        reportInstall(callback, kSetupFailed, 0);
    }
}

void runInstall(std::list<ComponentSpec> specs, IAsyncInstallCallback* callback,
                boost::shared_ptr<IMovraComponentManager> manager)
{
    // A stack overflow on this thread still reaches the crash handler.
    const MovraPlatform::ScopedSignalStack signalStack;
    CancelScope cancelScope;
    if (!manager)
        manager = createComponentManager();

    const int32_t setup = manager->initialize(mvtl::Module::create());
    if (setup != 0) {
        qCWarning(lcCodec, "the component manager cannot be set up (status %d)", setup);
        reportInstall(callback, kSetupFailed, 0);
        return;
    }
    cancelScope.attach(manager.get());
    // Released from cancels before the manager goes, whichever way this returns.
    struct Detach
    {
        CancelScope& scope;
        ~Detach() { scope.release(); }
    } detach{cancelScope};

    std::list<std::string> names;
    const int32_t found = manager->findComponents(specs, &names);
    if (found != 0) {
        reportInstall(callback, found, 0);
        return;
    }
    if (names.empty()) {
        reportInstall(callback, kNothingToInstall, 0);
        return;
    }
    if (cancelScope.cancelled()) {
        reportInstall(callback, kCancelled, 0);
        return;
    }

    const int32_t updated = manager->updateComponents(&names);
    // The library is unloaded before the report, so whoever reacts to it (rescanning plug-in
    // folders) sees the installed files, not a library still holding them.
    cancelScope.release();
    manager.reset();
    reportInstall(callback, updated, 0);
}

} // namespace mcm

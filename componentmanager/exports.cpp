#include "componentmanager/componentmanagerapi.h"

#include "componentmanager/componentmanager.h"
#include "componentmanager/componentstatus.h"
#include "platform/libraryfolder.h"
#include "platform/registry.h"

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <new>
#include <set>
#include <string>

#include <dlfcn.h>

using namespace MovraComponents;

namespace {

struct Session
{
    explicit Session(const HostPaths& paths) : manager(paths) {}
    ComponentManager manager;
    int activeCalls = 0;   // guarded by sessionsMutex
    bool closing = false;  // guarded by sessionsMutex
};

// Every live handle, so a stale or foreign one is answered with a status, not a crash.
std::mutex sessionsMutex;
std::condition_variable sessionsIdle;
std::set<Session*>& liveSessions()
{
    static std::set<Session*> sessions;
    return sessions;
}

class Call
{
public:
    explicit Call(void* handle)
    {
        std::lock_guard<std::mutex> lock(sessionsMutex);
        auto* session = static_cast<Session*>(handle);
        if (session && liveSessions().count(session) && !session->closing) {
            m_session = session;
            ++m_session->activeCalls;
        }
    }
    ~Call()
    {
        if (!m_session)
            return;
        std::lock_guard<std::mutex> lock(sessionsMutex);
        --m_session->activeCalls;
        sessionsIdle.notify_all();
    }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;
    ComponentManager* operator->() const { return &m_session->manager; }
    explicit operator bool() const { return m_session != nullptr; }

private:
    Session* m_session = nullptr;
};

HostPaths hostPaths()
{
    HostPaths paths;
    // Keys to trust and a program to run with raised rights are never looked for relative to
    // the working directory: a library whose folder is unknown gets neither.
    const std::string folder =
        MovraPlatform::folderOfLibraryHolding(reinterpret_cast<const void*>(&MCM_Initialize));
    if (folder.empty())
        return paths;
    paths.trustedKeysFile = folder + kTrustedKeysFileName;
    // The library lives in <app>/ComponentManager/, the tool in <app>/. polkit matches the
    // program's path as given, so hand pkexec the canonical one.
    paths.toolPath = folder + "../movra-components";
    if (char* real = ::realpath(paths.toolPath.c_str(), nullptr)) {
        paths.toolPath = real;
        std::free(real);
    }
    return paths;
}

void report(const std::vector<std::string>& names, MCM_NameCallback callback, void* context)
{
    for (const std::string& name : names)
        callback(name.c_str(), context);
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) int32_t MCM_Initialize(void** handle)
{
    if (!handle)
        return InvalidArgument;
    std::unique_lock<std::mutex> lock(sessionsMutex);
    // The registry layer keeps its roots open for the process. With no session live, nothing
    // of this library holds a key, so they can be dropped and the roots' location read anew:
    // a host that moved MOVRA_REGISTRY_DIR is followed, as a fresh load would follow it.
    if (liveSessions().empty())
        MovraRegistry::resetRegistryForTesting();
    Session* session = new (std::nothrow) Session(hostPaths());
    if (!session)
        return InstallFailed;
    liveSessions().insert(session);
    *handle = session;
    lock.unlock();
    // Nobody else has the handle yet. A kill during an earlier install may have left the
    // record behind the files, or work folders behind: put that right before anything reads
    // the records.
    session->manager.reconcileAll();
    return Success;
}

__attribute__((visibility("default"))) int32_t MCM_Shutdown(void* handle)
{
    auto* session = static_cast<Session*>(handle);
    std::unique_lock<std::mutex> lock(sessionsMutex);
    if (!session || !liveSessions().count(session) || session->closing)
        return handle ? InvalidArgument : Success;
    session->closing = true;
    session->manager.cancel();
    sessionsIdle.wait(lock, [session] { return session->activeCalls == 0; });
    liveSessions().erase(session);
    lock.unlock();
    delete session;
    return Success;
}

__attribute__((visibility("default"))) int32_t MCM_CheckForUpdates(void* handle, const char* names, int32_t,
                                                                   MCM_NameCallback callback, void* context)
{
    Call call(handle);
    if (!call || !names || !callback)
        return InvalidArgument;
    std::vector<std::string> newer;
    const int32_t status = call->checkForUpdates(splitNames(names), &newer);
    if (status == Success)
        report(newer, callback, context);
    return status;
}

__attribute__((visibility("default"))) int32_t MCM_FindComponents(void* handle, MCM_NameCallback callback,
                                                                  void* context)
{
    Call call(handle);
    if (!call || !callback)
        return InvalidArgument;
    std::vector<std::string> found;
    const int32_t status = call->findComponents(&found);
    if (status == Success)
        report(found, callback, context);
    return status;
}

__attribute__((visibility("default"))) int32_t MCM_UpdateComponents(void* handle, const char* names)
{
    Call call(handle);
    if (!call || !names)
        return InvalidArgument;
    return call->updateComponents(splitNames(names));
}

__attribute__((visibility("default"))) int32_t MCM_Cancel(void* handle)
{
    auto* session = static_cast<Session*>(handle);
    std::lock_guard<std::mutex> lock(sessionsMutex);
    if (!session || !liveSessions().count(session))
        return InvalidArgument;
    session->manager.cancel();
    return Success;
}

__attribute__((visibility("default"))) int32_t MCM_AddSpec(void* handle, const char* spec)
{
    Call call(handle);
    if (!call || !spec)
        return InvalidArgument;
    return call->addSpec(spec) ? Success : InvalidArgument;
}

}

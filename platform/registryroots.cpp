// The registry as a whole: what is wrong with its roots, batches of writes across both, and
// forgetting every connection (tests).

#include "platform/registry_p.h"

#include <string>

namespace MovraRegistry {

using namespace detail;

Registry& detail::registry()
{
    static Registry instance;
    return instance;
}

std::string registryProblems()
{
    RegistryStore* stores[2];
    {
        Registry& reg = registry();
        std::lock_guard<std::mutex> guard(reg.mutex);
        stores[UserRoot] = reg.store_locked(UserRoot);
        stores[MachineRoot] = reg.store_locked(MachineRoot);
    }
    std::string problems;
    for (RegistryStore* store : stores) {
        auto guard = store->lock();
        const std::string problem = store->problem_locked();
        if (!problem.empty())
            problems += problem + "\n";
    }
    return problems;
}

RegistryBatch::RegistryBatch()
{
    Registry& reg = registry();
    {
        std::lock_guard<std::mutex> guard(reg.mutex);
        m_stores[UserRoot] = reg.store_locked(UserRoot);
        m_stores[MachineRoot] = reg.store_locked(MachineRoot);
    }
    for (RegistryStore* store : m_stores) {
        auto guard = store->lock();
        store->beginBatch_locked();
    }
}

RegistryBatch::~RegistryBatch()
{
    (void)commit();
}

LONG RegistryBatch::commit()
{
    LONG result = ERROR_SUCCESS;
    for (RegistryStore*& store : m_stores) {
        if (!store)
            continue;
        auto guard = store->lock();
        const LONG rc = store->endBatch_locked();
        if (result == ERROR_SUCCESS)
            result = rc;
        store = nullptr;
    }
    return result;
}

void resetRegistryForTesting()
{
    Registry& reg = registry();
    std::lock_guard<std::mutex> guard(reg.mutex);
    for (KeyObject* object : reg.handles)
        delete object;
    reg.handles.clear();
    reg.stores[UserRoot].reset();
    reg.stores[MachineRoot].reset();
}

} // namespace MovraRegistry

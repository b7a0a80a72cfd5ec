#pragma once
// The registry's process-wide state, shared by the calls on keys and values (registry.cpp)
// and those on the roots as a whole (registryroots.cpp): the two stores and every open handle.

#include "platform/registry.h"
#include "platform/registrylocation.h"
#include "platform/registrystore.h"

#include <memory>
#include <mutex>
#include <unordered_set>

namespace MovraRegistry {

struct KeyObject
{
    RegistryStore* store = nullptr;
    int64_t id = 0;
    REGSAM access = 0;
};

namespace detail {

enum RootIndex { UserRoot = 0, MachineRoot = 1 };

// Lock order: the handle table's mutex, then one store's; never two stores at once, but
// for a batch beginning in the machine root, which first begins the user root's (machine's
// lock, then user's; nothing takes them the other way round).
struct Registry
{
    std::mutex mutex;
    std::unique_ptr<RegistryStore> stores[2];
    std::unordered_set<KeyObject*> handles;

    RegistryStore* store_locked(RootIndex root)
    {
        if (!stores[root]) {
            const RegistryLocation location = currentRegistryLocation();
            stores[UserRoot] = std::make_unique<RegistryStore>(location.userDatabase, false, true, true);
            stores[MachineRoot] = std::make_unique<RegistryStore>(location.machineDatabase,
                                                                  location.machineReadOnly);
            stores[MachineRoot]->setBatchPredecessor(stores[UserRoot].get());
        }
        return stores[root].get();
    }
};

Registry& registry();

} // namespace detail

} // namespace MovraRegistry

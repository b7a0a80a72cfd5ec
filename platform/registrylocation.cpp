#include "platform/registrylocation.h"

#include <cstdlib>
#include <cstring>

namespace MovraRegistry {

namespace {

const char kRegistryDirVariable[] = "MOVRA_REGISTRY_DIR";
const char kMachineReadOnlyVariable[] = "MOVRA_REGISTRY_MACHINE_READONLY";
const char kSystemMachineDatabase[] = "/var/lib/movra/registry/machine.db";

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

} // namespace

RegistryLocation currentRegistryLocation()
{
    RegistryLocation location;
    const std::string dir = environment(kRegistryDirVariable);
    if (!dir.empty()) {
        location.userDatabase = dir + "/user.db";
        location.machineDatabase = dir + "/machine.db";
    } else {
        std::string config = environment("XDG_CONFIG_HOME");
        if (config.empty())
            config = environment("HOME") + "/.config";
        location.userDatabase = config + "/movra/registry/user.db";
        location.machineDatabase = kSystemMachineDatabase;
    }
    location.machineReadOnly = environment(kMachineReadOnlyVariable) == "1";
    return location;
}

} // namespace MovraRegistry

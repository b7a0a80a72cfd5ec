#pragma once
// Where the two registry roots live, read from the environment on each call.

#include <string>

namespace MovraRegistry {

struct RegistryLocation
{
    std::string userDatabase;
    std::string machineDatabase;
    bool machineReadOnly = false; // MOVRA_REGISTRY_MACHINE_READONLY=1
};

RegistryLocation currentRegistryLocation();

} // namespace MovraRegistry

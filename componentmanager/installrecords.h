#pragma once
// The machine's installation records "SOFTWARE\Movra\Install\<name>", through the registry
// layer. A component counts as installed when its record has both "InstallDir" and a
// "Version" that parses.

#include "componentmanager/version.h"

#include <optional>
#include <string>
#include <vector>

namespace MovraComponents {

extern const char kManagerRecord[];   // "MovraComponentManager"

std::optional<std::string> readInstallString(const std::string& component, const char* value);

struct InstalledComponent
{
    std::string name;
    std::string installDir;
    Version version;
};

std::optional<InstalledComponent> installedComponent(const std::string& name);
std::vector<InstalledComponent> installedComponents();

// Registry error code (0 on success).
long writeInstallRecord(const std::string& name, const std::string& installDir, const Version& version);
long deleteInstallRecord(const std::string& name);

bool machineRegistryWritable();

} // namespace MovraComponents

#pragma once
// The machine's installation records "SOFTWARE\Movra\Install\<name>", through the registry
// layer. A component counts as installed when its record has both "InstallDir" and a
// "Version" that parses, and the files agree with it: the folder exists and, when it holds
// the manifest the manager writes into every folder it installs, the manifest names the
// same component and version. A folder without a manifest was put there by someone else
// (the Debian package's maintainer scripts); its record is taken as it stands.

#include "componentmanager/version.h"

#include <optional>
#include <string>
#include <vector>

namespace MovraComponents {

extern const char kManagerRecord[];   // "MovraComponentManager"
extern const char kManifestFileName[];  // ".movra-component" in each component folder

struct Manifest
{
    std::string name;
    Version version;
};
// Absent when the folder has no manifest or an unreadable one (`present` tells which).
std::optional<Manifest> readManifest(const std::string& folder, bool* present = nullptr);

std::optional<std::string> readInstallString(const std::string& component, const char* value);

struct InstalledComponent
{
    std::string name;
    std::string installDir;
    Version version;
};

// The record as it stands, whatever the files say.
std::optional<InstalledComponent> recordedComponent(const std::string& name);
bool installRecordExists(const std::string& name);
// Every record's name, whatever it holds.
std::vector<std::string> installRecordNames();
// Only components whose files agree with the record (see above).
std::optional<InstalledComponent> installedComponent(const std::string& name);
std::vector<InstalledComponent> installedComponents();
bool filesAgreeWithRecord(const InstalledComponent& record);

// Registry error code (0 on success).
long writeInstallRecord(const std::string& name, const std::string& installDir, const Version& version);
long deleteInstallRecord(const std::string& name);

bool machineRegistryWritable();

} // namespace MovraComponents

#pragma once
// Installs, removes and checks one component in <components root>/<name>/. An install
// downloads into the root itself (same file system), checks size and SHA-256, unpacks into a
// staging folder, swaps that folder into place in one step and then writes the record; any
// failure leaves the previous folder and record as they were and removes what it made.
// Each component has a lock file in the root, so two processes never install it at once.
//
// The folder and the record cannot change in one step together. A process killed between
// the swap and the record leaves the record one version behind the folder; reconcile(),
// run before every install and by every command of movra-components, brings the record up
// to the folder's manifest.

#include "componentmanager/catalogue.h"
#include "componentmanager/managerconfig.h"
#include "componentmanager/transfer.h"

#include <atomic>
#include <string>
#include <vector>

namespace MovraComponents {

extern const char kManifestFileName[];  // ".movra-component" in each component folder

struct InstallOutcome
{
    int32_t status = 0;
    std::string reason;
    std::string address;  // what was being fetched when it failed, if anything
};

class Installer
{
public:
    Installer(const ManagerConfig& config, const std::atomic<bool>& cancel);

    void setProgress(TransferProgress progress) { m_progress = std::move(progress); }

    InstallOutcome install(const CatalogueEntry& entry, const std::string& archiveUrl);
    InstallOutcome remove(const std::string& name);
    // Takes the component's lock; does nothing when the lock cannot be had (no rights).
    void reconcile(const std::string& name);
    // Files of the installed component that differ from the catalogue ("path: reason").
    std::vector<std::string> verify(const CatalogueEntry& entry);

private:
    InstallOutcome installLocked(const CatalogueEntry& entry, const std::string& archiveUrl);
    void removeLeftovers(const std::string& name);
    void reconcileLocked(const std::string& name);
    int lockComponent(const std::string& name, InstallOutcome* outcome);

    const ManagerConfig& m_config;
    const std::atomic<bool>& m_cancel;
    TransferProgress m_progress;
};

} // namespace MovraComponents

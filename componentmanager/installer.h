#pragma once
// Installs, removes and checks one component in <components root>/<name>/. An install
// downloads into the root itself (same file system), checks size and SHA-256, unpacks into a
// staging folder, swaps that folder into place in one step and then writes the record; any
// failure leaves the previous folder and record as they were and removes what it made.
// Each component has a lock file in the root, so two processes never install it at once.
//
// The folder and the record cannot change in one step together. A process killed between
// the swap and the record leaves the record one version behind the folder; reconcileAll(),
// run at every start of the manager (each session of the library, each command of
// movra-components), brings the record up to the folder's manifest and removes what killed
// or cancelled installs left behind. Until then the record does not count (installrecords.h).

#include "componentmanager/catalogue.h"
#include "componentmanager/managerconfig.h"
#include "componentmanager/transfer.h"

#include <atomic>
#include <string>
#include <vector>

namespace MovraComponents {

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
    // Every component of the root and every name that work folders or lock files are left
    // for, each under its lock when no live install holds it; nothing without rights.
    void reconcileAll();
    // Files of the installed component that differ from the catalogue ("path: reason").
    std::vector<std::string> verify(const CatalogueEntry& entry);

private:
    InstallOutcome installLocked(const CatalogueEntry& entry, const std::string& archiveUrl);
    void removeLeftovers(const std::string& name);
    void reconcileLocked(const std::string& name);
    static constexpr int kBusy = -2;
    // The lock's descriptor; -1 with the outcome, or kBusy when not waiting and it is held.
    int lockComponent(const std::string& name, InstallOutcome* outcome, bool wait);

    const ManagerConfig& m_config;
    const std::atomic<bool>& m_cancel;
    TransferProgress m_progress;
};

} // namespace MovraComponents

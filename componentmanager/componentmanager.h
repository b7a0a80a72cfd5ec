#pragma once
// One session of the component manager: the settings, the catalogue (fetched and checked
// once per session, so a find and the update after it agree), the specs added so far, and
// the cancel flag. Used by one thread at a time; cancel() may come from any thread and makes
// a running transfer or extraction stop within a few tens of milliseconds.

#include "componentmanager/catalogue.h"
#include "componentmanager/managerconfig.h"
#include "componentmanager/transfer.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace MovraComponents {

class ComponentManager
{
public:
    explicit ComponentManager(const HostPaths& host);

    const ManagerConfig& config() const { return m_config; }

    // Without it a missing right is answered with NoRights at once; with it the work is
    // handed to movra-components through pkexec.
    void setElevationAllowed(bool allowed) { m_elevationAllowed = allowed; }
    using Progress = std::function<void(const std::string& component, uint64_t done, uint64_t total)>;
    void setProgress(Progress progress) { m_progress = std::move(progress); }

    // The user asked for this very version: it is installed even when older than the
    // installed one (the only way back to an older version).
    void pinVersion(const std::string& name, const Version& version) { m_pins[name] = version; }

    bool addSpec(const std::string& text);
    int32_t findComponents(std::vector<std::string>* names);
    int32_t checkForUpdates(const std::vector<std::string>& names, std::vector<std::string>* newer);

    enum class Mode { IfNewer, Reinstall };
    int32_t updateComponents(const std::vector<std::string>& names, Mode mode = Mode::IfNewer);
    int32_t removeComponents(const std::vector<std::string>& names);

    // The catalogue, fetched on first use; null with the status when it cannot be had.
    const Catalogue* catalogue(int32_t* status);
    void reconcileAll();

    void cancel() { m_cancel.store(true); }
    bool cancelled() const { return m_cancel.load(); }

    int32_t fail(int32_t status, const std::string& component, const std::string& address, const std::string& reason);
    // What the last logged line said (for the command-line tool to repeat).
    const std::string& lastReason() const { return m_lastReason; }

private:
    struct Spec
    {
        std::string component, feature;
        Version version;
    };
    bool rightsAvailable(std::string* why) const;
    int32_t runElevated(const char* command, const std::vector<std::string>& names, bool reinstall);

    ManagerConfig m_config;
    std::atomic<bool> m_cancel{false};
    bool m_elevationAllowed = true;
    Progress m_progress;
    std::vector<Spec> m_specs;
    std::map<std::string, Version> m_pins;
    std::string m_lastReason;
    std::string m_badSpec;
    std::unique_ptr<Catalogue> m_catalogue;
    int32_t m_catalogueStatus = -1;
};

std::vector<std::string> splitNames(const std::string& joined);

} // namespace MovraComponents

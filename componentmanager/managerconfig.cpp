#include "componentmanager/managerconfig.h"

#include "componentmanager/installrecords.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#ifndef MOVRA_PLAYER_VERSION
#error "MOVRA_PLAYER_VERSION must name the player's version"
#endif

namespace MovraComponents {

const char kDefaultServer[] = "https://components.movra.example";
const char kDefaultComponentsRoot[] = "/var/lib/movra/components";
const char kTrustedKeysFileName[] = "trusted-keys";

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string stateFolder()
{
    std::string base = environment("XDG_STATE_HOME");
    if (base.empty() || base.front() != '/') {
        const std::string home = environment("HOME");
        base = (home.empty() ? std::string("/tmp") : home) + "/.local/state";
    }
    return base + "/movra";
}

// A whole decimal number within the bounds, else the default.
long number(const std::string& text, long low, long high, long fallback)
{
    if (text.empty())
        return fallback;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    return end && *end == '\0' && value >= low && value <= high ? value : fallback;
}

} // namespace

ManagerConfig ManagerConfig::load(const HostPaths& host)
{
    ManagerConfig config;
    config.host = host;
    // Run with raised rights on behalf of a user: the user's choice of server counts for
    // nothing, only the administrator's record does.
    if (environment("PKEXEC_UID").empty())
        config.serverUrl = environment("MOVRA_COMPONENT_SERVER");
    if (config.serverUrl.empty())
        config.serverUrl = readInstallString(kManagerRecord, "ServerUrl").value_or(kDefaultServer);
    while (!config.serverUrl.empty() && config.serverUrl.back() == '/')
        config.serverUrl.pop_back();

    config.componentsRoot = readInstallString(kManagerRecord, "ComponentsDir").value_or("");
    while (config.componentsRoot.size() > 1 && config.componentsRoot.back() == '/')
        config.componentsRoot.pop_back();
    if (config.componentsRoot.empty() || config.componentsRoot.front() != '/')
        config.componentsRoot = kDefaultComponentsRoot;

    std::string keys;
    if (std::ifstream file{host.trustedKeysFile}) {
        std::ostringstream text;
        text << file.rdbuf();
        keys = text.str();
    }
    keys += '\n' + readInstallString(kManagerRecord, "TrustedKeys").value_or("");
    config.trustedKeys = parsePublicKeys(keys, &config.keyProblems);

    std::string timeout = environment("MOVRA_COMPONENTS_TIMEOUT_MS");
    if (timeout.empty())
        timeout = readInstallString(kManagerRecord, "TransferTimeoutMs").value_or("");
    config.stallTimeoutMs = number(timeout, 50, 3600000, config.stallTimeoutMs);
    config.deadlineMs =
        number(readInstallString(kManagerRecord, "TransferDeadlineMs").value_or(""), 100, 24 * 3600000L, config.deadlineMs);
    config.minimumRate =
        number(readInstallString(kManagerRecord, "MinimumRateBytesPerSecond").value_or(""), 0, 1L << 30, config.minimumRate);

    config.logPath = environment("MOVRA_COMPONENTS_LOG");
    if (config.logPath.empty())
        config.logPath = stateFolder() + "/components.log";
    config.playerVersion = *Version::parse(MOVRA_PLAYER_VERSION);
    return config;
}

} // namespace MovraComponents

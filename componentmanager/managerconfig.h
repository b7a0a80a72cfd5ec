#pragma once
// Where the component manager gets its settings from, read once per session:
//   server      MOVRA_COMPONENT_SERVER, else the record's "ServerUrl", else kDefaultServer;
//               started through pkexec (PKEXEC_UID set), only the record's or the default
//   deadline    the record's "TransferDeadlineMs", else 30 min: no download takes longer
//   rate        the record's "MinimumRateBytesPerSecond", else 1024: a download slower than
//               that over one stall limit's time ends (a server that trickles)
//   root        the record's "ComponentsDir", else /var/lib/movra/components
//   keys        the file "trusted-keys" beside the library, plus the record's "TrustedKeys"
//   stall limit MOVRA_COMPONENTS_TIMEOUT_MS, else the record's "TransferTimeoutMs", else 30 s
//   log         MOVRA_COMPONENTS_LOG, else $XDG_STATE_HOME/movra/components.log
// "the record" is the machine record of the manager itself, Install\MovraComponentManager.

#include "componentmanager/crypto.h"
#include "componentmanager/version.h"

#include <string>
#include <vector>

namespace MovraComponents {

struct HostPaths
{
    std::string trustedKeysFile;  // the file beside the library
    std::string toolPath;         // movra-components, run through pkexec when rights are missing
};

struct ManagerConfig
{
    std::string serverUrl;  // without a trailing '/'
    std::string componentsRoot;
    std::vector<PublicKey> trustedKeys;
    std::vector<std::string> keyProblems;
    long stallTimeoutMs = 30000;
    long deadlineMs = 30 * 60 * 1000;
    long minimumRate = 1024;  // bytes per second
    std::string logPath;
    Version playerVersion;
    HostPaths host;

    static ManagerConfig load(const HostPaths& host);
    std::string componentDir(const std::string& name) const { return componentsRoot + "/" + name; }
};

extern const char kDefaultServer[];
extern const char kDefaultComponentsRoot[];
extern const char kTrustedKeysFileName[];

} // namespace MovraComponents

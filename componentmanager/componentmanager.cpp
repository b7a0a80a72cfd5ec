#include "componentmanager/componentmanager.h"

#include "componentmanager/componentstatus.h"
#include "componentmanager/crypto.h"
#include "componentmanager/failurelog.h"
#include "componentmanager/fsutil.h"
#include "componentmanager/installer.h"
#include "componentmanager/installrecords.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <ctime>
#include <map>
#include <sstream>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace MovraComponents {

namespace {

const char kCatalogueName[] = "catalog.json";
const char kAcceptedSerialsName[] = ".catalogue-serials";

// The highest catalogue serial accepted from each trusted key, one "key serial" line each,
// in the components root: written only by those who may install there.
class AcceptedSerials
{
public:
    explicit AcceptedSerials(const std::string& root) : m_path(root + "/" + kAcceptedSerialsName)
    {
        std::string text;
        if (!readSmallFile(m_path, &text, 1 << 20))
            return;
        std::istringstream lines(text);
        std::string key;
        uint64_t serial = 0;
        while (lines >> key >> serial)
            m_serials[key] = std::max(m_serials[key], serial);
    }
    uint64_t highest(const std::string& key) const
    {
        const auto it = m_serials.find(key);
        return it == m_serials.end() ? 0 : it->second;
    }
    void raise(const std::string& key, uint64_t serial)
    {
        const std::string folder = m_path.substr(0, m_path.find_last_of('/'));
        if (!folderWritable(folder) || !makeFolders(folder))
            return;
        // Concurrent sessions: read again under the lock, keep the highest of each.
        const int lock = ::open((m_path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (lock < 0)
            return;
        while (::flock(lock, LOCK_EX) != 0 && errno == EINTR) {
        }
        AcceptedSerials current(folder);
        current.m_serials[key] = std::max(current.highest(key), serial);
        std::string text;
        for (const auto& [k, s] : current.m_serials)
            text += k + " " + std::to_string(s) + "\n";
        writeFileAtomically(m_path, text, 0644);
        ::close(lock);
    }

private:
    std::string m_path;
    std::map<std::string, uint64_t> m_serials;
};
const char kSignatureSuffix[] = ".sig";
constexpr size_t kMaxSignatureBytes = 1024;

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

} // namespace

std::vector<std::string> splitNames(const std::string& joined)
{
    std::vector<std::string> names;
    if (joined.empty())
        return names;
    return split(joined, ';');
}

ComponentManager::ComponentManager(const HostPaths& host) : m_config(ManagerConfig::load(host)) {}

int32_t ComponentManager::fail(int32_t status, const std::string& component, const std::string& address,
                               const std::string& reason)
{
    logFailure(m_config.logPath, status, component, address, reason);
    m_lastReason = (component.empty() ? std::string() : component + ": ") + reason;
    return status;
}

bool ComponentManager::addSpec(const std::string& text)
{
    const std::vector<std::string> fields = split(text, ';');
    std::optional<Version> version;
    if (fields.size() == 3)
        version = Version::parse(fields[2]);
    if (fields.size() != 3 || !isValidComponentName(fields[0]) || !isValidComponentName(fields[1]) || !version) {
        // Remembered, so the find that follows fails instead of silently finding less.
        m_badSpec = text;
        fail(InvalidArgument, fields.empty() ? std::string() : fields[0], std::string(),
             "spec \"" + text + "\" is not component;feature;version");
        return false;
    }
    m_specs.push_back(Spec{fields[0], fields[1], *version});
    return true;
}

const Catalogue* ComponentManager::catalogue(int32_t* status)
{
    if (m_catalogueStatus == Success) {
        *status = Success;
        return m_catalogue.get();
    }
    const std::string address = m_config.serverUrl + "/" + kCatalogueName;
    if (m_config.trustedKeys.empty()) {
        *status = fail(SignatureInvalid, std::string(), address,
                       "no trusted keys in " + m_config.host.trustedKeysFile + " or the record's TrustedKeys");
        return nullptr;
    }
    TransferLimits limits;
    limits.stallTimeoutMs = m_config.stallTimeoutMs;
    limits.deadlineMs = m_config.deadlineMs;
    limits.minimumRate = m_config.minimumRate;
    limits.maxBytes = Catalogue::kMaxBytes;
    std::string text;
    TransferResult fetched = downloadToString(address, limits, m_cancel, &text);
    if (fetched.tooLarge) {
        *status = fail(CatalogueInvalid, std::string(), address, fetched.reason);
        return nullptr;
    }
    if (fetched.status != Success) {
        *status = fail(fetched.status, std::string(), address, fetched.reason);
        return nullptr;
    }
    std::string signature;
    limits.maxBytes = kMaxSignatureBytes;
    fetched = downloadToString(address + kSignatureSuffix, limits, m_cancel, &signature);
    if (fetched.status != Success) {
        *status = fail(fetched.tooLarge ? SignatureInvalid : fetched.status, std::string(),
                       address + kSignatureSuffix, fetched.reason);
        return nullptr;
    }
    const int key = verifyingKey(text, signature, m_config.trustedKeys);
    if (key < 0) {
        *status = fail(SignatureInvalid, std::string(), address, "signature does not verify against a trusted key");
        return nullptr;
    }
    auto catalogue = std::make_unique<Catalogue>();
    std::string error;
    if (!catalogue->parse(text, &error)) {
        *status = fail(CatalogueInvalid, std::string(), address, error);
        return nullptr;
    }
    const CatalogueStamp& stamp = catalogue->stamp();
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    if (stamp.expires <= now) {
        *status = fail(CatalogueOutdated, std::string(), address,
                       "the catalogue expired at " + formatUtcTime(stamp.expires) + " (serial "
                           + std::to_string(stamp.serial) + "): the server offers no current publication");
        return nullptr;
    }
    const std::string keyText = toBase64(m_config.trustedKeys[key].data(), m_config.trustedKeys[key].size());
    AcceptedSerials accepted(m_config.componentsRoot);
    const uint64_t highest = accepted.highest(keyText);
    if (stamp.serial < highest) {
        *status = fail(CatalogueOutdated, std::string(), address,
                       "serial " + std::to_string(stamp.serial) + " is lower than " + std::to_string(highest)
                           + ", already accepted from this key: an older catalogue was replayed");
        return nullptr;
    }
    // Kept only once everything about the catalogue has been checked; without rights to the
    // components root it is still checked against what an install with rights kept.
    if (stamp.serial > highest)
        accepted.raise(keyText, stamp.serial);
    m_catalogue = std::move(catalogue);
    m_catalogueStatus = *status = Success;
    return m_catalogue.get();
}

void ComponentManager::reconcileAll()
{
    Installer(m_config, m_cancel).reconcileAll();
}

int32_t ComponentManager::findComponents(std::vector<std::string>* names)
{
    if (!m_badSpec.empty())
        return InvalidArgument;  // logged when it was added
    if (m_specs.empty())
        return Success;
    int32_t status = Success;
    const Catalogue* catalogue = this->catalogue(&status);
    if (!catalogue)
        return status;
    const auto installedVersion = [](const std::string& name) -> std::optional<Version> {
        if (auto c = installedComponent(name))
            return c->version;
        return std::nullopt;
    };
    std::vector<std::string> roots;
    for (const Spec& spec : m_specs) {
        const CatalogueEntry* provider = nullptr;
        const CatalogueEntry* named = catalogue->find(spec.component);
        const auto provides = [&](const CatalogueEntry& e) {
            return std::find(e.provides.begin(), e.provides.end(), spec.feature) != e.provides.end();
        };
        if (named && provides(*named)) {
            provider = named;
        } else {
            for (const CatalogueEntry& e : catalogue->entries()) {
                if (provides(e)) {
                    provider = &e;
                    break;
                }
            }
        }
        if (!provider)
            return fail(NoProvider, spec.component, m_config.serverUrl, "no component provides " + spec.feature);
        const std::optional<Version> installed = installedVersion(spec.component);
        const bool recent = (installed && *installed >= spec.version) || (named && named->version >= spec.version);
        if (!recent)
            return fail(NoProvider, spec.component, m_config.serverUrl,
                        "no " + spec.component + " of version " + spec.version.text() + " or newer");
        roots.push_back(provider->name);
        if (named || !installed)
            roots.push_back(spec.component);
    }
    const Resolution resolution = resolveInstallOrder(*catalogue, roots, installedVersion, m_config.playerVersion);
    if (resolution.status != Success)
        return fail(resolution.status, resolution.component, m_config.serverUrl, resolution.reason);
    for (const CatalogueEntry* entry : resolution.order)
        names->push_back(entry->name);
    return Success;
}

int32_t ComponentManager::checkForUpdates(const std::vector<std::string>& names, std::vector<std::string>* newer)
{
    int32_t status = Success;
    const Catalogue* catalogue = this->catalogue(&status);
    if (!catalogue)
        return status;
    for (const std::string& name : names) {
        const auto installed = installedComponent(name);
        const CatalogueEntry* entry = catalogue->find(name);
        if (installed && entry && entry->version > installed->version)
            newer->push_back(name);
    }
    return Success;
}

bool ComponentManager::rightsAvailable(std::string* why) const
{
    if (!machineRegistryWritable()) {
        *why = "the machine registry cannot be written";
        return false;
    }
    if (!folderWritable(m_config.componentsRoot)) {
        *why = m_config.componentsRoot + " cannot be written";
        return false;
    }
    return true;
}

int32_t ComponentManager::runElevated(const char* command, const std::vector<std::string>& names, bool reinstall)
{
    // No server is handed on: as root the tool uses only the machine record's, never one the
    // unprivileged caller chose (which the administrator's prompt would not show).
    std::vector<std::string> args = {"pkexec", m_config.host.toolPath, command, "--no-elevate"};
    if (reinstall)
        args.push_back("--reinstall");
    args.push_back("--");
    args.insert(args.end(), names.begin(), names.end());
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);
    pid_t pid = 0;
    const std::string joined = names.empty() ? std::string() : names.front();
    if (const int rc = ::posix_spawnp(&pid, "pkexec", nullptr, nullptr, argv.data(), environ); rc != 0)
        return fail(NoRights, joined, std::string(), std::string("cannot run pkexec: ") + std::strerror(rc));
    int wstatus = 0;
    while (::waitpid(pid, &wstatus, 0) < 0) {
        if (errno != EINTR)
            return fail(NoRights, joined, std::string(), "lost track of pkexec");
    }
    if (!WIFEXITED(wstatus))
        return fail(NoRights, joined, std::string(), "pkexec ended by a signal");
    const int code = WEXITSTATUS(wstatus);
    // pkexec's own refusals: 126 the administrator said no, 127 not authorised or not found.
    if (code == 126 || code == 127)
        return fail(NoRights, joined, std::string(), "pkexec refused (exit " + std::to_string(code) + ")");
    return code;
}

int32_t ComponentManager::updateComponents(const std::vector<std::string>& names, Mode mode)
{
    if (m_cancel.load())
        return Cancelled;
    if (names.empty())
        return fail(InvalidArgument, std::string(), std::string(), "no component named");
    for (const std::string& name : names) {
        if (!isValidComponentName(name))
            return fail(InvalidArgument, name, std::string(), "not a component name");
    }
    int32_t status = Success;
    const Catalogue* catalogue = this->catalogue(&status);
    if (!catalogue)
        return status;
    for (const auto& [name, version] : m_pins) {
        const CatalogueEntry* entry = catalogue->find(name);
        if (!entry || entry->version != version)
            return fail(NoProvider, name, m_config.serverUrl,
                        "version " + version.text() + " was asked for; the catalogue offers "
                            + (entry ? entry->version.text() : std::string("none")));
    }
    const auto installedVersion = [&](const std::string& name) -> std::optional<Version> {
        const auto installed = installedComponent(name);
        if (m_pins.count(name))
            return std::nullopt;
        if (mode == Mode::Reinstall && std::find(names.begin(), names.end(), name) != names.end()) {
            // A reinstall puts back the version the catalogue has; one older than the
            // installed one only when asked for by its version.
            const CatalogueEntry* entry = catalogue->find(name);
            if (installed && entry && entry->version < installed->version)
                return installed->version;
            return std::nullopt;
        }
        if (installed)
            return installed->version;
        return std::nullopt;
    };
    const Resolution resolution = resolveInstallOrder(*catalogue, names, installedVersion, m_config.playerVersion);
    if (resolution.status != Success)
        return fail(resolution.status, resolution.component, m_config.serverUrl, resolution.reason);
    if (mode == Mode::Reinstall) {
        for (const std::string& name : names) {
            const CatalogueEntry* entry = catalogue->find(name);
            const auto installed = installedComponent(name);
            if (!m_pins.count(name) && installed && entry && entry->version < installed->version)
                fail(Success, name, m_config.serverUrl,
                     "not reinstalled: the catalogue has " + entry->version.text() + ", older than the installed "
                         + installed->version.text() + " (ask for " + name + "@" + entry->version.text()
                         + " to go back)");
        }
    }
    if (resolution.order.empty())
        return Success;
    std::string why;
    if (!rightsAvailable(&why)) {
        if (!m_elevationAllowed)
            return fail(NoRights, resolution.order.front()->name, std::string(), why);
        std::vector<std::string> order;
        for (const CatalogueEntry* e : resolution.order)
            order.push_back(e->name);
        for (std::string& name : order) {
            if (const auto pin = m_pins.find(name); pin != m_pins.end())
                name += "@" + pin->second.text();
        }
        return runElevated("install", order, mode == Mode::Reinstall);
    }
    Installer installer(m_config, m_cancel);
    for (const CatalogueEntry* entry : resolution.order) {
        if (m_progress)
            installer.setProgress([this, entry](uint64_t done, uint64_t total) { m_progress(entry->name, done, total); });
        const std::string address = m_config.serverUrl + "/" + entry->archive;
        const InstallOutcome outcome = installer.install(*entry, address);
        if (outcome.status != Success)
            return fail(outcome.status, entry->name, outcome.address.empty() ? address : outcome.address,
                        outcome.reason);
    }
    return Success;
}

int32_t ComponentManager::removeComponents(const std::vector<std::string>& names)
{
    for (const std::string& name : names) {
        if (!isValidComponentName(name))
            return fail(InvalidArgument, name, std::string(), "not a component name");
    }
    std::string why;
    if (!rightsAvailable(&why)) {
        if (!m_elevationAllowed)
            return fail(NoRights, names.empty() ? std::string() : names.front(), std::string(), why);
        return runElevated("remove", names, false);
    }
    Installer installer(m_config, m_cancel);
    for (const std::string& name : names) {
        const InstallOutcome outcome = installer.remove(name);
        if (outcome.status != Success)
            return fail(outcome.status, name, std::string(), outcome.reason);
    }
    return Success;
}

} // namespace MovraComponents

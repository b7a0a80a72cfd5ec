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

#include <dirent.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace MovraComponents {

namespace {

const char kCatalogueName[] = "catalog.json";
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
    if (!verifySignature(text, signature, m_config.trustedKeys)) {
        *status = fail(SignatureInvalid, std::string(), address, "signature does not verify against a trusted key");
        return nullptr;
    }
    auto catalogue = std::make_unique<Catalogue>();
    std::string error;
    if (!catalogue->parse(text, &error)) {
        *status = fail(CatalogueInvalid, std::string(), address, error);
        return nullptr;
    }
    m_catalogue = std::move(catalogue);
    m_catalogueStatus = *status = Success;
    return m_catalogue.get();
}

void ComponentManager::reconcileAll()
{
    Installer installer(m_config, m_cancel);
    std::vector<std::string> names;
    for (const InstalledComponent& c : installedComponents())
        names.push_back(c.name);
    if (DIR* dir = ::opendir(m_config.componentsRoot.c_str())) {
        while (const dirent* e = ::readdir(dir)) {
            if (isValidComponentName(e->d_name))
                names.push_back(e->d_name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    for (const std::string& name : names)
        installer.reconcile(name);
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
    std::vector<std::string> args = {"pkexec", m_config.host.toolPath, command, "--no-elevate",
                                     "--server", m_config.serverUrl};
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
    const auto installedVersion = [&](const std::string& name) -> std::optional<Version> {
        if (mode == Mode::Reinstall && std::find(names.begin(), names.end(), name) != names.end())
            return std::nullopt;
        if (auto c = installedComponent(name))
            return c->version;
        return std::nullopt;
    };
    const Resolution resolution = resolveInstallOrder(*catalogue, names, installedVersion, m_config.playerVersion);
    if (resolution.status != Success)
        return fail(resolution.status, resolution.component, m_config.serverUrl, resolution.reason);
    if (resolution.order.empty())
        return Success;
    std::string why;
    if (!rightsAvailable(&why)) {
        if (!m_elevationAllowed)
            return fail(NoRights, resolution.order.front()->name, std::string(), why);
        std::vector<std::string> order;
        for (const CatalogueEntry* e : resolution.order)
            order.push_back(e->name);
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

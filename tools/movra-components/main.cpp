// movra-components: the command-line face of the component manager, and the updater the
// player starts with "/update". Its exit code is the manager's status.

#include "componentmanager/catalogue.h"
#include "componentmanager/componentmanager.h"
#include "componentmanager/componentstatus.h"
#include "componentmanager/installer.h"
#include "componentmanager/installrecords.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <spawn.h>
#include <unistd.h>

extern char** environ;

using namespace MovraComponents;

namespace {

const char kUsage[] =
    "usage: movra-components [--server URL] [--no-elevate] COMMAND [NAME...]\n"
    "  list                    installed and available components\n"
    "  install [--reinstall] NAME[@VERSION]...  install (with what they require); a\n"
    "                          reinstall never goes back to an older version unless\n"
    "                          that version is named\n"
    "  update [NAME...]        install newer versions (all installed components by default)\n"
    "  remove NAME...          remove components and their records\n"
    "  verify [NAME...]        compare installed files with the catalogue\n"
    "  /update                 update every installed component, then start the player\n"
    "--server is ignored when started through pkexec: as root only the machine record's\n"
    "ServerUrl counts.\n";

std::string executableFolder()
{
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    std::string folder(path, static_cast<size_t>(n));
    return folder.substr(0, folder.find_last_of('/'));
}

HostPaths hostPaths()
{
    const std::string folder = executableFolder();
    return HostPaths{folder + "/ComponentManager/" + kTrustedKeysFileName, folder + "/movra-components"};
}

class ProgressBar
{
public:
    ProgressBar() : m_enabled(::isatty(STDERR_FILENO)) {}
    ~ProgressBar() { finish(); }
    void update(const std::string& name, uint64_t done, uint64_t total)
    {
        if (!m_enabled)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (name == m_name && now - m_last < std::chrono::milliseconds(100) && done != total)
            return;
        if (name != m_name)
            finish();
        m_name = name;
        m_last = now;
        const int width = 30;
        const int filled = total ? static_cast<int>(done * width / total) : 0;
        std::fprintf(stderr, "\r%-16s [%s%s] %3d%% %.1f MB", name.c_str(), std::string(filled, '#').c_str(),
                     std::string(width - filled, '.').c_str(), total ? static_cast<int>(done * 100 / total) : 0,
                     done / 1e6);
        m_open = true;
    }
    void finish()
    {
        if (m_open)
            std::fputc('\n', stderr);
        m_open = false;
    }

private:
    bool m_enabled;
    bool m_open = false;
    std::string m_name;
    std::chrono::steady_clock::time_point m_last;
};

const ComponentManager* reporting = nullptr;

int fail(int32_t status)
{
    if (status != Success) {
        std::fprintf(stderr, "movra-components: %s (status %d)\n", statusText(status), status);
        if (reporting && !reporting->lastReason().empty())
            std::fprintf(stderr, "movra-components: %s\n", reporting->lastReason().c_str());
    }
    return status;
}

int list(ComponentManager& manager)
{
    std::map<std::string, std::pair<std::string, std::string>> rows;  // name -> installed, available
    for (const InstalledComponent& c : installedComponents())
        rows[c.name].first = c.version.text();
    int32_t status = Success;
    if (const Catalogue* catalogue = manager.catalogue(&status)) {
        for (const CatalogueEntry& e : catalogue->entries())
            rows[e.name].second = e.version.text();
    }
    std::printf("%-20s %-12s %-12s\n", "component", "installed", "available");
    for (const auto& [name, versions] : rows)
        std::printf("%-20s %-12s %-12s\n", name.c_str(), versions.first.empty() ? "-" : versions.first.c_str(),
                    versions.second.empty() ? "-" : versions.second.c_str());
    return fail(status);
}

std::vector<std::string> installedNames()
{
    std::vector<std::string> names;
    for (const InstalledComponent& c : installedComponents()) {
        if (c.name != kManagerRecord)
            names.push_back(c.name);
    }
    return names;
}

int update(ComponentManager& manager, std::vector<std::string> names)
{
    if (names.empty())
        names = installedNames();
    std::vector<std::string> newer;
    if (const int32_t status = manager.checkForUpdates(names, &newer); status != Success)
        return fail(status);
    if (newer.empty()) {
        std::printf("everything is up to date\n");
        return Success;
    }
    return fail(manager.updateComponents(newer));
}

int verify(ComponentManager& manager, std::vector<std::string> names)
{
    int32_t status = Success;
    const Catalogue* catalogue = manager.catalogue(&status);
    if (!catalogue)
        return fail(status);
    if (names.empty())
        names = installedNames();
    const std::atomic<bool> never{false};
    Installer installer(manager.config(), never);
    for (const std::string& name : names) {
        const CatalogueEntry* entry = catalogue->find(name);
        const std::vector<std::string> problems =
            entry ? installer.verify(*entry) : std::vector<std::string>{name + ": not in the catalogue"};
        for (const std::string& p : problems)
            std::printf("%s\n", p.c_str());
        if (problems.empty())
            std::printf("%s: ok\n", name.c_str());
        else
            status = ChecksumMismatch;
    }
    return fail(status);
}

void startPlayer()
{
    const std::string player = executableFolder() + "/movra-player";
    char* argv[] = {const_cast<char*>(player.c_str()), nullptr};
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    if (posix_spawn(&pid, player.c_str(), nullptr, &attributes, argv, environ) != 0)
        std::fprintf(stderr, "movra-components: cannot start %s\n", player.c_str());
    posix_spawnattr_destroy(&attributes);
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "/update") {
        ComponentManager manager(hostPaths());
        manager.reconcileAll();
        const int status = update(manager, {});
        startPlayer();
        return status;
    }
    std::string command;
    std::vector<std::string> names;
    bool elevate = true, reinstall = false, optionsDone = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!optionsDone && a == "--") {
            optionsDone = true;
        } else if (!optionsDone && a == "--server" && i + 1 < args.size()) {
            ++i;
            if (std::getenv("PKEXEC_UID"))
                std::fprintf(stderr, "movra-components: --server ignored with raised rights\n");
            else
                ::setenv("MOVRA_COMPONENT_SERVER", args[i].c_str(), 1);
        } else if (!optionsDone && a == "--no-elevate") {
            elevate = false;
        } else if (!optionsDone && a == "--reinstall") {
            reinstall = true;
        } else if (!optionsDone && (a == "--help" || a == "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (!optionsDone && a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "movra-components: unknown option %s\n%s", a.c_str(), kUsage);
            return InvalidArgument;
        } else if (command.empty()) {
            command = a;
        } else {
            names.push_back(a);
        }
    }
    ComponentManager manager(hostPaths());
    reporting = &manager;
    manager.setElevationAllowed(elevate);
    ProgressBar bar;
    manager.setProgress([&bar](const std::string& name, uint64_t done, uint64_t total) { bar.update(name, done, total); });
    manager.reconcileAll();
    if (command == "list")
        return list(manager);
    if (command == "install") {
        // NAME@VERSION: that very version, even an older one.
        for (std::string& name : names) {
            const size_t at = name.find('@');
            if (at == std::string::npos)
                continue;
            const auto version = Version::parse(name.substr(at + 1));
            if (!version) {
                std::fprintf(stderr, "movra-components: %s is not NAME@VERSION\n", name.c_str());
                return InvalidArgument;
            }
            name.resize(at);
            manager.pinVersion(name, *version);
        }
    }
    if (command == "install" && !names.empty())
        return fail(manager.updateComponents(names, reinstall ? ComponentManager::Mode::Reinstall
                                                               : ComponentManager::Mode::IfNewer));
    if (command == "update")
        return update(manager, names);
    if (command == "remove" && !names.empty())
        return fail(manager.removeComponents(names));
    if (command == "verify")
        return verify(manager, names);
    std::fputs(kUsage, stderr);
    return InvalidArgument;
}

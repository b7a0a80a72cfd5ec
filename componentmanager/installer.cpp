#include "componentmanager/installer.h"

#include "componentmanager/componentstatus.h"
#include "componentmanager/crypto.h"
#include "componentmanager/fsutil.h"
#include "componentmanager/installrecords.h"
#include "componentmanager/safeextract.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace MovraComponents {

namespace {

int32_t fileFailure(int error)
{
    if (error == ENOSPC || error == EDQUOT)
        return DiskFull;
    if (error == EACCES || error == EPERM || error == EROFS)
        return NoRights;
    return InstallFailed;
}

InstallOutcome failed(int32_t status, std::string reason, std::string address = std::string())
{
    return InstallOutcome{status, std::move(reason), std::move(address)};
}

// Deletes what an install made unless it was handed over.
class Cleanup
{
public:
    ~Cleanup()
    {
        for (const std::string& path : m_paths)
            removeTree(path);
    }
    void add(const std::string& path) { m_paths.push_back(path); }
    void release(const std::string& path)
    {
        for (auto it = m_paths.begin(); it != m_paths.end(); ++it) {
            if (*it == path) {
                m_paths.erase(it);
                return;
            }
        }
    }

private:
    std::vector<std::string> m_paths;
};

// Work folders and files are named ".<kind>~<component>~<random>": component names cannot
// hold '~', so the name between the two is exactly the component's and never the start of
// another's ("a" and "a-b").
const char* const kWorkKinds[] = {"staging", "download", "old"};
const char kLockPrefix[] = ".lock-";

std::string workPattern(const char* kind, const std::string& name)
{
    return std::string(".") + kind + "~" + name + "~XXXXXX";
}

// The component a work entry or lock file of the root belongs to; empty for anything else.
std::string ownerOf(const std::string& entry)
{
    for (const char* kind : kWorkKinds) {
        const std::string prefix = std::string(".") + kind + "~";
        if (entry.compare(0, prefix.size(), prefix) != 0)
            continue;
        const size_t end = entry.find('~', prefix.size());
        if (end == std::string::npos || entry.find('~', end + 1) != std::string::npos)
            return std::string();
        const std::string name = entry.substr(prefix.size(), end - prefix.size());
        return isValidComponentName(name) ? name : std::string();
    }
    if (entry.compare(0, sizeof kLockPrefix - 1, kLockPrefix) == 0) {
        const std::string name = entry.substr(sizeof kLockPrefix - 1);
        return isValidComponentName(name) ? name : std::string();
    }
    return std::string();
}

bool isWorkEntryOf(const std::string& entry, const std::string& name)
{
    return entry.compare(0, sizeof kLockPrefix - 1, kLockPrefix) != 0 && ownerOf(entry) == name;
}

std::vector<std::string> rootEntries(const std::string& root)
{
    std::vector<std::string> entries;
    if (DIR* dir = ::opendir(root.c_str())) {
        while (const dirent* e = ::readdir(dir))
            entries.push_back(e->d_name);
        ::closedir(dir);
    }
    return entries;
}

// Adds "path: reason" for every difference between the tree and the list: listed files
// missing, of another size or hash; anything else than those files, their folders and the
// manifest.
void compareTree(const std::string& folder, const std::string& relative, const std::map<std::string, const CatalogueFile*>& listed,
                 std::set<std::string>* seen, std::vector<std::string>* problems)
{
    const std::string here = relative.empty() ? folder : folder + "/" + relative;
    DIR* dir = ::opendir(here.c_str());
    if (!dir) {
        problems->push_back(here + ": cannot be read");
        return;
    }
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    for (const std::string& name : names) {
        const std::string rel = relative.empty() ? name : relative + "/" + name;
        const std::string path = folder + "/" + rel;
        if (rel == kManifestFileName)
            continue;
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            compareTree(folder, rel, listed, seen, problems);
            continue;
        }
        const auto it = listed.find(rel);
        if (it == listed.end()) {
            problems->push_back(path + ": not in the catalogue's list");
            continue;
        }
        seen->insert(rel);
        if (!S_ISREG(st.st_mode))
            problems->push_back(path + ": not a file");
        else if (static_cast<uint64_t>(st.st_size) != it->second->size || sha256OfFile(path) != it->second->sha256)
            problems->push_back(path + ": changed");
    }
}

std::vector<std::string> differencesFromList(const std::string& folder, const std::vector<CatalogueFile>& files)
{
    std::map<std::string, const CatalogueFile*> listed;
    for (const CatalogueFile& file : files)
        listed.emplace(file.path, &file);
    std::set<std::string> seen;
    std::vector<std::string> problems;
    compareTree(folder, std::string(), listed, &seen, &problems);
    for (const CatalogueFile& file : files) {
        if (!seen.count(file.path))
            problems.push_back(folder + "/" + file.path + ": missing");
    }
    return problems;
}

bool swapFolders(const std::string& a, const std::string& b)
{
    return ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0;
}

} // namespace

Installer::Installer(const ManagerConfig& config, const std::atomic<bool>& cancel)
    : m_config(config), m_cancel(cancel)
{
}

int Installer::lockComponent(const std::string& name, InstallOutcome* outcome, bool wait)
{
    if (!makeFolders(m_config.componentsRoot)) {
        *outcome = failed(fileFailure(errno), "cannot create " + m_config.componentsRoot + ": " + std::strerror(errno));
        return -1;
    }
    const std::string path = m_config.componentsRoot + "/" + kLockPrefix + name;
    for (;;) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0) {
            *outcome = failed(fileFailure(errno), "cannot open " + path + ": " + std::strerror(errno));
            return -1;
        }
        int rc;
        while ((rc = ::flock(fd, wait ? LOCK_EX : LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
        }
        if (rc != 0) {
            const bool busy = errno == EWOULDBLOCK;
            *outcome = failed(InstallFailed, "cannot lock " + path + ": " + std::strerror(errno));
            ::close(fd);
            return busy ? kBusy : -1;
        }
        // Reconcile deletes lock files it holds: a lock taken on a file no longer under that
        // name guards nothing, so take the one that is there now.
        struct stat held, named;
        if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev
            && held.st_ino == named.st_ino)
            return fd;
        ::close(fd);
    }
}

void Installer::removeLeftovers(const std::string& name)
{
    for (const std::string& entry : rootEntries(m_config.componentsRoot)) {
        if (isWorkEntryOf(entry, name))
            removeTree(m_config.componentsRoot + "/" + entry);
    }
}

void Installer::reconcileAll()
{
    if (!folderWritable(m_config.componentsRoot))
        return;
    std::set<std::string> names;
    // Records whose files disagree too: those are the ones to put right.
    for (const std::string& name : installRecordNames()) {
        if (isValidComponentName(name))
            names.insert(name);
    }
    for (const std::string& entry : rootEntries(m_config.componentsRoot)) {
        if (isValidComponentName(entry))
            names.insert(entry);
        else if (const std::string owner = ownerOf(entry); !owner.empty())
            names.insert(owner);
    }
    for (const std::string& name : names) {
        // A component another process is installing is left to that install.
        InstallOutcome ignored;
        const int lock = lockComponent(name, &ignored, false);
        if (lock < 0)
            continue;
        removeLeftovers(name);
        reconcileLocked(name);
        ::unlink((m_config.componentsRoot + "/" + kLockPrefix + name).c_str());
        ::close(lock);
    }
}

void Installer::reconcileLocked(const std::string& name)
{
    const std::string folder = m_config.componentDir(name);
    const auto manifest = readManifest(folder);
    const auto record = recordedComponent(name);
    if (manifest && manifest->name == name) {
        // The folder is whole (it was swapped in complete, manifest included); a kill between
        // the swap and the record leaves the record behind, never ahead.
        if (!record || record->installDir != folder || record->version != manifest->version)
            writeInstallRecord(name, folder, manifest->version);
    } else if (record && record->installDir == folder) {
        // The folder went away (a remove that was cut short): the record must not claim it.
        struct stat st;
        if (::lstat(folder.c_str(), &st) != 0 && errno == ENOENT)
            deleteInstallRecord(name);
    }
}

InstallOutcome Installer::install(const CatalogueEntry& entry, const std::string& archiveUrl)
{
    InstallOutcome outcome;
    const int lock = lockComponent(entry.name, &outcome, true);
    if (lock < 0)
        return outcome;
    removeLeftovers(entry.name);
    reconcileLocked(entry.name);
    outcome = installLocked(entry, archiveUrl);
    ::close(lock);
    return outcome;
}

InstallOutcome Installer::installLocked(const CatalogueEntry& entry, const std::string& archiveUrl)
{
    const std::string& root = m_config.componentsRoot;
    const std::string destination = m_config.componentDir(entry.name);
    Cleanup cleanup;

    std::string download = root + "/" + workPattern("download", entry.name);
    const int fd = ::mkostemp(&download[0], O_CLOEXEC);
    if (fd < 0)
        return failed(fileFailure(errno), "cannot create a download file in " + root + ": " + std::strerror(errno));
    cleanup.add(download);
    Sha256 hash;
    TransferLimits limits;
    limits.maxBytes = entry.size;
    limits.stallTimeoutMs = m_config.stallTimeoutMs;
    limits.deadlineMs = m_config.deadlineMs;
    limits.minimumRate = m_config.minimumRate;
    uint64_t received = 0;
    TransferResult transfer = MovraComponents::download(
        archiveUrl, limits, m_cancel,
        [&](const char* data, size_t size, std::string* reason) -> int32_t {
            for (size_t done = 0; done < size;) {
                const ssize_t w = ::write(fd, data + done, size - done);
                if (w < 0) {
                    if (errno == EINTR)
                        continue;
                    *reason = "cannot write " + download + ": " + std::strerror(errno);
                    return fileFailure(errno);
                }
                done += static_cast<size_t>(w);
            }
            hash.update(data, size);
            received += size;
            return Success;
        },
        m_progress);
    ::close(fd);
    if (transfer.tooLarge)
        return failed(ChecksumMismatch, "archive larger than the announced " + std::to_string(entry.size) + " bytes",
                      archiveUrl);
    if (transfer.status != Success)
        return failed(transfer.status, transfer.reason, archiveUrl);
    if (received != entry.size)
        return failed(ChecksumMismatch,
                      "archive has " + std::to_string(received) + " bytes, announced " + std::to_string(entry.size),
                      archiveUrl);
    const std::string digest = hash.finishHex();
    if (digest != entry.sha256)
        return failed(ChecksumMismatch, "archive SHA-256 " + digest + ", announced " + entry.sha256, archiveUrl);

    std::string staging = root + "/" + workPattern("staging", entry.name);
    if (!::mkdtemp(&staging[0]))
        return failed(fileFailure(errno), "cannot create a staging folder in " + root + ": " + std::strerror(errno));
    cleanup.add(staging);
    ::chmod(staging.c_str(), 0755);
    std::string reason;
    ExtractLimits extractLimits;
    extractLimits.maxBytes = entry.unpackedSize;
    extractLimits.files = &entry.files;
    const int32_t extracted = extractArchive(download, staging, extractLimits, m_cancel, &reason);
    if (extracted != Success)
        return failed(extracted, reason, archiveUrl);
    // Whatever happened to the staging folder since (nothing should have), only the tree the
    // signed list describes goes into place.
    if (const std::vector<std::string> problems = differencesFromList(staging, entry.files); !problems.empty())
        return failed(InstallFailed, "the unpacked files differ from the catalogue: " + problems.front() + " ("
                                         + std::to_string(problems.size()) + " differences)");
    const std::string manifest =
        nlohmann::json{{"name", entry.name}, {"version", entry.version.text()}, {"sha256", entry.sha256}}.dump() + "\n";
    // Everything unpacked must be on disk before the folder becomes visible under its name.
    if (!writeFileAtomically(staging + "/" + kManifestFileName, manifest, 0644) || !syncFileSystem(staging))
        return failed(fileFailure(errno), "cannot finish " + staging + ": " + std::strerror(errno));
    if (m_cancel.load())
        return failed(Cancelled, "cancelled");

    // The swap: a reader sees the old folder or the new one, never a mixture and never none.
    const bool replacing = ::access(destination.c_str(), F_OK) == 0;
    if (replacing ? !swapFolders(staging, destination)
                  : ::renameat2(AT_FDCWD, staging.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) != 0)
        return failed(fileFailure(errno), "cannot move " + staging + " to " + destination + ": " + std::strerror(errno));
    if (!replacing)
        cleanup.release(staging);
    syncFolder(root);

    const long rc = writeInstallRecord(entry.name, destination, entry.version);
    if (rc != 0) {
        // Put the previous installation back, so folder and record agree again.
        if (replacing)
            swapFolders(staging, destination);
        else
            cleanup.add(destination);
        return failed(RegistryFailed, "cannot write the record Install\\" + entry.name + " (error " + std::to_string(rc)
                                          + ")");
    }
    return InstallOutcome{};
}

InstallOutcome Installer::remove(const std::string& name)
{
    const std::string folder = m_config.componentDir(name);
    // Only a record the manager writes: one naming this component's folder under the root.
    // The manager's own record, the updater's, the player's and a component somebody else put
    // elsewhere all stay.
    if (name == kManagerRecord || (installRecordExists(name) && (!recordedComponent(name)
                                                                 || recordedComponent(name)->installDir != folder)))
        return failed(InvalidArgument, "Install\\" + name + " is not the record of a component installed in "
                                           + m_config.componentsRoot + "; left alone");
    InstallOutcome outcome;
    const int lock = lockComponent(name, &outcome, true);
    if (lock < 0)
        return outcome;
    removeLeftovers(name);
    // Out of sight in one step first, so a reader never finds half a folder.
    std::string old = m_config.componentsRoot + "/" + workPattern("old", name);
    const bool madeOld = ::mkdtemp(&old[0]) != nullptr;
    if (!madeOld)
        outcome = failed(fileFailure(errno), "cannot create " + old + ": " + std::strerror(errno));
    else if (::rename(folder.c_str(), (old + "/" + name).c_str()) != 0 && errno != ENOENT)
        outcome = failed(fileFailure(errno), "cannot remove " + folder + ": " + std::strerror(errno));
    if (outcome.status == Success) {
        const long rc = deleteInstallRecord(name);
        if (rc != 0)
            outcome = failed(RegistryFailed, "cannot delete the record Install\\" + name);
    }
    if (madeOld)
        removeTree(old);
    ::close(lock);
    return outcome;
}

std::vector<std::string> Installer::verify(const CatalogueEntry& entry)
{
    const auto record = recordedComponent(entry.name);
    if (!record)
        return {entry.name + ": not installed"};
    if (!filesAgreeWithRecord(*record))
        return {entry.name + ": the files in " + record->installDir + " are not the recorded version "
                + record->version.text()};
    if (record->version != entry.version)
        return {entry.name + ": installed " + record->version.text() + ", the catalogue describes "
                + entry.version.text()};
    if (entry.files.empty())
        return {entry.name + ": the catalogue lists no files"};
    return differencesFromList(record->installDir, entry.files);
}

} // namespace MovraComponents

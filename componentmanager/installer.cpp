#include "componentmanager/installer.h"

#include "componentmanager/componentstatus.h"
#include "componentmanager/crypto.h"
#include "componentmanager/fsutil.h"
#include "componentmanager/installrecords.h"
#include "componentmanager/safeextract.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace MovraComponents {

const char kManifestFileName[] = ".movra-component";

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

bool readManifest(const std::string& folder, std::string* name, std::optional<Version>* version)
{
    std::string text;
    if (!readSmallFile(folder + "/" + kManifestFileName, &text, 4096))
        return false;
    try {
        const nlohmann::json manifest = nlohmann::json::parse(text);
        *name = manifest.at("name").get<std::string>();
        *version = Version::parse(manifest.at("version").get<std::string>());
    } catch (const nlohmann::json::exception&) {
        return false;
    }
    return version->has_value();
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

int Installer::lockComponent(const std::string& name, InstallOutcome* outcome)
{
    if (!makeFolders(m_config.componentsRoot)) {
        *outcome = failed(fileFailure(errno), "cannot create " + m_config.componentsRoot + ": " + std::strerror(errno));
        return -1;
    }
    const std::string path = m_config.componentsRoot + "/.lock-" + name;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        *outcome = failed(fileFailure(errno), "cannot open " + path + ": " + std::strerror(errno));
        return -1;
    }
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            *outcome = failed(InstallFailed, "cannot lock " + path + ": " + std::strerror(errno));
            ::close(fd);
            return -1;
        }
    }
    return fd;
}

void Installer::removeLeftovers(const std::string& name)
{
    DIR* dir = ::opendir(m_config.componentsRoot.c_str());
    if (!dir)
        return;
    const std::string prefixes[] = {".staging-" + name + "-", ".download-" + name + "-", ".old-" + name + "-"};
    std::vector<std::string> doomed;
    while (const dirent* e = ::readdir(dir)) {
        const std::string entry = e->d_name;
        for (const std::string& prefix : prefixes) {
            if (entry.compare(0, prefix.size(), prefix) == 0)
                doomed.push_back(m_config.componentsRoot + "/" + entry);
        }
    }
    ::closedir(dir);
    for (const std::string& path : doomed)
        removeTree(path);
}

void Installer::reconcile(const std::string& name)
{
    if (!folderWritable(m_config.componentsRoot))
        return;
    InstallOutcome ignored;
    const int lock = lockComponent(name, &ignored);
    if (lock < 0)
        return;
    reconcileLocked(name);
    ::close(lock);
}

void Installer::reconcileLocked(const std::string& name)
{
    const std::string folder = m_config.componentDir(name);
    std::string manifestName;
    std::optional<Version> version;
    const bool present = readManifest(folder, &manifestName, &version) && manifestName == name;
    const auto record = installedComponent(name);
    if (present) {
        if (!record || record->installDir != folder || record->version != *version)
            writeInstallRecord(name, folder, *version);
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
    const int lock = lockComponent(entry.name, &outcome);
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

    std::string download = root + "/.download-" + entry.name + "-XXXXXX";
    const int fd = ::mkostemp(&download[0], O_CLOEXEC);
    if (fd < 0)
        return failed(fileFailure(errno), "cannot create a download file in " + root + ": " + std::strerror(errno));
    cleanup.add(download);
    Sha256 hash;
    TransferLimits limits;
    limits.maxBytes = entry.size;
    limits.stallTimeoutMs = m_config.stallTimeoutMs;
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

    std::string staging = root + "/.staging-" + entry.name + "-XXXXXX";
    if (!::mkdtemp(&staging[0]))
        return failed(fileFailure(errno), "cannot create a staging folder in " + root + ": " + std::strerror(errno));
    cleanup.add(staging);
    ::chmod(staging.c_str(), 0755);
    std::string reason;
    ExtractLimits extractLimits;
    extractLimits.maxBytes = entry.unpackedSize;
    const int32_t extracted = extractArchive(download, staging, extractLimits, m_cancel, &reason);
    if (extracted != Success)
        return failed(extracted, reason, archiveUrl);
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
    InstallOutcome outcome;
    const int lock = lockComponent(name, &outcome);
    if (lock < 0)
        return outcome;
    removeLeftovers(name);
    const std::string folder = m_config.componentDir(name);
    const auto record = installedComponent(name);
    if (record && record->installDir != folder) {
        ::close(lock);
        return failed(InvalidArgument, "Install\\" + name + " names " + record->installDir + ", which is not under "
                                           + m_config.componentsRoot + "; left alone");
    }
    // Out of sight in one step first, so a reader never finds half a folder.
    std::string old = m_config.componentsRoot + "/.old-" + name + "-XXXXXX";
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
    std::vector<std::string> problems;
    const auto record = installedComponent(entry.name);
    if (!record)
        return {entry.name + ": not installed"};
    if (record->version != entry.version)
        return {entry.name + ": installed " + record->version.text() + ", the catalogue describes "
                + entry.version.text()};
    if (entry.files.empty())
        problems.push_back(entry.name + ": the catalogue lists no files");
    for (const CatalogueFile& file : entry.files) {
        const std::string path = record->installDir + "/" + file.path;
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            problems.push_back(path + ": missing");
        else if (static_cast<uint64_t>(st.st_size) != file.size || sha256OfFile(path) != file.sha256)
            problems.push_back(path + ": changed");
    }
    return problems;
}

} // namespace MovraComponents

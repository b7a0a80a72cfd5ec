#include "componentmanager/safeextract.h"

#include "componentmanager/componentstatus.h"
#include "componentmanager/crypto.h"
#include "componentmanager/errortext.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <map>
#include <set>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace MovraComponents {

namespace {

std::vector<std::string> splitPath(const std::string& path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

class Fd
{
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(Fd&& o) noexcept : m_fd(o.m_fd) { o.m_fd = -1; }
    Fd& operator=(Fd&& o) noexcept
    {
        if (this != &o) {
            reset();
            m_fd = o.m_fd;
            o.m_fd = -1;
        }
        return *this;
    }
    int get() const { return m_fd; }
    void reset()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

int32_t writeFailure(int error)
{
    return error == ENOSPC || error == EDQUOT ? DiskFull : InstallFailed;
}

class Extractor
{
public:
    Extractor(const ExtractLimits& limits, const std::atomic<bool>& cancel, std::string* reason)
        : m_limits(limits), m_cancel(cancel), m_reason(reason)
    {
        if (!limits.files)
            return;
        for (const CatalogueFile& file : *limits.files) {
            m_listed.emplace(file.path, &file);
            for (size_t slash = file.path.find('/'); slash != std::string::npos; slash = file.path.find('/', slash + 1))
                m_folders.insert(file.path.substr(0, slash));
        }
        // Every member is a listed file or one of their folders, each once (and "." at most).
        m_maxEntries = m_listed.size() + m_folders.size() + 1;
    }

    int32_t run(const std::string& archivePath, const std::string& folder)
    {
        m_root = Fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (m_root.get() < 0)
            return fail(InstallFailed, "cannot open the staging folder: " + std::string(std::strerror(errno)));
        std::unique_ptr<archive, int (*)(archive*)> a(archive_read_new(), &archive_read_free);
        archive_read_support_format_tar(a.get());
        archive_read_support_filter_gzip(a.get());
        archive_read_support_filter_xz(a.get());
        archive_read_support_filter_zstd(a.get());
        archive_read_support_filter_bzip2(a.get());
        if (archive_read_open_filename(a.get(), archivePath.c_str(), 65536) != ARCHIVE_OK)
            return fail(UnsafeArchive, std::string("not a component archive: ") + archiveErrorText(a.get()));
        archive_entry* entry = nullptr;
        uint64_t count = 0;
        for (;;) {
            const int rc = archive_read_next_header(a.get(), &entry);
            if (rc == ARCHIVE_EOF)
                break;
            if (rc < ARCHIVE_WARN)
                return fail(UnsafeArchive, std::string("damaged archive: ") + archiveErrorText(a.get()));
            if (m_cancel.load(std::memory_order_relaxed))
                return fail(Cancelled, "cancelled");
            if (++count > m_maxEntries)
                return fail(UnsafeArchive, "more than " + std::to_string(m_maxEntries) + " entries");
            const int32_t status = extractEntry(a.get(), entry);
            if (status != Success)
                return status;
        }
        if (m_limits.files) {
            for (const auto& [path, file] : m_listed) {
                if (!m_files.count(path))
                    return fail(UnsafeArchive, "listed file \"" + path + "\" is not in the archive");
            }
        }
        return Success;
    }

private:
    int32_t fail(int32_t status, const std::string& why)
    {
        *m_reason = why;
        return status;
    }

    // Opens (creating when asked) the folder holding `parts[0..n-1]`, one step at a time and
    // never through a link.
    int32_t openParent(const std::vector<std::string>& parts, Fd* out)
    {
        Fd current(::dup(m_root.get()));
        for (size_t i = 0; i + 1 < parts.size(); ++i) {
            int fd = ::openat(current.get(), parts[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd < 0 && errno == ENOENT) {
                if (::mkdirat(current.get(), parts[i].c_str(), 0755) != 0 && errno != EEXIST)
                    return fail(writeFailure(errno), "cannot create folder " + parts[i] + ": " + std::strerror(errno));
                fd = ::openat(current.get(), parts[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            }
            if (fd < 0)
                return fail(UnsafeArchive, "path goes through a link or a file: " + parts[i]);
            current = Fd(fd);
        }
        *out = std::move(current);
        return Success;
    }

    int32_t extractEntry(archive* a, archive_entry* entry)
    {
        const char* rawName = archive_entry_pathname(entry);
        const std::string name = rawName ? rawName : "";
        const std::string path = normaliseEntryPath(name);
        if (path.empty()) {
            if (name == "." || name == "./")
                return Success;
            return fail(UnsafeArchive, "unsafe entry name \"" + name + "\"");
        }
        const std::vector<std::string> parts = splitPath(path);
        if (const char* hardlink = archive_entry_hardlink(entry))
            return fail(UnsafeArchive, "hard link \"" + name + "\" to \"" + hardlink
                                           + "\" refused: components hold files and folders only");
        const mode_t type = archive_entry_filetype(entry);
        Fd parent;
        if (int32_t s = openParent(parts, &parent); s != Success)
            return s;
        const char* leaf = parts.back().c_str();
        switch (type) {
        case AE_IFDIR:
            if (m_limits.files && !m_folders.count(path))
                return fail(UnsafeArchive, "folder \"" + path + "\" holds no file of the catalogue's list");
            if (::mkdirat(parent.get(), leaf, 0755) != 0) {
                struct stat st;
                if (errno != EEXIST || ::fstatat(parent.get(), leaf, &st, AT_SYMLINK_NOFOLLOW) != 0
                    || !S_ISDIR(st.st_mode))
                    return fail(errno == EEXIST ? UnsafeArchive : writeFailure(errno), "cannot create folder " + name);
            }
            return Success;
        case AE_IFLNK: {
            const char* target = archive_entry_symlink(entry);
            return fail(UnsafeArchive, "symbolic link \"" + name + "\" to \"" + (target ? target : "")
                                           + "\" refused: components hold files and folders only");
        }
        case AE_IFREG: {
            const CatalogueFile* listed = nullptr;
            if (m_limits.files) {
                const auto it = m_listed.find(path);
                if (it == m_listed.end())
                    return fail(UnsafeArchive, "\"" + path + "\" is not in the catalogue's file list");
                listed = it->second;
                if (archive_entry_size_is_set(entry) && static_cast<uint64_t>(archive_entry_size(entry)) != listed->size)
                    return fail(UnsafeArchive, "\"" + path + "\" has " + std::to_string(archive_entry_size(entry))
                                                   + " bytes, listed with " + std::to_string(listed->size));
            }
            return writeFile(a, entry, parent.get(), leaf, path, listed);
        }
        default:
            return fail(UnsafeArchive, "\"" + name + "\" is a device, fifo or socket");
        }
    }

    int32_t writeFile(archive* a, archive_entry* entry, int parent, const char* leaf, const std::string& path,
                      const CatalogueFile* listed)
    {
        Sha256 hash;
        uint64_t size = 0;
        const mode_t mode = (archive_entry_perm(entry) & 0755) | 0600;
        Fd out(::openat(parent, leaf, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (out.get() < 0)
            return fail(errno == EEXIST ? UnsafeArchive : writeFailure(errno),
                        "cannot create " + path + ": " + std::strerror(errno));
        char buffer[65536];
        for (;;) {
            const la_ssize_t n = archive_read_data(a, buffer, sizeof buffer);
            if (n == 0)
                break;
            if (n < 0)
                return fail(UnsafeArchive, std::string("damaged archive: ") + archiveErrorText(a));
            m_total += static_cast<uint64_t>(n);
            size += static_cast<uint64_t>(n);
            if (listed) {
                if (size > listed->size)
                    return fail(UnsafeArchive, "\"" + path + "\" is larger than the listed " + std::to_string(listed->size)
                                                   + " bytes");
                hash.update(buffer, static_cast<size_t>(n));
            }
            if (m_total > m_limits.maxBytes)
                return fail(UnsafeArchive, "unpacks to more than the announced " + std::to_string(m_limits.maxBytes)
                                               + " bytes");
            if (m_cancel.load(std::memory_order_relaxed))
                return fail(Cancelled, "cancelled");
            for (la_ssize_t done = 0; done < n;) {
                const ssize_t w = ::write(out.get(), buffer + done, static_cast<size_t>(n - done));
                if (w < 0) {
                    if (errno == EINTR)
                        continue;
                    return fail(writeFailure(errno), "cannot write " + path + ": " + std::strerror(errno));
                }
                done += w;
            }
        }
        if (listed) {
            if (size != listed->size)
                return fail(UnsafeArchive, "\"" + path + "\" has " + std::to_string(size) + " bytes, listed with "
                                               + std::to_string(listed->size));
            if (hash.finishHex() != listed->sha256)
                return fail(UnsafeArchive, "\"" + path + "\" differs from the SHA-256 of the catalogue's list");
        }
        m_files.insert(path);
        return Success;
    }

    const ExtractLimits& m_limits;
    const std::atomic<bool>& m_cancel;
    std::string* m_reason;
    Fd m_root;
    uint64_t m_total = 0;
    std::set<std::string> m_files;
    std::map<std::string, const CatalogueFile*> m_listed;
    std::set<std::string> m_folders;
    uint64_t m_maxEntries = m_limits.maxEntries;
};

} // namespace

std::string normaliseEntryPath(const std::string& name)
{
    if (name.empty() || name.front() == '/')
        return std::string();
    std::string out;
    for (const std::string& part : splitPath(name)) {
        if (part.empty() || part == ".")
            continue;
        if (part == "..")
            return std::string();
        if (!out.empty())
            out += '/';
        out += part;
    }
    return out;
}

int32_t extractArchive(const std::string& archivePath, const std::string& folder, const ExtractLimits& limits,
                       const std::atomic<bool>& cancel, std::string* reason)
{
    Extractor extractor(limits, cancel, reason);
    return extractor.run(archivePath, folder);
}

} // namespace MovraComponents

#include "framework/cataloguecache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace MSE {

namespace {

// The format's name and version; anything else is another program's file or an older one.
constexpr char kMagic[8] = {'M', 'V', 'C', 'A', 'T', '0', '0', '4'};
constexpr uint64_t kMaxCacheSize = 512u * 1024 * 1024;
// A file changed this recently may change again without its times moving.
constexpr int64_t kSettleNs = 1000000000;

int64_t nanoseconds(const timespec& time) { return int64_t(time.tv_sec) * 1000000000 + time.tv_nsec; }

// The whole file is checked at every start: four independent lanes of eight bytes, so that
// the multiplications overlap instead of waiting on each other.
uint64_t checksum(const char* data, std::size_t size)
{
    constexpr uint64_t kPrime = 0x100000001b3ull;
    uint64_t lane[4] = {0x9e3779b97f4a7c15ull ^ size, 0xc2b2ae3d27d4eb4full, 0x165667b19e3779f9ull,
                        0x27d4eb2f165667c5ull};
    std::size_t i = 0;
    for (; i + 32 <= size; i += 32) {
        for (int k = 0; k < 4; ++k) {
            uint64_t word;
            std::memcpy(&word, data + i + 8 * k, 8);
            lane[k] = (lane[k] ^ word) * kPrime;
            lane[k] ^= lane[k] >> 29;
        }
    }
    uint64_t hash = lane[0];
    for (int k = 1; k < 4; ++k)
        hash = ((hash ^ lane[k]) * kPrime) ^ (lane[k] >> 31);
    for (; i < size; ++i)
        hash = (hash ^ static_cast<unsigned char>(data[i])) * kPrime;
    hash ^= hash >> 32;
    return hash;
}

class Writer
{
public:
    void bytes(const void* data, std::size_t size) { m_out.append(static_cast<const char*>(data), size); }
    void u8(uint8_t value) { bytes(&value, 1); }
    void u32(uint32_t value) { bytes(&value, 4); }
    void u64(uint64_t value) { bytes(&value, 8); }
    // Length, bytes and a NUL, so that a loaded string can be used as a C string in place.
    void text(std::string_view value)
    {
        u32(static_cast<uint32_t>(value.size()));
        bytes(value.data(), value.size());
        u8(0);
    }
    void key(const FileKey& key)
    {
        u8(key.exists ? 1 : 0);
        u64(key.device);
        u64(key.inode);
        u64(key.size);
        u64(static_cast<uint64_t>(key.modifiedNs));
        u64(static_cast<uint64_t>(key.changedNs));
    }
    std::string& out() { return m_out; }

private:
    std::string m_out;
};

class Reader
{
public:
    Reader(const char* data, std::size_t size) : m_data(data), m_size(size) {}
    bool ok() const { return m_ok; }
    bool atEnd() const { return m_at == m_size; }

    bool bytes(void* out, std::size_t size)
    {
        if (!m_ok || m_size - m_at < size)
            return m_ok = false;
        std::memcpy(out, m_data + m_at, size);
        m_at += size;
        return true;
    }
    uint8_t u8()
    {
        uint8_t value = 0;
        bytes(&value, 1);
        return value;
    }
    uint32_t u32()
    {
        uint32_t value = 0;
        bytes(&value, 4);
        return value;
    }
    uint64_t u64()
    {
        uint64_t value = 0;
        bytes(&value, 8);
        return value;
    }
    std::string_view text()
    {
        const uint32_t size = u32();
        if (!m_ok || m_size - m_at < std::size_t(size) + 1 || m_data[m_at + size] != '\0') {
            m_ok = false;
            return std::string_view();
        }
        const std::string_view value(m_data + m_at, size);
        m_at += std::size_t(size) + 1;
        return value;
    }
    FileKey key()
    {
        FileKey key;
        const uint8_t exists = u8();
        if (exists > 1)
            m_ok = false;
        key.exists = exists == 1;
        key.device = u64();
        key.inode = u64();
        key.size = u64();
        key.modifiedNs = static_cast<int64_t>(u64());
        key.changedNs = static_cast<int64_t>(u64());
        return key;
    }

private:
    const char* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
    bool m_ok = true;
};

bool readWholeFile(const std::string& path, std::string& out)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && uint64_t(st.st_size) <= kMaxCacheSize;
    if (ok) {
        out.resize(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        while (ok && done < out.size()) {
            const ssize_t n = ::read(fd, &out[done], out.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            ok = n > 0;
            if (ok)
                done += std::size_t(n);
        }
    }
    ::close(fd);
    return ok;
}

bool writeAll(int fd, const std::string& data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += std::size_t(n);
    }
    return true;
}

bool makeFolders(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1); ; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            return true;
    }
}

std::string cacheFolder()
{
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    std::string base;
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || home[0] != '/')
            return std::string();
        base = std::string(home) + "/.cache";
    }
    return base + "/movra/plugin-catalogue";
}

} // namespace

FileKey FileKey::of(const std::string& path) { return of(-1, path); }

FileKey FileKey::of(int folder, const std::string& name)
{
    FileKey key;
    struct stat st;
    if (::fstatat(folder < 0 ? AT_FDCWD : folder, name.c_str(), &st, 0) != 0 || S_ISDIR(st.st_mode))
        return key;
    key.exists = true;
    key.device = st.st_dev;
    key.inode = st.st_ino;
    key.size = uint64_t(st.st_size);
    key.modifiedNs = nanoseconds(st.st_mtim);
    key.changedNs = nanoseconds(st.st_ctim);
    return key;
}

bool FileKey::operator==(const FileKey& other) const
{
    if (exists != other.exists)
        return false;
    return !exists
           || (device == other.device && inode == other.inode && size == other.size && modifiedNs == other.modifiedNs
               && changedNs == other.changedNs);
}

std::string CatalogueCache::pathFor(const std::string& folder)
{
    const std::string base = cacheFolder();
    if (base.empty())
        return std::string();
    uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : folder)
        hash = (hash ^ c) * 0x100000001b3ull;
    char name[32];
    std::snprintf(name, sizeof(name), "/%016llx.cache", static_cast<unsigned long long>(hash));
    return base + name;
}

uint64_t CatalogueCache::storedSize(const std::string& folder)
{
    const std::string path = pathFor(folder);
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    return uint64_t(st.st_size);
}

CatalogueCache::~CatalogueCache()
{
    if (m_folderFd >= 0)
        ::close(m_folderFd);
}

CatalogueCache::CatalogueCache(const std::string& folder) : m_folder(folder), m_path(pathFor(folder))
{
    if (m_path.empty())
        return;
    // Each library costs one lookup, of its document; relative to the open folder it walks
    // one name.
    m_folderFd = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (!readWholeFile(m_path, m_loaded))
        return;
    constexpr std::size_t kHeader = sizeof(kMagic) + 16;
    if (m_loaded.size() < kHeader || std::memcmp(m_loaded.data(), kMagic, sizeof(kMagic)) != 0)
        return;
    uint64_t bodySize = 0;
    uint64_t sum = 0;
    std::memcpy(&bodySize, m_loaded.data() + sizeof(kMagic), 8);
    std::memcpy(&sum, m_loaded.data() + sizeof(kMagic) + 8, 8);
    if (bodySize != m_loaded.size() - kHeader || checksum(m_loaded.data() + kHeader, bodySize) != sum)
        return;

    Reader in(m_loaded.data() + kHeader, bodySize);
    if (in.text() != m_folder)
        return;
    const uint32_t count = in.u32();
    std::unordered_map<std::string_view, CatalogueEntry> entries;
    entries.reserve(count);
    for (uint32_t i = 0; i < count && in.ok(); ++i) {
        const std::string_view file = in.text();
        CatalogueEntry entry;
        entry.properties = in.key();
        const uint8_t outcome = in.u8();
        entry.text = in.text();
        entry.image = in.text();
        entry.diagnostics = in.text();
        entry.reason = in.text();
        if (outcome > CatalogueEntry::Unparsable)
            return;
        entry.outcome = static_cast<CatalogueEntry::Outcome>(outcome);
        entries.emplace(file, entry);
    }
    if (!in.ok() || !in.atEnd() || entries.size() != count)
        return;
    m_old = std::move(entries);
    m_new.reserve(m_old.size());
}

const CatalogueEntry* CatalogueCache::find(const std::string& libraryFile, const FileKey& properties) const
{
    const auto found = m_old.find(libraryFile);
    if (found == m_old.end() || found->second.properties != properties)
        return nullptr;
    return &found->second;
}

void CatalogueCache::keepCached(const std::string& libraryFile, const CatalogueEntry& entry)
{
    const auto found = m_old.find(libraryFile);
    if (found != m_old.end())
        m_new.emplace(found->first, entry);
}

void CatalogueCache::keep(const std::string& libraryFile, const CatalogueEntry& entry)
{
    if (m_path.empty())
        return;
    if (m_nowNs == 0) {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        m_nowNs = nanoseconds(now);
    }
    const int64_t settled = m_nowNs - kSettleNs;
    const FileKey& key = entry.properties;
    if (key.exists && (key.modifiedNs >= settled || key.changedNs >= settled)) {
        m_changed = true; // whatever was cached for it is stale
        return;
    }
    const auto own = [this](std::string_view text) {
        m_owned.emplace_back(text);
        return std::string_view(m_owned.back());
    };
    CatalogueEntry copy = entry;
    copy.text = own(entry.text);
    copy.image = own(entry.image);
    copy.diagnostics = own(entry.diagnostics);
    copy.reason = own(entry.reason);
    m_new[own(libraryFile)] = copy;
    m_changed = true;
}

void CatalogueCache::save()
{
    if (m_path.empty() || (!m_changed && m_new.size() == m_old.size()))
        return;
    Writer body;
    body.text(m_folder);
    body.u32(static_cast<uint32_t>(m_new.size()));
    for (const auto& [file, entry] : m_new) {
        body.text(file);
        body.key(entry.properties);
        body.u8(entry.outcome);
        body.text(entry.text);
        body.text(entry.image);
        body.text(entry.diagnostics);
        body.text(entry.reason);
    }
    Writer file;
    file.bytes(kMagic, sizeof(kMagic));
    file.u64(body.out().size());
    file.u64(checksum(body.out().data(), body.out().size()));
    file.out() += body.out();

    const std::size_t slash = m_path.rfind('/');
    if (!makeFolders(m_path.substr(0, slash)))
        return;
    std::string temporary = m_path + ".XXXXXX";
    const int fd = ::mkostemp(&temporary[0], O_CLOEXEC);
    if (fd < 0)
        return;
    const bool written = writeAll(fd, file.out());
    if (::close(fd) != 0 || !written || ::rename(temporary.c_str(), m_path.c_str()) != 0)
        ::unlink(temporary.c_str());
}

} // namespace MSE

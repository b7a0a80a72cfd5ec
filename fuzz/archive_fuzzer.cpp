// Component archives as a server could send them. Whatever the bytes, unpacking writes only
// inside the folder it was given, and whatever it leaves there stays inside it, links
// included. Entry names are normalised to relative paths without "..".

#include "componentmanager/fsutil.h"
#include "componentmanager/safeextract.h"
#include "fuzzcheck.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

struct Scratch
{
    std::string root;
    std::string archive;
    std::string folder;
    std::string realFolder;

    Scratch()
    {
        const char* tmp = std::getenv("TMPDIR");
        root = std::string(tmp && *tmp ? tmp : "/tmp") + "/movra-archive-fuzz-XXXXXX";
        FUZZ_CHECK(::mkdtemp(&root[0]) != nullptr);
        archive = root + "/input";
        folder = root + "/out";
    }
    ~Scratch() { MovraComponents::removeTree(root); }
};

Scratch& scratch()
{
    static Scratch value;
    return value;
}

// Everything below `path` resolves to somewhere below `inside`.
void checkContained(const std::string& path, const std::string& inside)
{
    DIR* dir = ::opendir(path.c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string child = path + "/" + name;
        char resolved[PATH_MAX];
        if (::realpath(child.c_str(), resolved))
            FUZZ_CHECK(std::string(resolved).rfind(inside + "/", 0) == 0);
        struct stat st;
        if (::lstat(child.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            checkContained(child, inside);
    }
    ::closedir(dir);
}

size_t entriesOf(const std::string& path)
{
    size_t count = 0;
    if (DIR* dir = ::opendir(path.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            count += std::string(entry->d_name) != "." && std::string(entry->d_name) != "..";
        ::closedir(dir);
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string name(reinterpret_cast<const char*>(data), size);
    const std::string relative = MovraComponents::normaliseEntryPath(name);
    if (!relative.empty()) {
        FUZZ_CHECK(relative[0] != '/');
        FUZZ_CHECK(relative != ".." && relative.rfind("../", 0) != 0);
        FUZZ_CHECK(relative.find("/../") == std::string::npos);
        FUZZ_CHECK(relative.size() < 3 || relative.compare(relative.size() - 3, 3, "/..") != 0);
    }

    Scratch& s = scratch();
    const int fd = ::open(s.archive.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(::write(fd, data, size) == static_cast<ssize_t>(size));
    ::close(fd);
    FUZZ_CHECK(::mkdir(s.folder.c_str(), 0700) == 0);
    if (s.realFolder.empty()) {
        char resolved[PATH_MAX];
        FUZZ_CHECK(::realpath(s.folder.c_str(), resolved));
        s.realFolder = resolved;
    }

    MovraComponents::ExtractLimits limits;
    limits.maxBytes = 1u << 20;
    limits.maxEntries = 1000;
    std::atomic<bool> cancel{false};
    std::string reason;
    MovraComponents::extractArchive(s.archive, s.folder, limits, cancel, &reason);

    FUZZ_CHECK(entriesOf(s.root) == 2);  // the input and the folder, nothing beside them
    checkContained(s.folder, s.realFolder);
    FUZZ_CHECK(MovraComponents::removeTree(s.folder));
    return 0;
}

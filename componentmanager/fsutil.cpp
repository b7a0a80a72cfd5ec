#include "componentmanager/fsutil.h"

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace MovraComponents {

namespace {

int removeEntry(const char* path, const struct stat*, int type, struct FTW*)
{
    const int rc = (type == FTW_DP) ? ::rmdir(path) : ::unlink(path);
    return rc == 0 || errno == ENOENT ? 0 : -1;
}

} // namespace

bool removeTree(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(st.st_mode))
        return ::unlink(path.c_str()) == 0;
    // Folders made read-only by an archive still have to go.
    ::chmod(path.c_str(), 0700);
    return ::nftw(path.c_str(), &removeEntry, 32, FTW_DEPTH | FTW_PHYS) == 0;
}

bool makeFolders(const std::string& path)
{
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool folderWritable(const std::string& folder)
{
    std::string probe = folder;
    struct stat st;
    while (::stat(probe.c_str(), &st) != 0) {
        const size_t slash = probe.find_last_of('/');
        if (slash == std::string::npos || slash == 0) {
            probe = "/";
            break;
        }
        probe.resize(slash);
    }
    return ::access(probe.c_str(), W_OK | X_OK) == 0;
}

bool syncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool syncFileSystem(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::syncfs(fd) == 0;
    ::close(fd);
    return ok;
}

bool readSmallFile(const std::string& path, std::string* out, size_t maxBytes)
{
    out->clear();
    FILE* file = std::fopen(path.c_str(), "rbe");
    if (!file)
        return false;
    char buffer[4096];
    size_t n;
    bool ok = true;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        out->append(buffer, n);
        if (out->size() > maxBytes) {
            ok = false;
            break;
        }
    }
    ok = ok && !std::ferror(file);
    std::fclose(file);
    return ok;
}

bool writeFileAtomically(const std::string& path, const std::string& contents, int mode)
{
    const std::string temporary = path + ".new";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd < 0)
        return false;
    bool ok = ::write(fd, contents.data(), contents.size()) == static_cast<ssize_t>(contents.size());
    ok = ::fsync(fd) == 0 && ok;
    ::close(fd);
    if (!ok || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace MovraComponents

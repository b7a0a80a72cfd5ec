#include "framework/file_p.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace MSE {
namespace filesystem {

namespace {
struct ModeFlags
{
    int flags;
    bool atEnd;
};

// Indexed by File::Mode. POSIX has no sharing modes: other openers are never refused.
// "At end" positions the file once after opening, it is not O_APPEND.
const ModeFlags kModes[] = {
    {O_RDONLY, false},
    {O_WRONLY | O_CREAT | O_TRUNC, false},
    {O_WRONLY | O_CREAT | O_EXCL, false},
    {O_RDWR | O_CREAT | O_TRUNC, false},
    {O_RDWR | O_CREAT, false},
    {O_RDWR | O_CREAT | O_EXCL, false},
    {O_WRONLY | O_CREAT, true},
    {O_RDWR | O_CREAT, true},
};
} // namespace

int openFile(const std::string& path, uint32_t mode)
{
    if (mode >= sizeof(kModes) / sizeof(kModes[0]) || path.empty())
        return -1;
    int fd;
    do {
        fd = ::open(path.c_str(), kModes[mode].flags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    if (kModes[mode].atEnd && ::lseek(fd, 0, SEEK_END) < 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void closeFile(int handle) { ::close(handle); }

uint64_t fileSize(int handle)
{
    struct stat st;
    if (::fstat(handle, &st) != 0 || st.st_size < 0)
        return 0;
    return static_cast<uint64_t>(st.st_size);
}

int64_t readFile(int handle, void* buffer, uint32_t count)
{
    ssize_t n;
    do {
        n = ::read(handle, buffer, count);
    } while (n < 0 && errno == EINTR);
    return n;
}

bool isExistingFile(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool listFolder(const std::string& folder, std::vector<Entry>& entries)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return false;
    while (const dirent* entry = ::readdir(dir)) {
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat st;
            isFolder = ::lstat((folder + entry->d_name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        entries.push_back(Entry{entry->d_name, isFolder});
    }
    ::closedir(dir);
    return true;
}

} // namespace filesystem
} // namespace MSE

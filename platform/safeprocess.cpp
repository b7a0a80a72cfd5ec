#include "platform/safeprocess.h"

#include "platform/fixedtext.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace MovraPlatform {

pid_t forkBare()
{
    // The raw system call: the C library's wrappers would run its fork handlers.
    return static_cast<pid_t>(syscall(SYS_clone, CLONE_UNTRACED | SIGCHLD, nullptr, nullptr, nullptr, nullptr));
}

int waitForChild(pid_t child)
{
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(child, &status, __WALL);
        if (done == child)
            return status;
        if (done < 0 && errno != EINTR)
            return -1;
    }
}

pid_t currentThreadId()
{
    return static_cast<pid_t>(syscall(SYS_gettid));
}

size_t listThreads(pid_t pid, pid_t* out, size_t capacity)
{
    char path[64];
    FixedText text(path, sizeof(path));
    text.append("/proc/").appendDecimal(static_cast<uint64_t>(pid)).append("/task");
    const int fd = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    size_t count = 0;
    // opendir() allocates; the directory entries are read with the system call itself.
    alignas(8) char buffer[4096];
    for (;;) {
        const long size = syscall(SYS_getdents64, fd, buffer, sizeof(buffer));
        if (size <= 0)
            break;
        for (long at = 0; at < size;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
            at += entry->d_reclen;
            uint64_t id = 0;
            const char* name = entry->d_name;
            if (*name < '0' || *name > '9')
                continue;
            for (; *name >= '0' && *name <= '9'; ++name)
                id = id * 10 + static_cast<uint64_t>(*name - '0');
            if (count < capacity)
                out[count++] = static_cast<pid_t>(id);
        }
    }
    close(fd);
    return count;
}

bool writeAll(int fd, const void* data, size_t size)
{
    const char* at = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = write(fd, at, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        at += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

long readFully(int fd, void* data, size_t size)
{
    char* at = static_cast<char*>(data);
    size_t done = 0;
    while (done < size) {
        const ssize_t got = read(fd, at + done, size - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += static_cast<size_t>(got);
    }
    return static_cast<long>(done);
}

} // namespace MovraPlatform

/* Preloaded into the player and every process it starts by the sync figures: each call
 * that makes data durable appends one line naming itself to the file MOVRA_BENCH_SYNC_LOG
 * names, then does what was asked. Appending per call, rather than at exit, also counts
 * processes that leave through _exit or a signal. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static void note(const char* what)
{
    const char* path = getenv("MOVRA_BENCH_SYNC_LOG");
    if (!path)
        return;
    const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    char line[32];
    const size_t size = strlen(what);
    memcpy(line, what, size);
    line[size] = '\n';
    if (write(fd, line, size + 1) < 0) {
        /* a lost line only lowers the count */
    }
    close(fd);
}

#define FORWARD(name, signature, call)                                                          \
    int name signature                                                                          \
    {                                                                                           \
        note(#name);                                                                            \
        int(*real) signature = (int(*) signature)dlsym(RTLD_NEXT, #name);                       \
        return real ? real call : -1;                                                           \
    }

FORWARD(fsync, (int fd), (fd))
FORWARD(fdatasync, (int fd), (fd))
FORWARD(syncfs, (int fd), (fd))

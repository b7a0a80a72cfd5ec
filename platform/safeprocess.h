#pragma once
// Process primitives a signal handler may use while the process is in any state: no
// allocation, no locks, no fork handlers (the C library's fork() takes the allocator's locks,
// which a crash inside malloc leaves held).

#include <sys/types.h>

#include <cstddef>

namespace MovraPlatform {

// A child process copied from the calling thread, as fork() makes it but without running any
// fork handler. In the child only async-signal-safe calls may follow. -1 on failure.
pid_t forkBare();

// Waits for the child to end and returns its wait status; -1 when it cannot be waited for.
int waitForChild(pid_t child);

// The calling thread's id, from the kernel.
pid_t currentThreadId();

// Fills at most `capacity` ids of the threads of process `pid` (from /proc/<pid>/task) and
// returns how many it found.
size_t listThreads(pid_t pid, pid_t* out, size_t capacity);

// write() of the whole buffer, across short writes and interruptions.
bool writeAll(int fd, const void* data, size_t size);
// read() until `size` bytes or the end; the number of bytes read, or -1 on error.
long readFully(int fd, void* data, size_t size);

} // namespace MovraPlatform

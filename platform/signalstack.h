#pragma once
// A stack of its own for signal handlers on the calling thread, so that a thread whose stack
// overflowed can still run the crash handler. Header-only: the plug-in framework starts
// threads too and links nothing of the platform layer.

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>

namespace MovraPlatform {

// Big enough for the crash handler, which keeps its buffers elsewhere.
constexpr size_t kSignalStackSize = 64 * 1024;

// Gives the calling thread an alternate signal stack unless it has one; the returned pointer
// is the mapping to hand to releaseSignalStack, or null when nothing was installed.
inline void* installSignalStack()
{
    stack_t current{};
    if (sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE))
        return nullptr;
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    // A guard page below the stack: a handler that overflows it faults instead of writing
    // into whatever lies next.
    void* mapping = mmap(nullptr, kSignalStackSize + page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED)
        return nullptr;
    mprotect(mapping, page, PROT_NONE);
    stack_t stack{};
    stack.ss_sp = static_cast<char*>(mapping) + page;
    stack.ss_size = kSignalStackSize;
    if (sigaltstack(&stack, nullptr) != 0) {
        munmap(mapping, kSignalStackSize + page);
        return nullptr;
    }
    return mapping;
}

// Turns the calling thread's alternate stack off and frees it (a stack from
// installSignalStack on this thread).
inline void releaseSignalStack(void* mapping)
{
    if (!mapping)
        return;
    stack_t off{};
    off.ss_flags = SS_DISABLE;
    sigaltstack(&off, nullptr);
    munmap(mapping, kSignalStackSize + static_cast<size_t>(sysconf(_SC_PAGESIZE)));
}

// For the body of a thread: the stack lives exactly as long as the scope.
class ScopedSignalStack
{
public:
    ScopedSignalStack() : m_mapping(installSignalStack()) {}
    ~ScopedSignalStack() { releaseSignalStack(m_mapping); }
    ScopedSignalStack(const ScopedSignalStack&) = delete;
    ScopedSignalStack& operator=(const ScopedSignalStack&) = delete;

private:
    void* m_mapping;
};

} // namespace MovraPlatform

#pragma once
// The other threads of this process, stopped and with their registers, for a crash dump. A
// thread cannot read another's registers itself: a helper process attaches to each thread
// with ptrace, reports the registers and keeps the threads stopped until release(), so that
// their stacks do not change while they are written. Everything here is async-signal-safe.

#include <sys/types.h>
#include <sys/user.h>

#include <cstddef>

namespace MovraPlatform {

struct ThreadRegisters
{
    bool valid = false;
    user_regs_struct general;
    user_fpregs_struct floatingPoint;
};

struct ThreadRecord
{
    pid_t tid = 0;
    ThreadRegisters registers;
};

class ThreadSnapshot
{
public:
    // Lists every thread of the process except the calling one into `out` (at most
    // `capacity`) and returns the count. Threads ptrace was refused for are listed with
    // invalid registers; when no helper can be started at all, every thread is.
    size_t take(ThreadRecord* out, size_t capacity);
    // Lets the stopped threads run again and waits for the helper.
    void release();

private:
    pid_t m_helper = -1;
    int m_releaseFd = -1;
};

} // namespace MovraPlatform

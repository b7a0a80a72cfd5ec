#include "platform/threadsnapshot.h"

#include "platform/safeprocess.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

namespace MovraPlatform {

namespace {

constexpr size_t kMaxHelperThreads = 1024;
// A helper that reports nothing for this long is given up; the threads are then listed
// without registers rather than holding up the crash.
constexpr int kHelperSilenceMs = 10000;

bool stopAndRead(pid_t tid, ThreadRegisters& registers)
{
    if (ptrace(PTRACE_INTERRUPT, tid, nullptr, nullptr) != 0)
        return false;
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(tid, &status, __WALL);
        if (done == tid)
            break;
        if (done < 0 && errno != EINTR)
            return false;
    }
    if (!WIFSTOPPED(status))
        return false;
    registers.valid = ptrace(PTRACE_GETREGS, tid, nullptr, &registers.general) == 0
                      && ptrace(PTRACE_GETFPREGS, tid, nullptr, &registers.floatingPoint) == 0;
    return true;
}

// The helper's whole life: wait for permission, stop and report every thread, wait for the
// release, let the threads go.
[[noreturn]] void runHelper(pid_t process, pid_t skipThread, int commandFd, int reportFd)
{
    char go = 0;
    if (readFully(commandFd, &go, 1) != 1)
        _exit(1);
    pid_t threads[kMaxHelperThreads];
    pid_t attached[kMaxHelperThreads];
    size_t attachedCount = 0;
    const size_t count = listThreads(process, threads, kMaxHelperThreads);
    for (size_t i = 0; i < count; ++i) {
        if (threads[i] == skipThread)
            continue;
        ThreadRecord record{};
        record.tid = threads[i];
        // Seizing sends no signal, so a thread ptrace cannot stop is left exactly as it was.
        if (ptrace(PTRACE_SEIZE, record.tid, nullptr, nullptr) == 0) {
            attached[attachedCount++] = record.tid;
            stopAndRead(record.tid, record.registers);
        }
        if (!writeAll(reportFd, &record, sizeof(record)))
            _exit(1);
    }
    const ThreadRecord end{};
    writeAll(reportFd, &end, sizeof(end));
    char ignored;
    while (readFully(commandFd, &ignored, 1) == 1) {
    }
    for (size_t i = 0; i < attachedCount; ++i)
        ptrace(PTRACE_DETACH, attached[i], nullptr, nullptr);
    _exit(0);
}

bool listed(const ThreadRecord* records, size_t count, pid_t tid)
{
    for (size_t i = 0; i < count; ++i) {
        if (records[i].tid == tid)
            return true;
    }
    return false;
}

// Threads the helper did not report, without registers.
size_t addMissingThreads(ThreadRecord* out, size_t count, size_t capacity, pid_t skipThread)
{
    pid_t threads[kMaxHelperThreads];
    const size_t found = listThreads(getpid(), threads, kMaxHelperThreads);
    for (size_t i = 0; i < found && count < capacity; ++i) {
        if (threads[i] == skipThread || listed(out, count, threads[i]))
            continue;
        out[count] = ThreadRecord();
        out[count].tid = threads[i];
        ++count;
    }
    return count;
}

bool readRecord(int fd, ThreadRecord& record)
{
    pollfd wait{fd, POLLIN, 0};
    int ready;
    do {
        ready = poll(&wait, 1, kHelperSilenceMs);
    } while (ready < 0 && errno == EINTR);
    return ready > 0 && readFully(fd, &record, sizeof(record)) == static_cast<long>(sizeof(record));
}

} // namespace

size_t ThreadSnapshot::take(ThreadRecord* out, size_t capacity)
{
    const pid_t self = currentThreadId();
    int command[2];
    int report[2];
    if (pipe2(command, O_CLOEXEC) != 0)
        return addMissingThreads(out, 0, capacity, self);
    if (pipe2(report, O_CLOEXEC) != 0) {
        close(command[0]);
        close(command[1]);
        return addMissingThreads(out, 0, capacity, self);
    }
    const pid_t process = getpid();
    const pid_t helper = forkBare();
    if (helper == 0) {
        close(command[1]);
        close(report[0]);
        runHelper(process, self, command[0], report[1]);
    }
    close(command[0]);
    close(report[1]);
    if (helper < 0) {
        close(command[1]);
        close(report[0]);
        return addMissingThreads(out, 0, capacity, self);
    }
    // Where the system only lets ancestors trace, this process must name its tracer.
    prctl(PR_SET_PTRACER, static_cast<unsigned long>(helper), 0, 0, 0);
    m_helper = helper;
    m_releaseFd = command[1];
    const char go = 1;
    writeAll(m_releaseFd, &go, 1);

    size_t count = 0;
    ThreadRecord record{};
    bool complete = false;
    while (readRecord(report[0], record)) {
        if (record.tid == 0) {
            complete = true;
            break;
        }
        if (count < capacity)
            out[count++] = record;
    }
    close(report[0]);
    if (!complete) {
        // Threads it stopped run on once it is gone: the kernel detaches them.
        kill(helper, SIGKILL);
        count = addMissingThreads(out, count, capacity, self);
    }
    return count;
}

void ThreadSnapshot::release()
{
    if (m_releaseFd >= 0)
        close(m_releaseFd);
    m_releaseFd = -1;
    if (m_helper > 0)
        waitForChild(m_helper);
    m_helper = -1;
}

} // namespace MovraPlatform

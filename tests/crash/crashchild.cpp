// crash_child SCENARIO MODE: installs the crash handler as a player run does (MODE is the
// "CrashDumpMode" value, the folder is the desktop folder of the environment) and then
// crashes the way SCENARIO names. Two idle threads run beside the main thread throughout, so
// a dump has other threads to list.
//
// CRASH_CHILD_PLANT=symlink:TARGET or =file: before crashing, puts a symbolic link to TARGET
// (or a regular file of junk, readable by all) at every dump name of the next few seconds.
// CRASH_CHILD_NO_OVERRIDE=1: gives up the right to ignore file permissions, so that a
// read-only folder is read-only to this process even when it runs as root.

#include "framework/farmcleaner.h"
#include "shell/crashhandler.h"

#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <thread>

#define NOINLINE __attribute__((noinline))

namespace {

int idlePipe[2];
std::atomic<int> ready{0};

NOINLINE void idleWorker()
{
    ++ready;
    char byte;
    // Never written to: the thread waits here until the process ends.
    while (read(idlePipe[0], &byte, 1) != 0) {
    }
}

// Through a variable the compiler cannot see through, or it would drop the write.
int* volatile nowhere = nullptr;

NOINLINE void crashByNullWrite()
{
    *nowhere = 1;
}

NOINLINE void crashByAbort()
{
    std::abort();
}

NOINLINE int crashByDivision(volatile int divisor)
{
    return 1000 / divisor;
}

NOINLINE void crashByIllegalInstruction()
{
    __builtin_trap();
}

NOINLINE void crashByTrap()
{
    asm volatile("int3");
}

// The bound is never reached: the stack ends long before.
NOINLINE int crashByRecursion(int depth)
{
    volatile char frame[256];
    frame[depth % 256] = static_cast<char>(depth);
    if (depth == std::numeric_limits<int>::max())
        return frame[0];
    return crashByRecursion(depth + 1) + frame[0];
}

// A file mapped and then cut short: touching the page past its new end raises SIGBUS.
NOINLINE int crashByBusError()
{
    char path[] = "/tmp/movra-crash-bus-XXXXXX";
    const int fd = mkstemp(path);
    unlink(path);
    const long page = sysconf(_SC_PAGESIZE);
    if (fd < 0 || ftruncate(fd, page * 2) != 0)
        return 1;
    auto* mapped = static_cast<volatile char*>(mmap(nullptr, page * 2, PROT_READ, MAP_SHARED, fd, 0));
    if (mapped == MAP_FAILED || ftruncate(fd, 0) != 0)
        return 1;
    return mapped[page];
}

// Breaks the allocator's bookkeeping so that freeing a block detects it and aborts while the
// allocator holds its arena's lock (taken because other threads exist).
NOINLINE void crashInsideMalloc()
{
    // Too big for the per-thread caches, whose frees take no lock.
    constexpr size_t kBlock = 4000;
    char* block = static_cast<char*>(std::malloc(kBlock));
    char* address = block;
    // Hides where the pointer came from: writing past a block is exactly what the compiler
    // would otherwise be entitled to drop.
    asm volatile("" : "+r"(address));
    const size_t chunkSize = (kBlock + sizeof(size_t) + 15) & ~size_t(15);
    // The next chunk's size field, whose lowest bit says that this block is in use.
    auto* nextSize = reinterpret_cast<volatile size_t*>(address - sizeof(size_t) + chunkSize);
    *nextSize = *nextSize & ~size_t(1);
    std::free(block);
}

NOINLINE void crashOnWorkerThread()
{
    std::thread([] { crashByNullWrite(); }).join();
}

NOINLINE void crashOnTwoThreads()
{
    std::atomic<bool> go{false};
    auto crasher = [&go] {
        while (!go) {
        }
        crashByNullWrite();
    };
    std::thread first(crasher);
    std::thread second(crasher);
    go = true;
    first.join();
    second.join();
}

// The main thread writes a tick to standard error every tenth of a millisecond while a
// worker, once it has seen a few, crashes; a main thread that gets through its loop says so
// and returns normally.
NOINLINE int tickWhileWorkerCrashes()
{
    std::atomic<int> ticks{0};
    std::thread([&ticks] {
        while (ticks.load() < 20) {
        }
        crashByNullWrite();
    }).detach();
    for (int i = 0; i < 100000; ++i) {
        if (write(STDERR_FILENO, "tick\n", 5) != 5)
            return 1;
        ++ticks;
        const timespec pause{0, 100000};
        nanosleep(&pause, nullptr);
    }
    const char finished[] = "finished\n";
    return write(STDERR_FILENO, finished, sizeof finished - 1) > 0 ? 0 : 1;
}

void crashAtExit()
{
    crashByNullWrite();
}

// A heap block holding the marker; the marker's text appears nowhere else in the process.
NOINLINE void placeHeapMarker()
{
    static const char reversed[] = "REKRAM-PAEH-ARVOM";
    const size_t length = sizeof(reversed) - 1;
    auto* marker = static_cast<volatile char*>(std::malloc(length + 1));
    for (size_t i = 0; i < length; ++i)
        marker[i] = reversed[length - 1 - i];
    marker[length] = '\0';
}

std::string predictedName(uint32_t tick)
{
    char name[64];
    std::snprintf(name, sizeof(name), "/crash_child-%x.dmp", tick);
    return std::string(std::getenv("XDG_DESKTOP_DIR")) + name;
}

// Names are planted for a window that starts a little ahead, and the crash waits for the
// window to open. On a machine too busy to plant them in time the window moves further ahead
// and the names are planted again.
void plantAtPredictedNames(const std::string& what)
{
    constexpr uint32_t kWindow = 300;
    for (uint32_t lead = 1000; lead < 100000; lead *= 2) {
        const uint32_t start = MSE::tickCount() + lead;
        for (uint32_t tick = start; tick != start + kWindow; ++tick) {
            const std::string path = predictedName(tick);
            if (what.rfind("symlink:", 0) == 0) {
                if (symlink(what.substr(8).c_str(), path.c_str()) != 0)
                    std::exit(4);
            } else {
                const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
                if (fd < 0 || write(fd, "junk", 4) != 4)
                    std::exit(4);
                fchmod(fd, 0644);
                close(fd);
            }
        }
        if (int32_t(MSE::tickCount() - start) < 0) {
            while (int32_t(MSE::tickCount() - start) < 0) {
            }
            return;
        }
        for (uint32_t tick = start; tick != start + kWindow; ++tick)
            unlink(predictedName(tick).c_str());
    }
    std::fprintf(stderr, "crash_child: could not plant the names in time\n");
    std::exit(5);
}

void giveUpPermissionOverride()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (syscall(SYS_capget, &header, data) != 0)
        return;
    const uint32_t overrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);
    data[0].effective &= ~overrides;
    syscall(SYS_capset, &header, data);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: crash_child SCENARIO MODE\n");
        return 2;
    }
    const std::string scenario = argv[1];
    // The system's own core dumps are not what is tested, and would fill the folder.
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);

    if (std::getenv("CRASH_CHILD_NO_OVERRIDE"))
        giveUpPermissionOverride();
    MovraPlayerX::installCrashHandlerIfAsked(std::atoi(argv[2]));

    if (pipe(idlePipe) != 0)
        return 2;
    std::thread(idleWorker).detach();
    std::thread(idleWorker).detach();
    while (ready < 2) {
    }

    if (const char* plant = std::getenv("CRASH_CHILD_PLANT"))
        plantAtPredictedNames(plant);

    if (scenario == "null-write") {
        crashByNullWrite();
    } else if (scenario == "abort") {
        crashByAbort();
    } else if (scenario == "divide") {
        crashByDivision(0);
    } else if (scenario == "illegal") {
        crashByIllegalInstruction();
    } else if (scenario == "trap") {
        crashByTrap();
    } else if (scenario == "recursion") {
        crashByRecursion(0);
    } else if (scenario == "bus") {
        crashByBusError();
    } else if (scenario == "malloc") {
        crashInsideMalloc();
    } else if (scenario == "thread") {
        crashOnWorkerThread();
    } else if (scenario == "two-threads") {
        crashOnTwoThreads();
    } else if (scenario == "at-exit") {
        std::atexit(crashAtExit);
        return 0;
    } else if (scenario == "tick-while-worker-crashes") {
        return tickWhileWorkerCrashes();
    } else if (scenario == "heap-marker") {
        placeHeapMarker();
        crashByNullWrite();
    }
    std::fprintf(stderr, "crash_child: scenario %s did not crash\n", scenario.c_str());
    return 3;
}

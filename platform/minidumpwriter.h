#pragma once
// Writes a minidump of the running process from inside a fatal-signal handler: system and
// CPU, every thread with its registers and the top of its stack, the signal, the mapped
// libraries with their build ids, and copies of the process's /proc files, in the layout
// Breakpad and Crashpad use for Linux. A full dump adds every readable private mapping.
//
// prepare() reserves all memory up front; write() then allocates nothing, takes no lock and
// calls only async-signal-safe functions.

#include "platform/threadsnapshot.h"

#include <signal.h>
#include <sys/types.h>
#include <ucontext.h>

#include <cstdint>

namespace MovraPlatform {

struct CrashInfo
{
    int signalNumber = 0;
    int signalCode = 0;
    uint64_t faultAddress = 0;
    pid_t tid = 0;
    ThreadRegisters registers; // at the moment of the fault
};

// What a signal handler received, as the writer takes it.
void crashInfoFromSignal(int signalNumber, const siginfo_t* info, const ucontext_t* context, CrashInfo& out);

class MinidumpWriter
{
public:
    // Reserves and fills in what write() needs. Call once, outside any signal handler;
    // false when the memory cannot be had.
    static bool prepare();
    static bool isPrepared();

    // Writes the dump into fd (a new, empty file). False when the file could not be
    // completed; what was written stays. The process's other threads are stopped while it
    // writes; with `keepThreadsStopped` they stay stopped until the process ends, for a
    // caller that is about to end it and must not let anything run on after a crash.
    static bool write(int fd, const CrashInfo& crash, bool fullMemory, bool keepThreadsStopped = false);

    // After write(): the path of the plug-in library the crashing instruction lies in, or
    // null when it lies elsewhere. A plug-in library is a ".so" with its properties document
    // (the same name ending in ".xml") beside it.
    static const char* crashedPlugin();
};

} // namespace MovraPlatform

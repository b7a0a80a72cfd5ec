#pragma once
// The process-wide crash handler: on a fatal signal it writes a minidump into the folder chosen
// at installation, tells the user where it is (standard error, and a dialog where a display
// exists, in a process of its own) and ends the process by the same signal at once. The other
// threads are stopped from the dump on, so nothing of the process runs on after the crash.

#include <cstdint>

namespace MovraPlayerX {

// Folder names longer than this (terminator included) are cut.
constexpr int kMaxDumpFolderCharacters = 260;

// Installs the handler for SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT and SIGTRAP and gives the
// calling thread a signal stack of its own. Call on the main thread, before other threads
// exist; everything the handler needs is prepared here.
void installCrashHandler(const wchar_t* dumpFolder, bool fullMemory);

// Mode 1 or 2 installs the handler with the user's desktop folder as the dump folder (2: the
// dumps include all of the process's private memory); any other mode installs nothing.
void installCrashHandlerIfAsked(int32_t crashDumpMode);

} // namespace MovraPlayerX

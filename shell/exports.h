#pragma once
// The shell library's two entry points, called by the launcher. Plain C linkage.

#include <cstdint>

#define MOVRA_SHELL_EXPORT __attribute__((visibility("default")))

extern "C" {
// One player run, from start-up through the event loop to shut-down.
MOVRA_SHELL_EXPORT int movramain(int argc, char** argv);
// One maintenance command line (UTF-8 arguments, program path first).
MOVRA_SHELL_EXPORT void commandline(int32_t argc, char** argv);
}

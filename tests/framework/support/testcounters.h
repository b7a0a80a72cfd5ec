#pragma once
// Counters the test plug-ins report to. They live in a library of their own, loaded by the
// test program, so they survive the plug-in libraries being unloaded.

#include <cstdint>

#define FTC_API extern "C" __attribute__((visibility("default")))

FTC_API void ftc_objectCreated();
FTC_API void ftc_objectDestroyed();
FTC_API void ftc_startupRun();
FTC_API int64_t ftc_liveObjects();
FTC_API int64_t ftc_createdObjects();
FTC_API int64_t ftc_startupRuns();

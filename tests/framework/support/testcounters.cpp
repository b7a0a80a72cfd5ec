#include "testcounters.h"

#include <atomic>

namespace {
std::atomic<int64_t> created{0};
std::atomic<int64_t> destroyed{0};
std::atomic<int64_t> startupRuns{0};
} // namespace

FTC_API void ftc_objectCreated() { ++created; }
FTC_API void ftc_objectDestroyed() { ++destroyed; }
FTC_API void ftc_startupRun() { ++startupRuns; }
FTC_API int64_t ftc_liveObjects() { return created - destroyed; }
FTC_API int64_t ftc_createdObjects() { return created; }
FTC_API int64_t ftc_startupRuns() { return startupRuns; }

// Stand-ins for the logging library, one per scenario of the logger test:
//   STANDIN_PLANTED       leaves a marker file when loaded: a library planted in the working
//                         directory must never be
//   STANDIN_DISABLED      all four entry points, logging off; writing would abort
//   STANDIN_NO_CONFIGURE  lacks MSELog_configure; any use would abort

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define STANDIN_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
[[maybe_unused]] void leaveMark()
{
    if (const char* marker = std::getenv("STANDIN_MARKER")) {
        if (std::FILE* file = std::fopen(marker, "w"))
            std::fclose(file);
    }
}
} // namespace

#if defined(STANDIN_PLANTED)
__attribute__((constructor)) static void planted() { leaveMark(); }
STANDIN_EXPORT int MSELog_configure(const char*) { return 0; }
STANDIN_EXPORT void MSELog_close() {}
STANDIN_EXPORT bool MSELog_isEnabled() { return true; }
STANDIN_EXPORT void MSELog_write(const char*, const char*, int32_t, const char*, va_list*) { leaveMark(); }
#elif defined(STANDIN_DISABLED)
STANDIN_EXPORT int MSELog_configure(const char*) { return 0; }
STANDIN_EXPORT void MSELog_close() {}
STANDIN_EXPORT bool MSELog_isEnabled() { return false; }
STANDIN_EXPORT void MSELog_write(const char*, const char*, int32_t, const char*, va_list*) { std::abort(); }
#elif defined(STANDIN_NO_CONFIGURE)
STANDIN_EXPORT void MSELog_close() { std::abort(); }
STANDIN_EXPORT bool MSELog_isEnabled() { std::abort(); }
STANDIN_EXPORT void MSELog_write(const char*, const char*, int32_t, const char*, va_list*) { std::abort(); }
#endif

// A stand-in component-manager library. It exports the six entry points, writes every call it
// receives as one line to the file named by MOVRA_TEST_CM_LOG, and behaves as the plan in
// MOVRA_TEST_CM_PLAN says: a comma-separated list with one outcome per install (the n-th
// MCM_Initialize of the log takes the n-th entry, the last one repeats):
//   ok         finds "MPC"; the update copies MOVRA_TEST_CM_COPY_FROM (files, comma-separated)
//              into the folder MOVRA_TEST_CM_COPY_TO and returns 0
//   none       finds nothing
//   init:N     MCM_Initialize returns N
//   find:N     MCM_FindComponents returns N
//   update:N   MCM_UpdateComponents returns N
//   sleep:MS   sleep MS milliseconds inside the update first
//   hold       wait inside the update until a file named "release" appears beside the log
//              (StandinScript::release()), so a test acts while the install is surely running
//   nullname   reports a null name, then "MPC"
//   many:N     reports N names
// Outcomes combine with "+": "sleep:200+update:27".
// Built without STANDIN_WITH_FIND it lacks MCM_FindComponents.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#define STANDIN_EXPORT extern "C" __attribute__((visibility("default")))

typedef void (*NameCallback)(const char* name, void* context);

namespace {

struct Context
{
    std::string outcome;
    std::atomic<bool> cancelled{false};
};

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::stringstream stream(text);
    std::string part;
    while (std::getline(stream, part, separator))
        parts.push_back(part);
    return parts;
}

void record(const std::string& line)
{
    const std::string path = environment("MOVRA_TEST_CM_LOG");
    if (path.empty())
        return;
    if (FILE* file = std::fopen(path.c_str(), "a")) {
        std::fprintf(file, "%s\n", line.c_str());
        std::fclose(file);
    }
}

int installsSoFar()
{
    std::ifstream log(environment("MOVRA_TEST_CM_LOG"));
    int count = 0;
    std::string line;
    while (std::getline(log, line))
        count += line == "MCM_Initialize";
    return count;
}

std::string outcomeOf(void* handle)
{
    return handle ? static_cast<Context*>(handle)->outcome : std::string();
}

bool has(const std::string& outcome, const std::string& token)
{
    for (const std::string& part : split(outcome, '+')) {
        if (part == token)
            return true;
    }
    return false;
}

// In "sleep:200+find:27", the prefix "find:" gives 27; a missing prefix gives `otherwise`.
int32_t numberAfter(const std::string& outcome, const std::string& prefix, int32_t otherwise)
{
    for (const std::string& part : split(outcome, '+')) {
        if (part.compare(0, prefix.size(), prefix) == 0)
            return static_cast<int32_t>(std::strtol(part.c_str() + prefix.size(), nullptr, 10));
    }
    return otherwise;
}

void copyComponents()
{
    const std::string to = environment("MOVRA_TEST_CM_COPY_TO");
    if (to.empty())
        return;
    for (const std::string& from : split(environment("MOVRA_TEST_CM_COPY_FROM"), ',')) {
        const std::string name = from.substr(from.rfind('/') + 1);
        std::ifstream in(from, std::ios::binary);
        std::ofstream out(to + "/" + name, std::ios::binary);
        out << in.rdbuf();
    }
}

} // namespace

STANDIN_EXPORT int32_t MCM_Initialize(void** handle)
{
    const std::vector<std::string> plan = split(environment("MOVRA_TEST_CM_PLAN"), ',');
    const int install = installsSoFar();
    record("MCM_Initialize");
    std::string outcome = "ok";
    if (!plan.empty())
        outcome = plan[std::min<std::size_t>(install, plan.size() - 1)];
    const int32_t status = numberAfter(outcome, "init:", 0);
    if (status == 0)
        *handle = new Context{outcome};
    return status;
}

STANDIN_EXPORT int32_t MCM_Shutdown(void* handle)
{
    record(handle ? "MCM_Shutdown" : "MCM_Shutdown null");
    delete static_cast<Context*>(handle);
    return 0;
}

STANDIN_EXPORT int32_t MCM_CheckForUpdates(void* handle, const char* names, int32_t option, NameCallback callback,
                                           void* context)
{
    record("MCM_CheckForUpdates " + std::string(names) + " " + std::to_string(option));
    if (has(outcomeOf(handle), "ok"))
        callback("Player", context);
    return 0;
}

#ifdef STANDIN_WITH_FIND
STANDIN_EXPORT int32_t MCM_FindComponents(void* handle, NameCallback callback, void* context)
{
    record("MCM_FindComponents");
    const std::string outcome = outcomeOf(handle);
    const int32_t status = numberAfter(outcome, "find:", 0);
    if (status != 0 || has(outcome, "none"))
        return status;
    if (has(outcome, "nullname"))
        callback(nullptr, context);
    const int32_t many = numberAfter(outcome, "many:", 0);
    for (int32_t i = 0; i < many; ++i)
        callback(("component" + std::to_string(i)).c_str(), context);
    if (many == 0)
        callback("MPC", context);
    return 0;
}
#endif

STANDIN_EXPORT int32_t MCM_UpdateComponents(void* handle, const char* names)
{
    record("MCM_UpdateComponents " + std::string(names).substr(0, 200));
    const std::string outcome = outcomeOf(handle);
    const int32_t sleepMs = numberAfter(outcome, "sleep:", 0);
    // The sleep stands for a download: MCM_Cancel ends it as it would end a transfer.
    auto* session = static_cast<Context*>(handle);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(sleepMs);
    while (std::chrono::steady_clock::now() < until) {
        if (session && session->cancelled.load()) {
            record("MCM_UpdateComponents cancelled");
            return 29;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (has(outcome, "hold")) {
        const std::string log = environment("MOVRA_TEST_CM_LOG");
        const std::string release = log.substr(0, log.rfind('/') + 1) + "release";
        // Bounded, so a test that forgets the release still ends.
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!std::ifstream(release) && std::chrono::steady_clock::now() < limit) {
            if (session && session->cancelled.load()) {
                record("MCM_UpdateComponents cancelled");
                return 29;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    const int32_t status = numberAfter(outcome, "update:", 0);
    if (status == 0)
        copyComponents();
    record("MCM_UpdateComponents done");
    return status;
}

STANDIN_EXPORT int32_t MCM_Cancel(void* handle)
{
    record("MCM_Cancel");
    if (handle)
        static_cast<Context*>(handle)->cancelled.store(true);
    return 0;
}

STANDIN_EXPORT int32_t MCM_AddSpec(void* handle, const char* spec)
{
    (void)handle;
    record("MCM_AddSpec " + std::string(spec));
    return 0;
}

// A second process for the registry's multi-process tests. Modes:
//   increment COUNT LOCKFILE  add 1 to "n" of the settings section Counter (the user key
//                             SOFTWARE\Movra\Counter) COUNT times through the settings
//                             store; each read-modify-write holds an flock on LOCKFILE,
//                             because the registry (like Windows') has no atomic increment.
//   writer ROUND              write values (and now and then keys) without end, reporting
//                             each one on standard output only after its call succeeded.
//   lockstep                  for each number read from standard input, store it as "n" of
//                             the settings section Lockstep, then echo it once stored.

#include "platform/registry.h"
#include "settings/opensettings.h"
#include "settings/refcountedptr.h"

#include <cstdio>
#include <set>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace MovraRegistry;

namespace {

std::u16string wide(const std::string& text)
{
    return std::u16string(text.begin(), text.end());
}

int fail(const char* what, LONG rc)
{
    std::fprintf(stderr, "registry_process_helper: %s failed with %d\n", what, static_cast<int>(rc));
    return 2;
}

int increment(int count, const char* lockFile)
{
    const int lock = ::open(lockFile, O_RDWR | O_CREAT, 0600);
    if (lock < 0)
        return fail("open lock", 0);
    // One section kept open for the whole run, as the player keeps its settings group.
    mvtl::RefCountedPtr<mvds::IMovraSettings> section;
    if (!mvds::openSettings(std::string("Counter"), mvds::UserCreate, section.out()))
        return fail("openSettings", 0);
    for (int i = 0; i < count; ++i) {
        if (::flock(lock, LOCK_EX) != 0)
            return fail("flock", 0);
        int64_t value = 0;
        std::set<std::string> names;
        if (!section->getValueNames(names))
            return fail("getValueNames", 0);
        if (names.count("n") && !section->getValue(std::string("n"), value))
            return fail("getValue", 0);
        if (!section->setValue(std::string("n"), value + 1))
            return fail("setValue", 0);
        ::flock(lock, LOCK_UN);
    }
    return 0;
}

void report(const std::string& line)
{
    const std::string text = line + "\n";
    if (::write(STDOUT_FILENO, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        std::_Exit(3);
}

int writer(const std::string& round)
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\Movra\\Kill", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr);
    if (rc != ERROR_SUCCESS)
        return fail("create", rc);
    for (DWORD i = 0;; ++i) {
        const std::string name = "r" + round + "_" + std::to_string(i);
        if (i % 10 == 9) {
            HKEY sub = nullptr;
            rc = RegCreateKeyExW(key, wide("k" + name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr);
            if (rc != ERROR_SUCCESS)
                return fail("create sub-key", rc);
            RegCloseKey(sub);
            report("k " + name);
        } else {
            rc = RegSetValueExW(key, wide(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), 4);
            if (rc != ERROR_SUCCESS)
                return fail("set", rc);
            report("v " + name + " " + std::to_string(i));
        }
    }
}

int lockstep()
{
    mvtl::RefCountedPtr<mvds::IMovraSettings> section;
    if (!mvds::openSettings(std::string("Lockstep"), mvds::UserCreate, section.out()))
        return fail("openSettings", 0);
    char line[64];
    while (std::fgets(line, sizeof line, stdin)) {
        const long long value = std::atoll(line);
        if (!section->setValue(std::string("n"), value))
            return fail("setValue", 0);
        report(std::to_string(value));
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "lockstep") == 0)
        return lockstep();
    if (argc == 4 && std::strcmp(argv[1], "increment") == 0)
        return increment(std::atoi(argv[2]), argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "writer") == 0)
        return writer(argv[2]);
    std::fprintf(stderr, "usage: registry_process_helper increment COUNT LOCKFILE | writer ROUND | lockstep\n");
    return 1;
}

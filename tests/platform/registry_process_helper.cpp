// A second process for the registry's multi-process tests. Modes:
//   increment COUNT LOCKFILE  add 1 to "n" of the settings section Counter (the user key
//                             SOFTWARE\Movra\Counter) COUNT times through the settings
//                             store; each read-modify-write holds an flock on LOCKFILE,
//                             because the registry (like Windows') has no atomic increment.
//   writer ROUND              write values (and now and then keys) without end, reporting
//                             each one on standard output only after its call succeeded.
//   lockstep                  for each number read from standard input, store it as "n" of
//                             the settings section Lockstep, then echo it once stored.
//   batch GEN COUNT           in one batch, set "b0".."b<COUNT-1>" to GEN under
//                             SOFTWARE\Movra\Batch of both roots; print "written" with
//                             the batch still open, wait for a line on standard input, then
//                             end the batch and print "committed" (or the failure).
//   diecheckpointing          as writer, with values large enough to grow the database, but
//                             the process kills itself (SIGKILL) as soon as a checkpoint has
//                             written the first page of the database file and before the rest.

#include "platform/registry.h"
#include "settings/opensettings.h"
#include "settings/refcountedptr.h"

#include <cstdio>
#include <set>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sqlite3.h>

#include <csignal>
#include <memory>
#include <vector>

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

// A file system that dies in the middle of a checkpoint: once the log is in use, every write
// to the database file itself is a checkpoint copying pages back, the first of them page 1
// with the database's new size in its header.
sqlite3_vfs* g_real = nullptr;

struct DyingFile
{
    sqlite3_file base;
    sqlite3_file* real;
    bool mainDb;
};

sqlite3_file* realOf(sqlite3_file* file)
{
    return reinterpret_cast<DyingFile*>(file)->real;
}

int dyingWrite(sqlite3_file* file, const void* data, int size, sqlite3_int64 offset)
{
    const int rc = realOf(file)->pMethods->xWrite(realOf(file), data, size, offset);
    if (reinterpret_cast<DyingFile*>(file)->mainDb && offset == 0)
        ::raise(SIGKILL);
    return rc;
}

int dyingClose(sqlite3_file* file)
{
    const int rc = realOf(file)->pMethods->xClose(realOf(file));
    sqlite3_free(realOf(file));
    return rc;
}

sqlite3_io_methods g_methods;

int dyingOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags)
{
    auto* dying = reinterpret_cast<DyingFile*>(file);
    dying->base.pMethods = nullptr;
    dying->real = static_cast<sqlite3_file*>(sqlite3_malloc(g_real->szOsFile));
    if (!dying->real)
        return SQLITE_NOMEM;
    std::memset(dying->real, 0, g_real->szOsFile);
    const int rc = g_real->xOpen(g_real, name, dying->real, flags, outFlags);
    if (rc != SQLITE_OK || !dying->real->pMethods) {
        sqlite3_free(dying->real);
        return rc;
    }
    dying->mainDb = (flags & SQLITE_OPEN_MAIN_DB) != 0;
    if (!g_methods.iVersion) {
        // Everything but writing and closing goes straight to the real file.
        const sqlite3_io_methods& real = *dying->real->pMethods;
        g_methods = real;
#define FORWARD(member, ...) g_methods.member = [](sqlite3_file* f, auto... a) { return realOf(f)->pMethods->member(realOf(f), a...); }
        FORWARD(xRead);
        FORWARD(xTruncate);
        FORWARD(xSync);
        FORWARD(xFileSize);
        FORWARD(xLock);
        FORWARD(xUnlock);
        FORWARD(xCheckReservedLock);
        FORWARD(xFileControl);
        FORWARD(xShmMap);
        FORWARD(xShmLock);
        FORWARD(xShmUnmap);
        FORWARD(xFetch);
        FORWARD(xUnfetch);
#undef FORWARD
        g_methods.xSectorSize = [](sqlite3_file* f) { return realOf(f)->pMethods->xSectorSize(realOf(f)); };
        g_methods.xDeviceCharacteristics
            = [](sqlite3_file* f) { return realOf(f)->pMethods->xDeviceCharacteristics(realOf(f)); };
        g_methods.xShmBarrier = [](sqlite3_file* f) { realOf(f)->pMethods->xShmBarrier(realOf(f)); };
        g_methods.xWrite = dyingWrite;
        g_methods.xClose = dyingClose;
    }
    dying->base.pMethods = &g_methods;
    return SQLITE_OK;
}

int dieCheckpointing()
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\Movra\\Kill", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr);
    if (rc != ERROR_SUCCESS)
        return fail("create", rc);
    RegCloseKey(key);
    resetRegistryForTesting();

    g_real = sqlite3_vfs_find(nullptr);
    static sqlite3_vfs dying = *g_real;
    dying.zName = "movra-dying";
    dying.szOsFile = sizeof(DyingFile);
    dying.xOpen = dyingOpen;
    if (sqlite3_vfs_register(&dying, 1) != SQLITE_OK)
        return fail("register", 0);

    rc = RegOpenKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\Movra\\Kill", 0, KEY_ALL_ACCESS, &key);
    if (rc != ERROR_SUCCESS)
        return fail("open", rc);
    std::vector<BYTE> data(20000);
    for (DWORD i = 0; i < 100000; ++i) {
        const std::string name = "big" + std::to_string(i);
        std::memset(data.data(), static_cast<int>(i & 0xFF), data.size());
        rc = RegSetValueExW(key, wide(name).c_str(), 0, REG_BINARY, data.data(), static_cast<DWORD>(data.size()));
        if (rc != ERROR_SUCCESS)
            return fail("set", rc);
        report("b " + name + " " + std::to_string(i & 0xFF));
    }
    return fail("checkpoint never came", 0);
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

int batch(DWORD generation, int count)
{
    auto batch = std::make_unique<RegistryBatch>();
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        HKEY key = nullptr;
        LONG rc = RegCreateKeyExW(root, u"SOFTWARE\\Movra\\Batch", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr);
        if (rc != ERROR_SUCCESS)
            return fail("create", rc);
        for (int i = 0; i < count; ++i) {
            rc = RegSetValueExW(key, wide("b" + std::to_string(i)).c_str(), 0, REG_DWORD,
                                reinterpret_cast<const BYTE*>(&generation), 4);
            if (rc != ERROR_SUCCESS)
                return fail("set", rc);
        }
        RegCloseKey(key);
    }
    report("written");
    char line[16];
    if (!std::fgets(line, sizeof line, stdin))
        return fail("wait", 0);
    const LONG rc = batch->commit();
    if (rc != ERROR_SUCCESS)
        return fail("commit", rc);
    report("committed");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "batch") == 0)
        return batch(static_cast<DWORD>(std::atol(argv[2])), std::atoi(argv[3]));
    if (argc == 2 && std::strcmp(argv[1], "lockstep") == 0)
        return lockstep();
    if (argc == 4 && std::strcmp(argv[1], "increment") == 0)
        return increment(std::atoi(argv[2]), argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "writer") == 0)
        return writer(argv[2]);
    if (argc == 2 && std::strcmp(argv[1], "diecheckpointing") == 0)
        return dieCheckpointing();
    std::fprintf(stderr, "usage: registry_process_helper increment COUNT LOCKFILE | writer ROUND | lockstep"
                         " | diecheckpointing | batch GEN COUNT\n");
    return 1;
}

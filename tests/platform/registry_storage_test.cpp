// The registry's files: read-only and broken roots, changes made behind the layer's back,
// concurrent callers.

#include "platform/registry.h"
#include "platform/registrynames.h"
#include "platform/registrystore.h"
#include "support/temporaryregistry.h"
#include "registrystoragetesting.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fstream>
#include <memory>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace MovraRegistry;
using namespace RegistryStorageTest;

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// HKCU\SOFTWARE\Movra, created and opened for writing; null (and a failure) when it can't be.
HKEY createMovraKey()
{
    HKEY key = nullptr;
    const LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\Movra", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    &key, nullptr);
    EXPECT_EQ(rc, ERROR_SUCCESS);
    return rc == ERROR_SUCCESS ? key : nullptr;
}


TEST(RegistryStorage, MissingRootsReadAsEmptyAndAreCreatedOnlyByWrites)
{
    MovraTest::TemporaryRegistry registry;
    DWORD value = 0;
    EXPECT_EQ(getDword(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Movra", u"v", &value), ERROR_FILE_NOT_FOUND);
    DWORD subKeys = 99;
    EXPECT_EQ(RegQueryInfoKeyW(HKEY_CURRENT_USER, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 0u);
    EXPECT_FALSE(exists(registry.userDatabase()));
    EXPECT_FALSE(exists(registry.machineDatabase()));

    EXPECT_EQ(setDword(HKEY_CURRENT_USER, u"SOFTWARE\\Movra", u"v", 5), ERROR_SUCCESS);
    EXPECT_TRUE(exists(registry.userDatabase()));
    EXPECT_FALSE(exists(registry.machineDatabase()));
    EXPECT_FALSE(exists(registry.userDatabase() + "-journal")) << "rollback journal, removed after commit";
}

TEST(RegistryStorage, ReadOnlyMachineRootReadsButRefusesWritesAndCreatesNothing)
{
    MovraTest::TemporaryRegistry registry;
    ASSERT_EQ(setDword(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Movra\\Settings\\Player", u"Volume", 40), ERROR_SUCCESS);
    const std::string before = readFile(registry.machineDatabase());

    MovraTest::ScopedEnvironment readOnly("MOVRA_REGISTRY_MACHINE_READONLY", "1");
    resetRegistryForTesting();

    // A read-write open succeeds, as the settings store's fallback section needs.
    HKEY machine = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Movra\\Settings\\Player", 0,
                            KEY_ALL_ACCESS | KEY_WOW64_64KEY, &machine),
              ERROR_SUCCESS);
    DWORD value = 0, size = 4;
    EXPECT_EQ(RegQueryValueExW(machine, u"Volume", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(value, 40u);
    EXPECT_EQ(RegSetValueExW(machine, u"Volume", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueW(machine, u"Volume"), ERROR_ACCESS_DENIED);
    HKEY sub = nullptr;
    EXPECT_EQ(RegCreateKeyExW(machine, u"New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
              ERROR_ACCESS_DENIED);
    DWORD disposition = 0;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Movra", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(sub);
    EXPECT_EQ(SHDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Movra"), ERROR_ACCESS_DENIED);
    RegCloseKey(machine);

    // The user root stays writable beside it.
    EXPECT_EQ(setDword(HKEY_CURRENT_USER, u"SOFTWARE\\Movra\\Settings\\Player", u"Volume", 70), ERROR_SUCCESS);
    EXPECT_EQ(getDword(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Movra\\Settings\\Player", u"Volume", &value), ERROR_SUCCESS);
    EXPECT_EQ(value, 40u);
    EXPECT_EQ(readFile(registry.machineDatabase()), before);
    EXPECT_FALSE(exists(registry.machineDatabase() + "-journal"));
}

TEST(RegistryStorage, ReadOnlyMachineRootWithoutDatabaseStaysAbsent)
{
    MovraTest::TemporaryRegistry registry;
    const std::string machineDir = registry.dir() + "/machine";
    MovraTest::ScopedEnvironment readOnly("MOVRA_REGISTRY_MACHINE_READONLY", "1");
    resetRegistryForTesting();
    EXPECT_EQ(setDword(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Movra", u"v", 1), ERROR_ACCESS_DENIED);
    EXPECT_EQ(setDword(HKEY_CLASSES_ROOT, u".mkv", u"v", 1), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(exists(registry.machineDatabase()));
}

TEST(RegistryStorage, ReadOnlyFolderByPermissions)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the superuser; MOVRA_REGISTRY_MACHINE_READONLY covers this case";
    MovraTest::TemporaryRegistry registry;
    ASSERT_EQ(setDword(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Movra", u"v", 3), ERROR_SUCCESS);
    resetRegistryForTesting();
    ASSERT_EQ(::chmod(registry.machineDatabase().c_str(), 0444), 0);
    ASSERT_EQ(::chmod(registry.dir().c_str(), 0555), 0);
    DWORD value = 0;
    EXPECT_EQ(getDword(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Movra", u"v", &value), ERROR_SUCCESS);
    EXPECT_EQ(value, 3u);
    EXPECT_EQ(setDword(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Movra", u"v", 4), ERROR_ACCESS_DENIED);
    EXPECT_EQ(setDword(HKEY_CURRENT_USER, u"SOFTWARE\\Movra", u"v", 4), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(exists(registry.userDatabase()));
    ::chmod(registry.dir().c_str(), 0755);
}

struct BrokenFile
{
    const char* what;
    std::string (*make)(const std::string& goodDatabase);
};

std::string notADatabase(const std::string&)
{
    return std::string(5000, 'z');
}

std::string truncatedDatabase(const std::string& good)
{
    return good.substr(0, good.size() / 2);
}

std::string foreignDatabase(const std::string&)
{
    char path[] = "/tmp/movra-foreign-XXXXXX";
    const int fd = ::mkstemp(path);
    ::close(fd);
    sqlite3* db = nullptr;
    sqlite3_open(path, &db);
    sqlite3_exec(db, "CREATE TABLE songs(title TEXT); INSERT INTO songs VALUES('a');", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    const std::string bytes = readFile(path);
    ::unlink(path);
    return bytes;
}

// Marked as a root of ours, but with tables of another shape: no statement of the layer
// compiles against it.
std::string foreignSchemaWithOurMarks(const std::string&)
{
    char path[] = "/tmp/movra-foreign-XXXXXX";
    const int fd = ::mkstemp(path);
    ::close(fd);
    sqlite3* db = nullptr;
    sqlite3_open(path, &db);
    sqlite3_exec(db,
                 "PRAGMA journal_mode=WAL; CREATE TABLE keys(id INTEGER PRIMARY KEY, title TEXT);"
                 "CREATE TABLE vals(x); PRAGMA application_id=1297502791; PRAGMA user_version=1;",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    const std::string bytes = readFile(path);
    ::unlink(path);
    return bytes;
}

class BrokenRegistryFile : public ::testing::TestWithParam<BrokenFile>
{
};

TEST_P(BrokenRegistryFile, AnswersBadDbNeverWritesAndIsNamed)
{
    MovraTest::TemporaryRegistry registry;
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(setDword(HKEY_CURRENT_USER, u"SOFTWARE\\Movra\\Many", std::u16string(u"value" + std::u16string(1, char16_t(u'A' + i % 26)) + std::u16string(1, char16_t(u'a' + i / 26))).c_str(), i), ERROR_SUCCESS);
    resetRegistryForTesting();
    const std::string broken = GetParam().make(readFile(registry.userDatabase()));
    writeFile(registry.userDatabase(), broken);

    DWORD value = 0x1234;
    EXPECT_NE(getDword(HKEY_CURRENT_USER, u"SOFTWARE\\Movra\\Many", u"valueAa", &value), ERROR_SUCCESS);
    EXPECT_EQ(value, 0x1234u);
    EXPECT_EQ(setDword(HKEY_CURRENT_USER, u"SOFTWARE\\Movra", u"v", 1), ERROR_BADDB);
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_BADDB);
    EXPECT_EQ(SHDeleteKeyW(HKEY_CURRENT_USER, u"SOFTWARE"), ERROR_BADDB);
    EXPECT_EQ(readFile(registry.userDatabase()), broken);
    EXPECT_NE(registryProblems().find(registry.userDatabase()), std::string::npos) << registryProblems();

    // The other root is unaffected.
    EXPECT_EQ(setDword(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Movra", u"v", 1), ERROR_SUCCESS);
    EXPECT_EQ(registryProblems().find(registry.machineDatabase()), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Files, BrokenRegistryFile,
                         ::testing::Values(BrokenFile{"NotADatabase", notADatabase},
                                           BrokenFile{"Truncated", truncatedDatabase},
                                           BrokenFile{"ForeignDatabase", foreignDatabase},
                                           BrokenFile{"ForeignSchemaWithOurMarks", foreignSchemaWithOurMarks}),
                         [](const ::testing::TestParamInfo<BrokenFile>& info) { return info.param.what; });

// Another connection stands in for another process: the layer's cache must see its commits.
TEST(RegistryStorage, CommitsOfAnotherConnectionAreSeenAtOnce)
{
    MovraTest::TemporaryRegistry registry;
    const HKEY key = createMovraKey();
    ASSERT_NE(key, nullptr);
    DWORD value = 1;
    ASSERT_EQ(RegSetValueExW(key, u"v", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4), ERROR_SUCCESS);
    DWORD size = 4;
    ASSERT_EQ(RegQueryValueExW(key, u"v", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS);

    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(registry.userDatabase().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "UPDATE vals SET data = x'02000000'", nullptr, nullptr, nullptr), SQLITE_OK);
    size = 4;
    EXPECT_EQ(RegQueryValueExW(key, u"v", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS);
    EXPECT_EQ(value, 2u);

    ASSERT_EQ(sqlite3_exec(other, "DELETE FROM vals; DELETE FROM keys;", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(RegQueryValueExW(key, u"v", nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
    sqlite3_close(other);
    RegCloseKey(key);
}

TEST(RegistryStorage, ConcurrentThreadsKeepEveryWrite)
{
    MovraTest::TemporaryRegistry registry;
    constexpr int kThreads = 4;
    constexpr int kWrites = 40;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            const std::u16string path = u"SOFTWARE\\Movra\\Thread" + std::u16string(1, char16_t(u'0' + t));
            HKEY key = nullptr;
            if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr) != ERROR_SUCCESS) {
                ++failures;
                return;
            }
            for (DWORD i = 0; i < kWrites; ++i) {
                if (RegSetValueExW(key, u"count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), 4) != ERROR_SUCCESS)
                    ++failures;
                DWORD read = 0, size = 4;
                if (RegQueryValueExW(key, u"count", nullptr, nullptr, reinterpret_cast<BYTE*>(&read), &size)
                        != ERROR_SUCCESS
                    || read != i)
                    ++failures;
            }
            RegCloseKey(key);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);
    DWORD subKeys = 0;
    HKEY movra = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\Movra", 0, KEY_READ, &movra), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryInfoKeyW(movra, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, DWORD(kThreads));
    RegCloseKey(movra);
}

} // namespace

namespace {

mode_t modeOf(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

class ScopedUmask
{
public:
    explicit ScopedUmask(mode_t mask) : m_old(::umask(mask)) {}
    ~ScopedUmask() { ::umask(m_old); }

private:
    mode_t m_old;
};

} // namespace

// The user's root holds passwords and the like; nobody else may read it, whichever root
// happened to create a shared folder and whatever an older version left behind.
TEST(RegistryStorage, TheUsersRootIsPrivateWhateverTheOrderOfCreation)
{
    MovraTest::TemporaryRegistry base;
    ScopedUmask umask(022);
    {
        const std::string shared = base.dir() + "/shared";
        MovraTest::ScopedEnvironment env("MOVRA_REGISTRY_DIR", shared.c_str());
        resetRegistryForTesting();
        ASSERT_EQ(setDword(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Movra", u"m", 1), ERROR_SUCCESS);
        EXPECT_EQ(modeOf(shared), 0755u);
        EXPECT_EQ(modeOf(shared + "/machine.db"), 0644u);
        ASSERT_EQ(setDword(HKEY_CURRENT_USER, u"SOFTWARE\\Movra", u"u", 1), ERROR_SUCCESS);
        EXPECT_EQ(modeOf(shared), 0700u);
        EXPECT_EQ(modeOf(shared + "/user.db"), 0600u);
        // The log and its index hold the same data while the root is open.
        EXPECT_EQ(modeOf(shared + "/user.db-wal"), 0600u);
        EXPECT_EQ(modeOf(shared + "/user.db-shm"), 0600u);
        EXPECT_EQ(modeOf(shared + "/machine.db"), 0644u);
    }
    {
        // Left by an earlier version: a world-readable folder and database.
        const std::string old = base.dir() + "/old";
        ASSERT_EQ(::mkdir(old.c_str(), 0755), 0);
        writeFile(old + "/user.db", "");
        ASSERT_EQ(::chmod((old + "/user.db").c_str(), 0644), 0);
        MovraTest::ScopedEnvironment env("MOVRA_REGISTRY_DIR", old.c_str());
        resetRegistryForTesting();
        ASSERT_EQ(setDword(HKEY_CURRENT_USER, u"SOFTWARE\\Movra", u"u", 1), ERROR_SUCCESS);
        EXPECT_EQ(modeOf(old), 0700u);
        EXPECT_EQ(modeOf(old + "/user.db"), 0600u);
    }
    resetRegistryForTesting();
}

namespace {

int64_t fileSize(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

bool execute(const std::string& database, const char* sql)
{
    sqlite3* db = nullptr;
    const bool ok = sqlite3_open(database.c_str(), &db) == SQLITE_OK
                    && sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

// Reads "v" of SOFTWARE\Movra through a handle (or a store) kept open, as the settings
// store keeps its keys, so that the value is cached between the reads.
class CachedReader
{
public:
    virtual ~CachedReader() = default;
    virtual LONG read(DWORD* value) = 0;
};

class HandleReader : public CachedReader
{
public:
    explicit HandleReader(HKEY root) { RegOpenKeyExW(root, u"SOFTWARE\\Movra", 0, KEY_READ, &m_key); }
    ~HandleReader() override { RegCloseKey(m_key); }
    LONG read(DWORD* value) override
    {
        DWORD size = 4;
        return RegQueryValueExW(m_key, u"v", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    }

private:
    HKEY m_key = nullptr;
};

// No setting makes the user's root read-only for the superuser the tests run as, so that
// root is opened read-only by constructing its store directly.
class ReadOnlyStoreReader : public CachedReader
{
public:
    explicit ReadOnlyStoreReader(const std::string& path) : m_store(path, true, true, true)
    {
        auto guard = m_store.lock();
        std::vector<RegistryName> segments;
        splitKeyPath(u"SOFTWARE\\Movra", &segments);
        m_store.openPath_locked(RegistryStore::kRootKey, segments, &m_id);
    }
    LONG read(DWORD* value) override
    {
        auto guard = m_store.lock();
        const RegistryStore::Value* found = nullptr;
        const LONG rc = m_store.findValue_locked(m_id, foldName(u"v"), &found);
        if (rc == ERROR_SUCCESS && value && found->data.size() == 4)
            std::memcpy(value, found->data.data(), 4);
        return rc;
    }

private:
    RegistryStore m_store;
    int64_t m_id = -1;
};

// Each way a root learns of the commits of others: the log index's counter (the user's
// root), the data version (a root with a log that was opened read-only) and the database
// header (the machine root, writable or not, with its rollback journal).
struct ChangeSignalCase
{
    const char* name;
    bool machine;
    bool readOnly;
};

class ChangeSignals : public ::testing::TestWithParam<ChangeSignalCase>
{
};

TEST_P(ChangeSignals, CommitsOfAnotherConnectionAreSeenByTheNextRead)
{
    const ChangeSignalCase& row = GetParam();
    MovraTest::TemporaryRegistry registry;
    const HKEY root = row.machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    const std::string database = row.machine ? registry.machineDatabase() : registry.userDatabase();
    ASSERT_EQ(setDword(root, u"SOFTWARE\\Movra", u"v", 1), ERROR_SUCCESS);
    MovraTest::ScopedEnvironment readOnly("MOVRA_REGISTRY_MACHINE_READONLY", row.machine && row.readOnly ? "1" : nullptr);
    resetRegistryForTesting();

    std::unique_ptr<CachedReader> reader;
    if (!row.machine && row.readOnly)
        reader = std::make_unique<ReadOnlyStoreReader>(database);
    else
        reader = std::make_unique<HandleReader>(root);
    for (DWORD expected = 2; expected < 6; ++expected) {
        DWORD value = 0;
        ASSERT_EQ(reader->read(&value), ERROR_SUCCESS);
        ASSERT_EQ(value, expected - 1);
        const std::string update = "UPDATE vals SET data = x'0" + std::to_string(expected) + "000000'";
        ASSERT_TRUE(execute(database, update.c_str()));
        ASSERT_EQ(reader->read(&value), ERROR_SUCCESS);
        EXPECT_EQ(value, expected);
    }
    ASSERT_TRUE(execute(database, "DELETE FROM vals; DELETE FROM keys;"));
    EXPECT_EQ(reader->read(nullptr), ERROR_KEY_DELETED);
    reader.reset();
    resetRegistryForTesting();
}

INSTANTIATE_TEST_SUITE_P(Roots, ChangeSignals,
                         ::testing::Values(ChangeSignalCase{"UserLogIndex", false, false},
                                           ChangeSignalCase{"UserReadOnlyDataVersion", false, true},
                                           ChangeSignalCase{"MachineHeader", true, false},
                                           ChangeSignalCase{"MachineReadOnlyHeader", true, true}),
                         [](const ::testing::TestParamInfo<ChangeSignalCase>& info) { return info.param.name; });

// The log's index (the -shm file) as a crash or someone else may have left it while no
// process had the root open: the first connection rebuilds it, and reads go on seeing
// the commits of others.
struct LeftIndex
{
    const char* name;
    size_t size;
    char fill;
};

class LeftOverLogIndex : public ::testing::TestWithParam<LeftIndex>
{
};

TEST_P(LeftOverLogIndex, IsRebuiltAndCommitsStayVisible)
{
    MovraTest::TemporaryRegistry registry;
    ASSERT_EQ(setDword(HKEY_CURRENT_USER, u"SOFTWARE\\Movra", u"v", 1), ERROR_SUCCESS);
    resetRegistryForTesting();
    writeFile(registry.userDatabase() + "-shm", std::string(GetParam().size, GetParam().fill));

    HandleReader reader(HKEY_CURRENT_USER);
    DWORD value = 0;
    ASSERT_EQ(reader.read(&value), ERROR_SUCCESS);
    EXPECT_EQ(value, 1u);
    ASSERT_TRUE(execute(registry.userDatabase(), "UPDATE vals SET data = x'07000000'"));
    ASSERT_EQ(reader.read(&value), ERROR_SUCCESS);
    EXPECT_EQ(value, 7u);
    EXPECT_EQ(setDword(HKEY_CURRENT_USER, u"SOFTWARE\\Movra", u"v", 8), ERROR_SUCCESS);
    ASSERT_EQ(reader.read(&value), ERROR_SUCCESS);
    EXPECT_EQ(value, 8u);
}

INSTANTIATE_TEST_SUITE_P(Files, LeftOverLogIndex,
                         ::testing::Values(LeftIndex{"Empty", 0, 0}, LeftIndex{"Truncated", 10, 'x'},
                                           LeftIndex{"Garbage", 32768, char(0xA5)},
                                           LeftIndex{"LargerGarbage", 100000, char(0xFF)}),
                         [](const ::testing::TestParamInfo<LeftIndex>& info) { return info.param.name; });

// The log is copied back beside the writes, so it stays bounded however long a process
// keeps writing; without that, these writes would leave about 29 MB of log.
TEST(RegistryStorage, TheLogOfTheUsersRootStaysBounded)
{
    MovraTest::TemporaryRegistry registry;
    const HKEY key = createMovraKey();
    ASSERT_NE(key, nullptr);
    const std::vector<BYTE> blob(12000, 0x5A);
    int64_t largest = 0;
    for (int i = 0; i < 1000; ++i) {
        const std::u16string name = u"blob" + std::u16string(1, char16_t(u'a' + i % 26)) +
                                    std::u16string(1, char16_t(u'a' + i / 26 % 26)) + char16_t(u'a' + i / 676);
        ASSERT_EQ(RegSetValueExW(key, name.c_str(), 0, REG_BINARY, blob.data(), DWORD(blob.size())), ERROR_SUCCESS);
        largest = std::max(largest, fileSize(registry.userDatabase() + "-wal"));
    }
    RegCloseKey(key);
    EXPECT_GT(largest, 0) << "the user's root keeps no write-ahead log";
    EXPECT_LT(largest, 4 << 20);
    resetRegistryForTesting();
    EXPECT_LT(fileSize(registry.userDatabase() + "-wal"), 4 << 20) << "closing grew the log";
}

// Small commits start the log over from its beginning once it was copied back, so that they
// overwrite what the file already holds instead of extending it: 1,500 commits of about
// two pages would otherwise leave more than 12 MB of log, and a log emptied while in use
// would be extended again.
TEST(RegistryStorage, SmallCommitsReuseTheLogFromItsBeginning)
{
    MovraTest::TemporaryRegistry registry;
    const HKEY key = createMovraKey();
    ASSERT_NE(key, nullptr);
    int64_t largest = 0;
    for (DWORD i = 0; i < 1500; ++i) {
        const char16_t name[] = {u'v', char16_t(u'a' + i % 20), 0};
        ASSERT_EQ(RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), 4), ERROR_SUCCESS);
        const int64_t size = fileSize(registry.userDatabase() + "-wal");
        // A log cut back while in use would make the next commits extend the file again.
        ASSERT_GE(size, largest) << "the log shrank after " << i + 1 << " commits";
        largest = size;
    }
    RegCloseKey(key);
    EXPECT_GT(largest, 0);
    EXPECT_LT(largest, 1536 << 10);
}

struct FileIdentity
{
    ino_t inode = 0;
    off_t size = -1;
};

FileIdentity identityOf(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? FileIdentity{st.st_ino, st.st_size} : FileIdentity{};
}

// The log and its index are made once and kept: every start would otherwise create both
// files and every exit remove them. Closing leaves the commits in the log instead of
// syncing them into the database once more; the next connection reads them from there.
TEST(RegistryStorage, TheLogFilesAndTheirCommitsAreKeptBetweenConnections)
{
    MovraTest::TemporaryRegistry registry;
    ASSERT_EQ(setDword(HKEY_CURRENT_USER, u"SOFTWARE\\Movra", u"v", 1), ERROR_SUCCESS);
    resetRegistryForTesting();
    const FileIdentity log = identityOf(registry.userDatabase() + "-wal");
    const FileIdentity index = identityOf(registry.userDatabase() + "-shm");
    ASSERT_NE(log.inode, 0u) << "the log was removed";
    ASSERT_NE(index.inode, 0u) << "the log's index was removed";
    EXPECT_GT(log.size, 0) << "closing copied the log back";

    for (DWORD round = 2; round < 5; ++round) {
        DWORD value = 0;
        ASSERT_EQ(getDword(HKEY_CURRENT_USER, u"SOFTWARE\\Movra", u"v", &value), ERROR_SUCCESS);
        EXPECT_EQ(value, round - 1);
        ASSERT_EQ(setDword(HKEY_CURRENT_USER, u"SOFTWARE\\Movra", u"v", round), ERROR_SUCCESS);
        ASSERT_TRUE(execute(registry.userDatabase(), "PRAGMA integrity_check"));
        resetRegistryForTesting();
        EXPECT_EQ(identityOf(registry.userDatabase() + "-wal").inode, log.inode);
        EXPECT_EQ(identityOf(registry.userDatabase() + "-shm").inode, index.inode);
    }
    // Another program's connection, which does not keep the files, may still remove them.
    ASSERT_TRUE(execute(registry.userDatabase(), "SELECT count(*) FROM vals"));
    DWORD value = 0;
    ASSERT_EQ(getDword(HKEY_CURRENT_USER, u"SOFTWARE\\Movra", u"v", &value), ERROR_SUCCESS);
    EXPECT_EQ(value, 4u);
}

// A user whose registry folder lost its write permission still reads the root, beside the
// log files an earlier writer kept, and is refused writes without anything being created.
// The superuser ignores permissions, so there the check runs in a child as "nobody".
TEST(RegistryStorage, UserRootInAFolderTheUserCannotWrite)
{
    MovraTest::TemporaryRegistry registry;
    ASSERT_EQ(setDword(HKEY_CURRENT_USER, u"SOFTWARE\\Movra", u"v", 5), ERROR_SUCCESS);
    resetRegistryForTesting();
    ASSERT_TRUE(exists(registry.userDatabase() + "-wal"));
    const std::string files[] = {registry.dir(), registry.userDatabase(), registry.userDatabase() + "-wal",
                                 registry.userDatabase() + "-shm", registry.machineDatabase()};
    const uid_t nobody = 65534;
    const bool superuser = ::geteuid() == 0;
    if (superuser) {
        for (const std::string& file : files) {
            if (exists(file)) {
                ASSERT_EQ(::chown(file.c_str(), nobody, nobody), 0) << file;
            }
        }
    }
    ASSERT_EQ(::chmod(registry.dir().c_str(), 0500), 0);

    const auto check = [&]() -> int {
        if (::access(registry.dir().c_str(), W_OK) == 0)
            return 10;
        DWORD value = 0;
        if (getDword(HKEY_CURRENT_USER, u"SOFTWARE\\Movra", u"v", &value) != ERROR_SUCCESS || value != 5)
            return 11;
        if (setDword(HKEY_CURRENT_USER, u"SOFTWARE\\Movra", u"v", 6) != ERROR_ACCESS_DENIED)
            return 12;
        if (getDword(HKEY_CURRENT_USER, u"SOFTWARE\\Movra", u"v", &value) != ERROR_SUCCESS || value != 5)
            return 13;
        resetRegistryForTesting();
        return 0;
    };
    int result = -1;
    if (superuser) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const bool dropped = ::setgid(nobody) == 0 && ::setuid(nobody) == 0;
            ::_exit(dropped ? check() : 20);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        result = WEXITSTATUS(status);
    } else {
        result = check();
    }
    EXPECT_EQ(result, 0) << "10: folder writable, 11/13: read failed, 12: write not refused, 20: setuid failed";
    ::chmod(registry.dir().c_str(), 0700);
    EXPECT_FALSE(exists(registry.userDatabase() + "-journal"));
}

} // namespace

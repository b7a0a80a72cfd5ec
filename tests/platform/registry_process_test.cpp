// Several processes on one registry: no committed write is lost, no call fails because
// the database is busy, and a writer killed at any moment leaves a sound database that
// holds every write it reported.

#include "platform/registry.h"
#include "support/temporaryregistry.h"
#include "settings/opensettings.h"
#include "settings/refcountedptr.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>
#include <algorithm>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace MovraRegistry;

namespace {

const char kHelper[] = MOVRA_REGISTRY_HELPER;
const char kRegTool[] = MOVRA_REG_TOOL;

pid_t spawn(const std::vector<std::string>& args, int* stdoutPipe = nullptr, int* stdinPipe = nullptr)
{
    int fds[2] = {-1, -1};
    int inFds[2] = {-1, -1};
    if (stdoutPipe && ::pipe(fds) != 0)
        return -1;
    if (stdinPipe && ::pipe(inFds) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (stdoutPipe) {
            ::dup2(fds[1], STDOUT_FILENO);
            ::close(fds[0]);
            ::close(fds[1]);
        }
        if (stdinPipe) {
            ::dup2(inFds[0], STDIN_FILENO);
            ::close(inFds[0]);
            ::close(inFds[1]);
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(kHelper));
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(kHelper, argv.data());
        ::_exit(127);
    }
    if (stdoutPipe) {
        ::close(fds[1]);
        *stdoutPipe = fds[0];
    }
    if (stdinPipe) {
        ::close(inFds[0]);
        *stdinPipe = inFds[1];
    }
    return pid;
}

int exitStatus(pid_t pid)
{
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

// Starts a writer for this round and kills it `delayMs` after its first reported write — so a
// slow start (a sanitizer build, a busy machine) still leaves it killed mid-work — and returns
// every write it reported.
std::string killWriterMidWork(int round, int delayMs)
{
    int out = -1;
    const pid_t writer = spawn({"writer", std::to_string(round)}, &out);
    EXPECT_GT(writer, 0);
    if (writer <= 0)
        return std::string();
    std::string reported;
    char buffer[4096];
    pollfd ready{out, POLLIN, 0};
    ssize_t n = 0;
    if (::poll(&ready, 1, 30000) == 1 && (n = ::read(out, buffer, sizeof buffer)) > 0)
        reported.append(buffer, static_cast<size_t>(n));
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    ::kill(writer, SIGKILL);
    EXPECT_EQ(exitStatus(writer), -SIGKILL);
    while ((n = ::read(out, buffer, sizeof buffer)) > 0)
        reported.append(buffer, static_cast<size_t>(n));
    ::close(out);
    return reported;
}

std::string integrityCheck(const std::string& path)
{
    sqlite3* db = nullptr;
    std::string result = "cannot open";
    if (sqlite3_open(path.c_str(), &db) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr) == SQLITE_OK
            && sqlite3_step(stmt) == SQLITE_ROW)
            result = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        else
            result = sqlite3_errmsg(db);
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return result;
}

std::u16string wide(const std::string& text)
{
    return std::u16string(text.begin(), text.end());
}

// Through the settings store, whose section keeps its key handle open across calls, so the
// cache under it must notice every commit of the other process.
TEST(RegistryProcesses, TwoProcessesIncrementingOneValueEndAtTheExactSum)
{
    MovraTest::TemporaryRegistry registry;
    constexpr int kIncrements = 5000;
    const std::string lock = registry.dir() + "/increment.lock";
    const pid_t first = spawn({"increment", std::to_string(kIncrements), lock});
    const pid_t second = spawn({"increment", std::to_string(kIncrements), lock});
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    EXPECT_EQ(exitStatus(first), 0);
    EXPECT_EQ(exitStatus(second), 0);

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\Movra\\Counter", 0, KEY_READ, &key), ERROR_SUCCESS);
    uint64_t value = 0;
    DWORD size = 8, type = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"n", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_QWORD);
    EXPECT_EQ(value, 2u * kIncrements);
    RegCloseKey(key);
}

TEST(RegistryProcesses, WriterKilledAtRandomMomentsLosesNoReportedWrite)
{
    MovraTest::TemporaryRegistry registry;
    constexpr int kRounds = 30;
    const unsigned seed = std::random_device()();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayMs(5, 120);
    size_t reportedTotal = 0;

    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const std::string reported = killWriterMidWork(round, delayMs(random));

        // Checked before the layer opens the file, so the killed writer's hot journal, if
        // any, is still there to be rolled back by this first reader.
        ASSERT_EQ(integrityCheck(registry.userDatabase()), "ok");

        resetRegistryForTesting();
        HKEY key = nullptr;
        std::istringstream lines(reported);
        std::string kind, name;
        while (lines >> kind >> name) {
            if (!key) {
                ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\Movra\\Kill", 0, KEY_READ, &key),
                          ERROR_SUCCESS);
            }
            ++reportedTotal;
            if (kind == "k") {
                HKEY sub = nullptr;
                EXPECT_EQ(RegOpenKeyExW(key, wide("k" + name).c_str(), 0, KEY_READ, &sub), ERROR_SUCCESS) << name;
                if (sub)
                    RegCloseKey(sub);
                continue;
            }
            DWORD expected = 0;
            lines >> expected;
            DWORD value = 0, size = 4, type = 0;
            EXPECT_EQ(RegQueryValueExW(key, wide(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
                      ERROR_SUCCESS)
                << name;
            EXPECT_EQ(type, REG_DWORD);
            EXPECT_EQ(value, expected) << name;
        }
        if (key)
            RegCloseKey(key);
        resetRegistryForTesting();
    }
    EXPECT_GT(reportedTotal, 0u) << "the writer never got a write done before being killed";
    RecordProperty("reported_writes", static_cast<int>(reportedTotal));
}

// Lock-step with a writer process: the reader's section holds the previous value in its
// cache when the writer commits, and its very next read must return the new one. The
// normal suite runs 1,000 rounds; the soak, MOVRA_LOCKSTEP_ROUNDS=10000.
TEST(RegistryProcesses, EveryCommitOfAnotherProcessIsSeenByTheNextRead)
{
    MovraTest::TemporaryRegistry registry;
    const char* configured = std::getenv("MOVRA_LOCKSTEP_ROUNDS");
    const long long rounds = configured ? std::atoll(configured) : 1000;
    int fromWriter = -1, toWriter = -1;
    const pid_t writer = spawn({"lockstep"}, &fromWriter, &toWriter);
    ASSERT_GT(writer, 0);
    FILE* echoes = ::fdopen(fromWriter, "r");
    ASSERT_NE(echoes, nullptr);
    const auto commit = [&](long long value) {
        const std::string line = std::to_string(value) + "\n";
        char echo[64] = {};
        return ::write(toWriter, line.data(), line.size()) == static_cast<ssize_t>(line.size())
               && std::fgets(echo, sizeof echo, echoes) && std::atoll(echo) == value;
    };

    ASSERT_TRUE(commit(0));
    mvtl::RefCountedPtr<mvds::IMovraSettings> section;
    ASSERT_TRUE(mvds::openSettings(std::string("Lockstep"), mvds::UserReadOnly, section.out()));
    long long seen = -1;
    long long stale = 0;
    for (long long round = 1; round <= rounds && stale == 0; ++round) {
        ASSERT_TRUE(section->getValue(std::string("n"), seen));
        ASSERT_EQ(seen, round - 1);
        ASSERT_TRUE(commit(round)) << "round " << round;
        seen = -1;
        ASSERT_TRUE(section->getValue(std::string("n"), seen));
        if (seen != round)
            stale = round;
    }
    EXPECT_EQ(stale, 0) << "round " << stale << " read " << seen;
    section.reset();
    ::close(toWriter);
    std::fclose(echoes);
    EXPECT_EQ(exitStatus(writer), 0);
}

// A writer killed at any moment, also between its commit and anything after it, must not
// leave a reader with a warm cache behind: every write it reported is read back without
// the reader reopening anything.
TEST(RegistryProcesses, ReaderWithAWarmCacheSeesEveryWriteOfAKilledWriter)
{
    MovraTest::TemporaryRegistry registry;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\Movra\\Kill", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> delayMs(2, 40);
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        // The value the writer overwrites first is cached here before it starts.
        const std::u16string first = wide("r" + std::to_string(round) + "_0");
        const DWORD marker = 0xFFFFFFFF;
        ASSERT_EQ(RegSetValueExW(key, first.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&marker), 4),
                  ERROR_SUCCESS);
        DWORD value = 0, size = 4;
        ASSERT_EQ(RegQueryValueExW(key, first.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
                  ERROR_SUCCESS);

        const std::string reported = killWriterMidWork(round, delayMs(random));

        std::istringstream lines(reported);
        std::string kind, name;
        int checked = 0;
        while (lines >> kind >> name) {
            if (kind != "v")
                continue;
            DWORD expected = 0;
            lines >> expected;
            size = 4;
            EXPECT_EQ(RegQueryValueExW(key, wide(name).c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                                       &size),
                      ERROR_SUCCESS)
                << name;
            EXPECT_EQ(value, expected) << name;
            ++checked;
        }
        EXPECT_GT(checked, 0);
    }
    RegCloseKey(key);
}

uint32_t bigEndian32(const unsigned char* bytes)
{
    return (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) | bytes[3];
}

// A checkpoint writes page 1, whose header records the database's new size, before the
// pages after it. A writer killed right there leaves the file shorter than its header says
// while the log still holds every page: the root must open, not be called truncated, and
// hold every write the writer reported.
TEST(RegistryProcesses, WriterKilledInsideACheckpointLeavesAUsableRoot)
{
    MovraTest::TemporaryRegistry registry;
    int out = -1;
    const pid_t writer = spawn({"diecheckpointing"}, &out);
    ASSERT_GT(writer, 0);
    std::string reported;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(out, buffer, sizeof buffer)) > 0)
        reported.append(buffer, static_cast<size_t>(n));
    ::close(out);
    ASSERT_EQ(exitStatus(writer), -SIGKILL);

    // The state the kill must have left, or the test proves nothing.
    const std::string database = registry.userDatabase();
    FILE* file = std::fopen(database.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    unsigned char header[100] = {};
    ASSERT_EQ(std::fread(header, 1, sizeof header, file), sizeof header);
    std::fclose(file);
    struct stat st;
    ASSERT_EQ(::stat(database.c_str(), &st), 0);
    const uint32_t pageSize = (uint32_t(header[16]) << 8) | header[17];
    ASSERT_GT(int64_t(bigEndian32(header + 28)) * pageSize, st.st_size) << "the file was not left short";

    resetRegistryForTesting();
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\Movra\\Kill", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS)
        << registryProblems();
    EXPECT_EQ(registryProblems(), "");
    std::istringstream lines(reported);
    std::string kind, name;
    unsigned fill = 0;
    int checked = 0;
    while (lines >> kind >> name >> fill) {
        std::vector<BYTE> value(30000, 0);
        DWORD size = static_cast<DWORD>(value.size()), type = 0;
        ASSERT_EQ(RegQueryValueExW(key, wide(name).c_str(), nullptr, &type, value.data(), &size), ERROR_SUCCESS)
            << name;
        EXPECT_EQ(size, 20000u) << name;
        EXPECT_EQ(std::count(value.begin(), value.begin() + size, BYTE(fill)), std::ptrdiff_t(size)) << name;
        ++checked;
    }
    EXPECT_GT(checked, 0);
    const DWORD after = 7;
    EXPECT_EQ(RegSetValueExW(key, u"after", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&after), 4), ERROR_SUCCESS);
    RegCloseKey(key);
    resetRegistryForTesting();
    EXPECT_EQ(integrityCheck(database), "ok");
}

// Eight `movra-reg add` processes, each killed at random moments: every write a process
// reported (exit 0) is kept, the database stays sound, and no process fails for any reason
// but the kill. MOVRA_KILL_SECONDS sets how long the writers run (the soak: 300).
TEST(RegistryProcesses, EightToolWritersKilledAtRandomLoseNothingAndNeverFail)
{
    MovraTest::TemporaryRegistry registry;
    const char* configured = std::getenv("MOVRA_KILL_SECONDS");
    const int seconds = configured ? std::atoi(configured) : 3;
    const unsigned seed = std::random_device()();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);

    struct Writer
    {
        pid_t pid = -1;
        int errors = -1; // the process's standard error
        std::string name;
        int value = 0;
    };
    int started = 0;
    const auto start = [&](Writer& w, int slot) {
        w.value = started++;
        w.name = "w" + std::to_string(slot) + "_" + std::to_string(w.value);
        int fds[2];
        ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        const std::string data = std::to_string(w.value);
        const char* argv[] = {kRegTool, "add", "HKCU\\SOFTWARE\\Movra\\Soak", "/v", w.name.c_str(), "/t",
                              "REG_DWORD", "/d", data.c_str(), "/f", nullptr};
        ASSERT_EQ(::posix_spawn(&w.pid, kRegTool, &actions, nullptr, const_cast<char**>(argv), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        w.errors = fds[0];
    };
    std::vector<std::pair<std::string, int>> kept;
    std::vector<std::string> failures;
    int killed = 0;
    // Reads what a finished writer said (short enough to sit in the pipe) and counts it.
    const auto finish = [&](Writer& w, int status) {
        std::string said;
        char buffer[4096];
        ssize_t n = 0;
        while ((n = ::read(w.errors, buffer, sizeof buffer)) > 0)
            said.append(buffer, static_cast<size_t>(n));
        ::close(w.errors);
        w.pid = -1;
        if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            ++killed;
        else if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
            kept.emplace_back(w.name, w.value);
        else
            failures.push_back(w.name + ": status " + std::to_string(status) + ": " + said);
    };

    Writer writers[8];
    for (int slot = 0; slot < 8; ++slot)
        start(writers[slot], slot);
    std::uniform_int_distribution<int> pauseMs(5, 60);
    std::uniform_int_distribution<int> victim(0, 7);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs(random)));
        Writer& target = writers[victim(random)];
        if (target.pid > 0)
            ::kill(target.pid, SIGKILL);
        for (int slot = 0; slot < 8; ++slot) {
            int status = 0;
            if (writers[slot].pid > 0 && ::waitpid(writers[slot].pid, &status, WNOHANG) == writers[slot].pid) {
                finish(writers[slot], status);
                start(writers[slot], slot);
            }
        }
    }
    for (Writer& w : writers) {
        int status = 0;
        if (w.pid > 0 && ::waitpid(w.pid, &status, 0) == w.pid)
            finish(w, status);
    }
    RecordProperty("writes_kept", static_cast<int>(kept.size()));
    RecordProperty("writers_killed", killed);
    for (const std::string& failure : failures)
        ADD_FAILURE() << failure;
    EXPECT_GT(kept.size(), 0u);
    EXPECT_GT(killed, 0);

    ASSERT_EQ(integrityCheck(registry.userDatabase()), "ok");
    resetRegistryForTesting();
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\Movra\\Soak", 0, KEY_READ, &key), ERROR_SUCCESS)
        << registryProblems();
    size_t lost = 0;
    for (const auto& [name, expected] : kept) {
        DWORD value = 0, size = 4;
        if (RegQueryValueExW(key, wide(name).c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size)
                != ERROR_SUCCESS
            || value != DWORD(expected))
            ++lost;
    }
    RegCloseKey(key);
    EXPECT_EQ(lost, 0u) << "of " << kept.size() << " reported writes";
    std::printf("%zu writes kept, %d writers killed, %zu failures, %zu lost in %d s\n", kept.size(), killed,
                failures.size(), lost, seconds);
}

} // namespace

namespace {

// "b0".."b<count-1>" of SOFTWARE\Movra\Batch in `root`, read afresh by this process: how
// many hold `generation`, or -1 when a value is missing or of another kind.
int valuesAt(HKEY root, int count, DWORD generation)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, u"SOFTWARE\\Movra\\Batch", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return -1;
    int matching = 0;
    for (int i = 0; i < count && matching >= 0; ++i) {
        DWORD value = 0, size = sizeof value, type = 0;
        if (RegQueryValueExW(key, wide("b" + std::to_string(i)).c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS || type != REG_DWORD)
            matching = -1;
        else if (value == generation)
            ++matching;
    }
    RegCloseKey(key);
    return matching;
}

std::string readLine(FILE* from)
{
    char line[128] = {};
    return std::fgets(line, sizeof line, from) ? std::string(line) : std::string("(closed)");
}

} // namespace

// A batch is one commit per root: while it is open another process reads the state before
// it, whole; once it ends every value written in it is there; and a batch whose process is
// killed before its end leaves both roots exactly as they were.
TEST(RegistryProcesses, BatchIsAllOrNothingForOtherProcesses)
{
    MovraTest::TemporaryRegistry registry;
    constexpr int kValues = 300;
    const struct
    {
        const char* name;
        bool killed;
    } cases[] = {{"killed mid-batch", true}, {"committed", false}, {"killed again", true}};
    DWORD committed = 1;
    {
        int out = -1, in = -1;
        const pid_t first = spawn({"batch", "1", std::to_string(kValues)}, &out, &in);
        ASSERT_GT(first, 0);
        FILE* lines = ::fdopen(out, "r");
        ASSERT_EQ(readLine(lines), "written\n");
        ASSERT_EQ(::write(in, "go\n", 3), 3);
        ASSERT_EQ(readLine(lines), "committed\n");
        ::close(in);
        std::fclose(lines);
        ASSERT_EQ(exitStatus(first), 0);
    }
    DWORD generation = committed;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ++generation;
        int out = -1, in = -1;
        const pid_t writer = spawn({"batch", std::to_string(generation), std::to_string(kValues)}, &out, &in);
        ASSERT_GT(writer, 0);
        FILE* lines = ::fdopen(out, "r");
        ASSERT_EQ(readLine(lines), "written\n");
        // Every write of the batch is done, none committed: this process sees the old state.
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            EXPECT_EQ(valuesAt(root, kValues, committed), kValues);
            EXPECT_EQ(valuesAt(root, kValues, generation), 0);
        }
        if (c.killed) {
            ::kill(writer, SIGKILL);
            EXPECT_EQ(exitStatus(writer), -SIGKILL);
        } else {
            ASSERT_EQ(::write(in, "go\n", 3), 3);
            EXPECT_EQ(readLine(lines), "committed\n");
            EXPECT_EQ(exitStatus(writer), 0);
            committed = generation;
        }
        ::close(in);
        std::fclose(lines);
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
            EXPECT_EQ(valuesAt(root, kValues, committed), kValues);
        EXPECT_EQ(integrityCheck(registry.userDatabase()), "ok");
        EXPECT_EQ(integrityCheck(registry.machineDatabase()), "ok");
    }
    EXPECT_EQ(committed, 3u);
}

// The first batch of new roots also carries their schema: killed before its end, it leaves
// roots that read as empty, and the next batch sets them up and commits.
TEST(RegistryProcesses, BatchCreatingTheRootsKilledLeavesThemUsable)
{
    MovraTest::TemporaryRegistry registry;
    constexpr int kValues = 50;
    for (const bool kill : {true, false}) {
        SCOPED_TRACE(kill ? "killed" : "committed");
        int out = -1, in = -1;
        const pid_t writer = spawn({"batch", "7", std::to_string(kValues)}, &out, &in);
        ASSERT_GT(writer, 0);
        FILE* lines = ::fdopen(out, "r");
        ASSERT_EQ(readLine(lines), "written\n");
        if (kill) {
            ::kill(writer, SIGKILL);
            EXPECT_EQ(exitStatus(writer), -SIGKILL);
        } else {
            ASSERT_EQ(::write(in, "go\n", 3), 3);
            EXPECT_EQ(readLine(lines), "committed\n");
            EXPECT_EQ(exitStatus(writer), 0);
        }
        ::close(in);
        std::fclose(lines);
        resetRegistryForTesting();
        EXPECT_EQ(registryProblems(), "");
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
            EXPECT_EQ(valuesAt(root, kValues, 7), kill ? -1 : kValues);
    }
}

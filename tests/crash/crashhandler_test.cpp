// The crash handler in processes that really crash: each test starts crash_child, which
// installs the handler the way a player run does and then crashes as the test asks.

#include "childprocess.h"
#include "crashtestsupport.h"
#include "minidumpreader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <regex>

using namespace CrashTest;
using MovraPlatform::Minidump::kLinuxCmdLineStream;
using MovraPlatform::Minidump::kLinuxMapsStream;
using MovraPlatform::Minidump::kLinuxProcStatusStream;
using MovraPlatform::Minidump::kLinuxAuxvStream;
using MovraPlatform::Minidump::kSystemInfoStream;

namespace {

struct Scenario
{
    const char* name;
    int signalNumber;
    // Threads the child has when it crashes.
    size_t threads;
    // False where the crashing instruction lies in the C library, not in crash_child.
    bool crashesInOwnCode;
};

const Scenario kScenarios[] = {
    {"null-write", SIGSEGV, 3, true},
    {"abort", SIGABRT, 3, false},
    {"divide", SIGFPE, 3, true},
    {"bus", SIGBUS, 3, true},
    {"illegal", SIGILL, 3, true},
    {"trap", SIGTRAP, 3, true},
    {"recursion", SIGSEGV, 3, true},
    {"thread", SIGSEGV, 4, true},
    {"malloc", SIGABRT, 3, false},
    // The second crashing thread waits for the first one's dump: still one dump.
    {"two-threads", SIGSEGV, 5, true},
    // After main() returned, in an exit handler.
    {"at-exit", SIGSEGV, 3, true},
};

void PrintTo(const Scenario& scenario, std::ostream* out)
{
    *out << scenario.name;
}

std::string nameOf(const testing::TestParamInfo<Scenario>& info)
{
    std::string name = info.param.name;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

class CrashScenario : public CrashFolderTest, public testing::WithParamInterface<Scenario>
{
};

TEST_P(CrashScenario, LeavesOneReadableDumpAndEndsByTheSignal)
{
    const Scenario& scenario = GetParam();
    const ChildResult result = crash(scenario.name, "1");
    const std::string dump = expectOneDump(result, desktop(), scenario.signalNumber);
    if (dump.empty())
        return;

    const MinidumpReader reader(dump);
    ASSERT_EQ(reader.error(), "");
    ASSERT_TRUE(reader.exception().has_value());
    EXPECT_EQ(reader.exception()->exceptionRecord.exceptionCode, uint32_t(scenario.signalNumber));
    EXPECT_EQ(reader.threads().size(), scenario.threads);
    for (const DumpThread& thread : reader.threads())
        EXPECT_TRUE(thread.context.has_value()) << "thread " << thread.tid << " has no registers";

    const DumpThread* crashing = reader.thread(reader.exception()->threadId);
    ASSERT_NE(crashing, nullptr) << "the crashing thread is not in the thread list";
    ASSERT_TRUE(crashing->context.has_value());
    // From the stack pointer up; after an overflow the pointer lies just below the stack.
    const uint64_t sp = crashing->context->rsp;
    EXPECT_TRUE(crashing->stackSize > 0 && crashing->stackStart < sp + 65536 && crashing->stackStart + crashing->stackSize > sp)
        << "the crashing thread's stack is missing";

    const std::string program = crashChildPath();
    const DumpModule* self = reader.moduleNamed(program);
    ASSERT_NE(self, nullptr) << program << " is not in the module list";
    EXPECT_EQ(self->buildId, fileBuildId(program));
    EXPECT_FALSE(self->buildId.empty());
    if (scenario.crashesInOwnCode) {
        EXPECT_EQ(reader.moduleAt(crashing->context->rip), self);
    }

    EXPECT_NE(reader.streamBytes(kLinuxMapsStream).find(program), std::string::npos);
    EXPECT_NE(reader.streamBytes(kLinuxProcStatusStream).find("Name:\tcrash_child"), std::string::npos);
    EXPECT_EQ(reader.streamBytes(kLinuxCmdLineStream), program + '\0' + scenario.name + '\0' + "1" + '\0');
    EXPECT_TRUE(reader.hasStream(kLinuxAuxvStream));
    EXPECT_TRUE(reader.hasStream(kSystemInfoStream));
}

INSTANTIATE_TEST_SUITE_P(Crashes, CrashScenario, testing::ValuesIn(kScenarios), nameOf);

using CrashHandler = CrashFolderTest;

TEST_F(CrashHandler, FullMemoryHoldsTheHeapAndANormalDumpStaysSmall)
{
    const std::string marker = "MOVRA-HEAP-MARKER";
    struct Row
    {
        const char* mode;
        bool holdsHeap;
    };
    for (const Row& row : {Row{"2", true}, Row{"1", false}}) {
        SCOPED_TRACE(std::string("mode ") + row.mode);
        QDir(QString::fromStdString(desktop())).removeRecursively();
        QDir().mkpath(QString::fromStdString(desktop()));
        const std::string dump = expectOneDump(crash("heap-marker", row.mode), desktop(), SIGSEGV);
        if (dump.empty())
            continue;
        const MinidumpReader reader(dump);
        ASSERT_EQ(reader.error(), "");
        const bool found = std::search(reader.bytes().begin(), reader.bytes().end(), marker.begin(), marker.end())
                           != reader.bytes().end();
        EXPECT_EQ(found, row.holdsHeap);
        if (!row.holdsHeap) {
            EXPECT_LT(reader.bytes().size(), 1024u * 1024u);
        }
    }
}

TEST_F(CrashHandler, ModesOtherThanOneAndTwoInstallNothing)
{
    for (const char* mode : {"0", "3", "-1", "256"}) {
        SCOPED_TRACE(std::string("mode ") + mode);
        const ChildResult result = crash("null-write", mode);
        EXPECT_TRUE(result.killedBy(SIGSEGV)) << result.describe();
        EXPECT_EQ(result.standardError, "");
        EXPECT_EQ(folderEntries(desktop()), std::vector<std::string>());
    }
}

TEST_F(CrashHandler, AFolderItCannotWriteToGetsNothingAndNoMessage)
{
    const std::string readOnly = path("read-only");
    ASSERT_EQ(mkdir(readOnly.c_str(), 0555), 0);
    struct Row
    {
        const char* name;
        std::string folder;
    };
    for (const Row& row : {Row{"missing", path("does/not/exist")}, Row{"read-only", readOnly},
                           Row{"a file", crashChildPath()}}) {
        SCOPED_TRACE(row.name);
        const ChildResult result =
            crash("null-write", "1", {{"XDG_DESKTOP_DIR", row.folder}, {"CRASH_CHILD_NO_OVERRIDE", "1"}});
        EXPECT_TRUE(result.killedBy(SIGSEGV)) << result.describe();
        EXPECT_EQ(result.standardError, "");
    }
    EXPECT_EQ(folderEntries(readOnly), std::vector<std::string>());
}

TEST_F(CrashHandler, ASymbolicLinkAtTheDumpNameIsNeverFollowed)
{
    const std::string target = path("precious.txt");
    writeText(target, "precious");
    const ChildResult result = crash("null-write", "1", {{"CRASH_CHILD_PLANT", "symlink:" + target}});
    EXPECT_TRUE(result.killedBy(SIGSEGV)) << result.describe();
    EXPECT_EQ(result.standardError, "");
    EXPECT_EQ(readText(target), "precious");
    for (const std::string& name : folderEntries(desktop()))
        ASSERT_TRUE(QFileInfo(QString::fromStdString(desktop() + "/" + name)).isSymLink()) << name;
}

TEST_F(CrashHandler, AnExistingFileAtTheDumpNameIsReplacedAndMadePrivate)
{
    const ChildResult result = crash("null-write", "1", {{"CRASH_CHILD_PLANT", "file"}});
    ASSERT_TRUE(result.killedBy(SIGSEGV)) << result.describe();
    int replaced = 0;
    for (const std::string& name : folderEntries(desktop())) {
        const std::string file = desktop() + "/" + name;
        if (readText(file) == "junk")
            continue;
        ++replaced;
        EXPECT_EQ(fileMode(file), 0600);
        EXPECT_EQ(MinidumpReader(file).error(), "");
        EXPECT_NE(result.standardError.find(messageFor(file)), std::string::npos) << result.describe();
    }
    EXPECT_EQ(replaced, 1);
}

TEST_F(CrashHandler, AFolderNameIsCutToItsFirst259Characters)
{
    // A folder whose own name is exactly 259 characters long, then more that is cut away.
    std::string kept = path("");
    while (kept.size() < 259)
        kept += "/" + std::string(std::min<size_t>(100, 259 - kept.size() - 1), 'k');
    ASSERT_EQ(kept.size(), 259u);
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(kept)));
    const std::string given = kept + "/" + std::string(300 - kept.size() - 1, 'x');
    ASSERT_EQ(given.size(), 300u);

    const ChildResult result = crash("null-write", "1", {{"XDG_DESKTOP_DIR", given}});
    EXPECT_FALSE(expectOneDump(result, kept, SIGSEGV).empty());
}

TEST_F(CrashHandler, AFolderWithNonAsciiCharactersIsNamedInUtf8)
{
    const std::string folder = path("D\xc3\xbcmp \xe2\x98\x83 \xe6\xa1\x8c\xe9\x9d\xa2");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    const ChildResult result = crash("null-write", "1", {{"XDG_DESKTOP_DIR", folder}});
    EXPECT_FALSE(expectOneDump(result, folder, SIGSEGV).empty());
}

const char kMessageEnd[] = "Please send this file to the Movra Development team.";

TEST_F(CrashHandler, WithADisplayTheDialogShowsTheSameMessage)
{
    // The dialog runs offscreen, where it prints instead of waiting for a click; it is a
    // process of its own that may print after the crashed one ended.
    const ChildResult result
        = crash("null-write", "1", {{"DISPLAY", ":99"}, {"QT_QPA_PLATFORM", "offscreen"}}, kMessageEnd);
    const std::string dump = expectOneDump(result, desktop(), SIGSEGV);
    EXPECT_NE(result.standardOutput.find("Application Crash\n" + messageFor(dump) + "\n"), std::string::npos)
        << result.describe();
}

// The main thread ticks on standard error while a worker crashes. From the dump on nothing
// of the process runs: no tick follows the message, the process ends by the signal instead
// of finishing its loop and exiting normally, and the dialog, not waited for, still shows.
TEST_F(CrashHandler, NothingRunsOnAfterAWorkerCrashes)
{
    const ChildResult result = crash("tick-while-worker-crashes", "1",
                                     {{"DISPLAY", ":99"}, {"QT_QPA_PLATFORM", "offscreen"}}, kMessageEnd);
    const std::string dump = expectOneDump(result, desktop(), SIGSEGV);
    if (dump.empty())
        return;
    const size_t message = result.standardError.find(messageFor(dump));
    ASSERT_NE(message, std::string::npos);
    EXPECT_NE(result.standardError.rfind("tick\n", message), std::string::npos) << "the main thread never ticked";
    EXPECT_EQ(result.standardError.find("tick", message), std::string::npos) << result.describe();
    EXPECT_EQ(result.standardError.find("finished"), std::string::npos) << result.describe();
    EXPECT_NE(result.standardOutput.find("Application Crash\n" + messageFor(dump)), std::string::npos)
        << result.describe();
}

} // namespace

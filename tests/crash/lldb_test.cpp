// A debugger opens the dumps: Debian's lldb, given the dump and the crashed program, must
// name the crashing function in the crashing thread's backtrace and list every thread.

#include "childprocess.h"
#include "crashtestsupport.h"

#include <QStandardPaths>

#include <gtest/gtest.h>

#include <signal.h>

#include <regex>

using namespace CrashTest;

namespace {

struct DebuggerRow
{
    const char* scenario;
    int signalNumber;
    const char* function;
    size_t threads;
};

// A handful: each debugger start takes a second or two.
const DebuggerRow kDebuggerRows[] = {
    {"null-write", SIGSEGV, "crashByNullWrite", 3},
    {"abort", SIGABRT, "crashByAbort", 3},
    {"recursion", SIGSEGV, "crashByRecursion", 3},
    {"thread", SIGSEGV, "crashByNullWrite", 4},
    {"malloc", SIGABRT, "crashInsideMalloc", 3},
};

void PrintTo(const DebuggerRow& row, std::ostream* out)
{
    *out << row.scenario;
}

class Debugger : public CrashFolderTest, public testing::WithParamInterface<DebuggerRow>
{
};

TEST_P(Debugger, NamesTheCrashingFunctionAndListsEveryThread)
{
    const std::string lldb = QStandardPaths::findExecutable(QStringLiteral("lldb")).toStdString();
    if (lldb.empty())
        GTEST_SKIP() << "lldb is not installed (scripts/install-deps.sh installs it)";
    const DebuggerRow& row = GetParam();
    const std::string dump = expectOneDump(crash(row.scenario, "1"), desktop(), row.signalNumber);
    ASSERT_FALSE(dump.empty());

    const ChildResult debugger = runChild({lldb, "--batch", "--no-lldbinit", "--core", dump, crashChildPath(), "-o",
                                           "thread backtrace", "-o", "thread list"},
                                          {}, path(""));
    ASSERT_TRUE(debugger.ended && WIFEXITED(debugger.status)) << debugger.describe();
    const std::string& output = debugger.standardOutput;

    const size_t backtrace = output.find("thread backtrace");
    const size_t list = output.find("(lldb) thread list");
    ASSERT_NE(backtrace, std::string::npos) << output;
    ASSERT_NE(list, std::string::npos) << output;
    const std::string frames = output.substr(backtrace, list - backtrace);
    EXPECT_NE(frames.find(std::string("crash_child`(anonymous namespace)::") + row.function), std::string::npos)
        << output;
    EXPECT_NE(frames.find(std::string("stop reason = signal SIG")), std::string::npos) << output;

    static const std::regex threadLine("\n[* ] thread #[0-9]+: tid = [0-9]+, 0x[0-9a-f]+ ");
    const std::string threads = output.substr(list);
    const auto count = size_t(std::distance(std::sregex_iterator(threads.begin(), threads.end(), threadLine),
                                            std::sregex_iterator()));
    EXPECT_EQ(count, row.threads) << output;
}

INSTANTIATE_TEST_SUITE_P(Dumps, Debugger, testing::ValuesIn(kDebuggerRows),
                         [](const testing::TestParamInfo<DebuggerRow>& info) {
                             std::string name = info.param.scenario;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

} // namespace

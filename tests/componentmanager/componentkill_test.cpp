// An install killed with SIGKILL at any moment leaves the component folder either as it was
// or as it should become, whole, and (once the manager has started again) a record that
// matches it and nothing else in the components folder. MOVRA_KILL_ROUNDS sets the number of
// kills (30; the soak runs 200).

#include "componenttestkit.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <random>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace ComponentTest;

namespace {

TEST(ComponentKill, KilledInstallsNeverLeaveHalfAComponent)
{
    Kit kit;
    // Two versions with many files, so a kill can land in the middle of unpacking.
    std::map<std::string, std::string> one, two;
    for (int i = 0; i < 40; ++i) {
        one["f" + std::to_string(i)] = std::string(2000, static_cast<char>('a' + i % 26)) + "1";
        two["f" + std::to_string(i)] = std::string(3000, static_cast<char>('a' + i % 26)) + "2";
    }
    const std::string serverOne = kit.dir() + "/one", serverTwo = kit.dir() + "/two";
    kit.publish(serverOne, {"--component", "AVCCodec", "--version", "1.0", "--folder", kit.makeFolder("v1", one)});
    kit.publish(serverTwo, {"--component", "AVCCodec", "--version", "2.0", "--folder", kit.makeFolder("v2", two)});
    Server server1(serverOne), server2(serverTwo);
    const std::string tool = appDir() + "/movra-components";
    ASSERT_EQ(run({tool, "--server", server1.url(), "install", "AVCCodec"}).status, 0);

    std::mt19937 random(12345);
    const std::string folder = kit.root() + "/AVCCodec";
    const char* roundsText = std::getenv("MOVRA_KILL_ROUNDS");
    const int rounds = roundsText ? std::atoi(roundsText) : 30;
    int killed = 0;
    for (int round = 0; round < rounds; ++round) {
        // Alternately back to 1.0 (asked for by version) and on to 2.0 (an update).
        const bool back = round % 2;
        const std::string url = (back ? server1 : server2).url();
        std::vector<std::string> args = back ? std::vector<std::string>{tool, "--server", url, "install", "AVCCodec@1.0"}
                                             : std::vector<std::string>{tool, "--server", url, "update", "AVCCodec"};
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(&a[0]);
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 60000));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        killed += WIFSIGNALED(status);

        // The folder is one whole version.
        const std::string first = readFile(folder + "/f0");
        ASSERT_TRUE(first == one["f0"] || first == two["f0"]) << "round " << round << ": f0 has " << first.size();
        const auto& expected = first == one["f0"] ? one : two;
        for (const auto& [name, contents] : expected)
            ASSERT_EQ(readFile(folder + "/" + name), contents) << "round " << round << ": " << name;
        // The next start of the manager brings the record to the folder and clears the rest.
        {
            MovraTest::ScopedEnvironment env("MOVRA_COMPONENT_SERVER", url.c_str());
            Session session;
            ASSERT_EQ(session.initStatus, 0);
        }
        ASSERT_EQ(kit.recordValue("AVCCodec", "Version"), first == one["f0"] ? "1.0" : "2.0") << "round " << round;
        const RunResult left = run({"sh", "-c", "ls -A '" + kit.root() + "' | grep -v -x -e AVCCodec -e '\\.catalogue-serials' "
                                                                       "-e '\\.catalogue-serials\\.lock' || true"});
        ASSERT_EQ(left.output, "") << "round " << round;
    }
    EXPECT_GT(killed, 5) << "the kills came too late to test anything";
}

} // namespace

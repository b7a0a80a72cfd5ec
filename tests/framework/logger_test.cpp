// How the logging facade finds its library. Each scenario runs in a fresh process holding a
// copy of the framework library in a folder of its own, with the logging library (or a
// stand-in) beside it or planted elsewhere.

#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

const char kScenarioVariable[] = "FWTEST_LOGGER_SCENARIO";
// Distinct from 0, which a child that ran no test at all would answer.
constexpr int kChildPassed = 42;

// The framework copy is reached through its exported symbols only: MSE::Logger::instance(),
// isBound() and write().
using InstanceFunction = void* (*)();
using IsBoundFunction = bool (*)(const void*);
using WriteFunction = void (*)(void*, const char*, const char*, int32_t, const char*, ...);

// Runs the child test below in a new process with the given environment; its exit status.
int runScenario(const std::string& scenario, const std::string& frameworkDir, const std::string& workDir,
                const std::string& libraryPath)
{
    const pid_t pid = fork();
    if (pid == 0) {
        setenv(kScenarioVariable, scenario.c_str(), 1);
        setenv("FWTEST_FRAMEWORK", (frameworkDir + "/MSEFramework.so").c_str(), 1);
        setenv("FWTEST_WORKDIR", workDir.c_str(), 1);
        setenv("STANDIN_MARKER", (workDir + "/marker").c_str(), 1);
        setenv("LD_LIBRARY_PATH", libraryPath.c_str(), 1);
        execl("/proc/self/exe", "framework_logger_test", "--gtest_filter=LoggerScenario.Child", nullptr);
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class LoggerBindingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        frameworkDir = dir.mkdir("app");
        workDir = dir.mkdir("work");
        fs::copy_file(FRAMEWORK_LIBRARY, frameworkDir + "/MSEFramework.so");
    }
    void put(const char* standIn, const std::string& folder)
    {
        fs::copy_file(std::string(STANDIN_DIR) + "/" + standIn, folder + "/MSE_Logging.so");
    }
    fwtest::TempDir dir;
    std::string frameworkDir;
    std::string workDir;
};

TEST_F(LoggerBindingTest, ALibraryPlantedInTheWorkingDirectoryIsNeverLoaded)
{
    put("PlantedLogging.so", workDir);
    // An empty entry in the search path stands for the working directory.
    EXPECT_EQ(runScenario("planted", frameworkDir, workDir, ":"), kChildPassed);
    EXPECT_FALSE(fs::exists(workDir + "/marker"));
}

TEST_F(LoggerBindingTest, DisabledLoggingReadsNoArgument)
{
    put("DisabledLogging.so", frameworkDir);
    EXPECT_EQ(runScenario("disabled", frameworkDir, workDir, ""), kChildPassed);
}

TEST_F(LoggerBindingTest, ALibraryWithoutConfigureIsNotUsed)
{
    put("NoConfigureLogging.so", frameworkDir);
    EXPECT_EQ(runScenario("noconfigure", frameworkDir, workDir, ""), kChildPassed);
}

TEST_F(LoggerBindingTest, TheRealLibraryBesideTheFrameworkIsBound)
{
    fs::copy_file(MOVRA_APP_DIR "/MSE_Logging.so", frameworkDir + "/MSE_Logging.so");
    EXPECT_EQ(runScenario("real", frameworkDir, workDir, ""), kChildPassed);
    EXPECT_EQ(fwtest::readFile(workDir + "/log.txt"), "Plugin test(1): wide \xc3\xa9 and narrow\n");
}

// The child's side; skipped when the test program runs on its own.
TEST(LoggerScenario, Child)
{
    const char* scenario = std::getenv(kScenarioVariable);
    if (!scenario)
        GTEST_SKIP() << "runs only inside LoggerBindingTest";
    const std::string name = scenario;
    const std::string workDir = std::getenv("FWTEST_WORKDIR");
    if (name == "real")
        setenv("MSE_LOG", (workDir + "/log.txt").c_str(), 1);
    ASSERT_EQ(chdir(workDir.c_str()), 0);
    void* framework = dlopen(std::getenv("FWTEST_FRAMEWORK"), RTLD_NOW | RTLD_LOCAL);
    ASSERT_TRUE(framework) << dlerror();
    auto instance = reinterpret_cast<InstanceFunction>(dlsym(framework, "_ZN3MSE6Logger8instanceEv"));
    auto isBound = reinterpret_cast<IsBoundFunction>(dlsym(framework, "_ZNK3MSE6Logger7isBoundEv"));
    auto write = reinterpret_cast<WriteFunction>(dlsym(framework, "_ZN3MSE6Logger5writeEPKcS2_iS2_z"));
    ASSERT_TRUE(instance && isBound && write);
    void* logger = instance();
    ASSERT_TRUE(logger);

    if (name == "planted" || name == "noconfigure") {
        EXPECT_FALSE(isBound(logger));
        write(logger, "Plugin", "test", 1, "%s", "message");
        EXPECT_FALSE(fs::exists(workDir + "/marker"));
    } else if (name == "disabled") {
        EXPECT_TRUE(isBound(logger));
        // Arguments that would crash if anything read them.
        write(logger, "Plugin", "test", 1, "%s %S", reinterpret_cast<const char*>(1), reinterpret_cast<const wchar_t*>(1));
    } else if (name == "real") {
        EXPECT_TRUE(isBound(logger));
        write(logger, "Plugin", "test", 1, "wide %S and %s", L"\u00e9", "narrow");
    }
    std::exit(::testing::Test::HasFailure() ? 1 : kChildPassed);
}

} // namespace

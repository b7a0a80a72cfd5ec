// movra-player --version and --help, start to exit as a user's shell sees them: answered
// without the player library, they should take a few milliseconds, never 50.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

void runLauncher(benchmark::State& state, const char* argument)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    char program[] = MOVRA_LAUNCHER;
    char* argv[] = {program, const_cast<char*>(argument), nullptr};
    for (auto _ : state) {
        pid_t pid = 0;
        if (posix_spawn(&pid, program, &actions, nullptr, argv, environ) != 0) {
            state.SkipWithError("cannot start the launcher");
            break;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the launcher failed");
            break;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
}

void BM_Version(benchmark::State& state)
{
    runLauncher(state, "--version");
}
BENCHMARK(BM_Version)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Help(benchmark::State& state)
{
    runLauncher(state, "--help");
}
BENCHMARK(BM_Help)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();

#include "childprocess.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace CrashTest {

namespace {

// Generous: the bound only keeps a broken handler from hanging the suite.
constexpr auto kChildBound = std::chrono::seconds(90);

std::string readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

} // namespace

bool ChildResult::killedBy(int signalNumber) const
{
    return ended && WIFSIGNALED(status) && WTERMSIG(status) == signalNumber;
}

std::string ChildResult::describe() const
{
    std::ostringstream text;
    text << "ended " << ended;
    if (WIFSIGNALED(status))
        text << ", signal " << WTERMSIG(status);
    else if (WIFEXITED(status))
        text << ", exit " << WEXITSTATUS(status);
    text << "\nstdout:\n" << standardOutput << "\nstderr:\n" << standardError;
    return text.str();
}

ChildResult runChild(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& environment,
                     const std::string& workingDirectory, const std::string& awaitOutput)
{
    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const size_t equals = text.find('=');
        if (equals != std::string::npos)
            variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    variables.erase("DISPLAY");
    variables.erase("WAYLAND_DISPLAY");
    for (const auto& [name, value] : environment) {
        if (value.empty())
            variables.erase(name);
        else
            variables[name] = value;
    }
    std::vector<std::string> environmentText;
    for (const auto& [name, value] : variables)
        environmentText.push_back(name + "=" + value);
    std::vector<char*> environmentPointers;
    for (std::string& text : environmentText)
        environmentPointers.push_back(text.data());
    environmentPointers.push_back(nullptr);
    std::vector<std::string> argumentText = arguments;
    std::vector<char*> argumentPointers;
    for (std::string& text : argumentText)
        argumentPointers.push_back(text.data());
    argumentPointers.push_back(nullptr);

    char outputTemplate[] = "/tmp/crash-test-out-XXXXXX";
    char errorTemplate[] = "/tmp/crash-test-err-XXXXXX";
    const int outputFd = mkstemp(outputTemplate);
    const int errorFd = mkstemp(errorTemplate);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errorFd, STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());

    ChildResult result;
    pid_t child = -1;
    if (posix_spawn(&child, argumentPointers[0], &actions, nullptr, argumentPointers.data(), environmentPointers.data()) == 0) {
        const auto deadline = std::chrono::steady_clock::now() + kChildBound;
        for (;;) {
            const pid_t done = waitpid(child, &result.status, WNOHANG);
            if (done == child) {
                result.ended = true;
                break;
            }
            if (std::chrono::steady_clock::now() > deadline) {
                kill(child, SIGKILL);
                waitpid(child, &result.status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    if (!awaitOutput.empty() && result.ended) {
        const auto deadline = std::chrono::steady_clock::now() + kChildBound;
        while (readFile(outputTemplate).find(awaitOutput) == std::string::npos
               && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    close(outputFd);
    close(errorFd);
    result.standardOutput = readFile(outputTemplate);
    result.standardError = readFile(errorTemplate);
    unlink(outputTemplate);
    unlink(errorTemplate);
    return result;
}

std::vector<std::string> folderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* directory = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(directory)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        closedir(directory);
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace CrashTest

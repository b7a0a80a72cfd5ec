#pragma once
// What every figure program of the suite shares: a monotonic clock, samples with their
// minimum and median, running a program and waiting for it, and the one line a figure
// prints. scripts/run-benchmarks.sh keeps only lines that start with "FIGURE ":
//
//   FIGURE <id> <description>: <value> (target <target>) [<detail>]
//
// <detail> gives at least the min and median of each side of the ratio.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace MovraBench {

inline double seconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

class Samples
{
public:
    void add(double value) { m_values.push_back(value); }
    std::size_t size() const { return m_values.size(); }
    double min() const { return m_values.empty() ? 0 : *std::min_element(m_values.begin(), m_values.end()); }
    double median() const
    {
        if (m_values.empty())
            return 0;
        std::vector<double> sorted = m_values;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t n = sorted.size();
        return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    }

private:
    std::vector<double> m_values;
};

inline std::string format(const char* pattern, double value)
{
    char text[64];
    std::snprintf(text, sizeof(text), pattern, value);
    return text;
}

// "min 1.23 ms median 1.40 ms", the samples in seconds scaled by `scale` into `unit`.
inline std::string spread(const Samples& samples, double scale, const char* unit)
{
    const auto number = [](double value) { return format(value < 1000 ? "%.3g" : "%.0f", value); };
    return "min " + number(samples.min() * scale) + " " + unit + " median " + number(samples.median() * scale) + " "
           + unit;
}

inline void printFigure(const std::string& id, const std::string& description, const std::string& value,
                        const std::string& target, const std::string& detail)
{
    std::printf("FIGURE %s %s: %s (target %s) [%s]\n", id.c_str(), description.c_str(), value.c_str(),
                target.c_str(), detail.c_str());
    std::fflush(stdout);
}

// Runs argv with the given environment (nullptr: this process's), its standard output into
// `output` when given (else /dev/null) and standard error to /dev/null. Returns the exit
// status, or -1 when it could not run or did not exit normally.
inline int run(const std::vector<std::string>& arguments, char** environment, std::string* output = nullptr)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    int pipeFds[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output && pipe(pipeFds) == 0) {
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
        posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environment ? environment : environ);
    posix_spawn_file_actions_destroy(&actions);
    if (pipeFds[1] >= 0)
        close(pipeFds[1]);
    if (output && pipeFds[0] >= 0) {
        output->clear();
        char buffer[4096];
        ssize_t n = 0;
        while (spawned == 0 && (n = read(pipeFds[0], buffer, sizeof(buffer))) > 0)
            output->append(buffer, std::size_t(n));
        close(pipeFds[0]);
    }
    if (spawned != 0)
        return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// An environment: this process's, with the given NAME=value entries replacing or added.
class Environment
{
public:
    explicit Environment(const std::vector<std::string>& overrides)
    {
        for (char** entry = environ; *entry; ++entry) {
            const std::string text(*entry);
            const std::string name = text.substr(0, text.find('='));
            bool replaced = false;
            for (const std::string& o : overrides)
                replaced = replaced || o.compare(0, name.size() + 1, name + "=") == 0;
            if (!replaced)
                m_entries.push_back(text);
        }
        m_entries.insert(m_entries.end(), overrides.begin(), overrides.end());
        for (std::string& entry : m_entries)
            m_pointers.push_back(const_cast<char*>(entry.c_str()));
        m_pointers.push_back(nullptr);
    }
    char** get() { return m_pointers.data(); }

private:
    std::vector<std::string> m_entries;
    std::vector<char*> m_pointers;
};

// Rounds of a figure: MOVRA_BENCH_ROUNDS overrides the program's default.
inline int rounds(int fallback)
{
    const char* text = std::getenv("MOVRA_BENCH_ROUNDS");
    const int value = text ? std::atoi(text) : 0;
    return value > 0 ? value : fallback;
}

} // namespace MovraBench

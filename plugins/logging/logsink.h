#pragma once
#include <cstdio>
#include <mutex>
#include <string>

namespace MSELogging {

// Where messages go: the file named by MSE_LOG ("-" for standard error), appended to.
// Without MSE_LOG logging is off. Safe to use from several threads.
class LogSink
{
public:
    static LogSink& instance();

    // Redirects output: null or empty turns logging off, "-" is standard error.
    bool configure(const char* target);
    void close();
    bool isEnabled();
    // Writes one whole line at once.
    void writeLine(const std::string& line);

private:
    LogSink();
    bool openLocked(const char* target);
    void closeLocked();

    std::mutex m_lock;
    std::FILE* m_file = nullptr;
    bool m_ownsFile = false;
};

} // namespace MSELogging

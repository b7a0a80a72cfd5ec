#include "logsink.h"

#include <cstdlib>

namespace MSELogging {

LogSink& LogSink::instance()
{
    // Never destroyed: messages may come from other threads while the process exits.
    static LogSink* const sink = new LogSink;
    return *sink;
}

LogSink::LogSink()
{
    std::lock_guard<std::mutex> lock(m_lock);
    openLocked(std::getenv("MSE_LOG"));
}

bool LogSink::configure(const char* target)
{
    std::lock_guard<std::mutex> lock(m_lock);
    closeLocked();
    return openLocked(target);
}

void LogSink::close()
{
    std::lock_guard<std::mutex> lock(m_lock);
    closeLocked();
}

bool LogSink::isEnabled()
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_file != nullptr;
}

void LogSink::writeLine(const std::string& line)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_file)
        return;
    std::fwrite(line.data(), 1, line.size(), m_file);
    std::fflush(m_file);
}

bool LogSink::openLocked(const char* target)
{
    if (!target || !*target)
        return false;
    if (target[0] == '-' && target[1] == '\0') {
        m_file = stderr;
        m_ownsFile = false;
        return true;
    }
    m_file = std::fopen(target, "ae");
    m_ownsFile = m_file != nullptr;
    return m_file != nullptr;
}

void LogSink::closeLocked()
{
    if (m_file && m_ownsFile)
        std::fclose(m_file);
    m_file = nullptr;
    m_ownsFile = false;
}

} // namespace MSELogging

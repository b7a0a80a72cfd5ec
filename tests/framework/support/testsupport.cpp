#include "support/testsupport.h"


#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace fwtest {

std::string pluginFolder(const std::string& name) { return std::string(FRAMEWORK_TEST_PLUGIN_DIR) + "/" + name; }

TempDir::TempDir()
{
    char pattern[] = "/tmp/fwtest-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string TempDir::write(const std::string& relative, const std::string& content) const
{
    const std::filesystem::path path = std::filesystem::path(m_path) / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << content;
    return path.string();
}

std::string TempDir::mkdir(const std::string& relative) const
{
    const std::filesystem::path path = std::filesystem::path(m_path) / relative;
    std::filesystem::create_directories(path);
    return path.string();
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

const std::string& useLogFile()
{
    static const std::string path = [] {
        const std::string file = "/tmp/fwtest-log-" + std::to_string(getpid()) + ".log";
        std::remove(file.c_str());
        setenv("MSE_LOG", file.c_str(), 1);
        return file;
    }();
    return path;
}

LogCapture::LogCapture() : m_start(readFile(useLogFile()).size()) {}

std::string LogCapture::text() const
{
    const std::string all = readFile(useLogFile());
    return all.size() > m_start ? all.substr(m_start) : std::string();
}

std::vector<std::string> LogCapture::lines() const
{
    std::vector<std::string> result;
    std::istringstream in(text());
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

bool LogCapture::contains(const std::string& message) const { return text().find(message) != std::string::npos; }

int LogCapture::count(const std::string& message) const
{
    const std::string all = text();
    int n = 0;
    for (std::size_t at = all.find(message); at != std::string::npos; at = all.find(message, at + 1))
        ++n;
    return n;
}

struct StderrCapture::Impl
{
    std::ostringstream buffer;
    std::streambuf* previous = nullptr;
};

StderrCapture::StderrCapture() : m_impl(new Impl) { m_impl->previous = std::cerr.rdbuf(m_impl->buffer.rdbuf()); }

StderrCapture::~StderrCapture()
{
    std::cerr.rdbuf(m_impl->previous);
    delete m_impl;
}

std::string StderrCapture::text() const { return m_impl->buffer.str(); }

bool isMapped(const std::string& fileName)
{
    std::ifstream maps("/proc/self/maps");
    const std::string suffix = "/" + fileName;
    for (std::string line; std::getline(maps, line);) {
        if (line.size() >= suffix.size() && line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0)
            return true;
    }
    return false;
}

double waitFor(const std::function<bool()>& predicate, std::chrono::milliseconds timeout)
{
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (predicate())
            return elapsed;
        if (std::chrono::steady_clock::now() - start > timeout)
            return -1.0;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

} // namespace fwtest

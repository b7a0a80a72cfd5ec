#include "support/testsupport.h"


#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
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

// Standard error itself (descriptor 2) is redirected to a file, so the capture sees what any
// writer sends there, whichever stream or call it uses.
struct StderrCapture::Impl
{
    std::FILE* file = nullptr;
    int saved = -1;
};

StderrCapture::StderrCapture() : m_impl(new Impl)
{
    std::fflush(stderr);
    m_impl->file = std::tmpfile();
    m_impl->saved = ::dup(STDERR_FILENO);
    if (m_impl->file && m_impl->saved >= 0)
        ::dup2(::fileno(m_impl->file), STDERR_FILENO);
}

StderrCapture::~StderrCapture()
{
    std::fflush(stderr);
    if (m_impl->saved >= 0) {
        ::dup2(m_impl->saved, STDERR_FILENO);
        ::close(m_impl->saved);
    }
    if (m_impl->file)
        std::fclose(m_impl->file);
    delete m_impl;
}

std::string StderrCapture::text() const
{
    std::fflush(stderr);
    std::string text;
    if (!m_impl->file)
        return text;
    char chunk[4096];
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(::fileno(m_impl->file), chunk, sizeof chunk, at);
        if (got <= 0)
            break;
        text.append(chunk, static_cast<std::size_t>(got));
        at += got;
    }
    return text;
}

} // namespace fwtest

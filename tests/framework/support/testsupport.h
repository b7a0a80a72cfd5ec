#pragma once
// Helpers shared by the framework tests: folders, wide strings, captured output, mappings.

#include "framework/widestring.h"
#include "support/mappedfiles.h"
#include "support/waitfor.h"

#include <MSE/String.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace fwtest {

// A folder of the test plug-in tree, e.g. pluginFolder("discovery") ends without a slash.
std::string pluginFolder(const std::string& name);

// Inline, so that a test program that does not link the framework can use the rest.
inline MSE::movra_string<wchar_t> wide(const std::string& utf8) { return MSE::fromUtf8(utf8); }
inline std::string narrow(const MSE::movra_string<wchar_t>& text) { return MSE::toUtf8(text); }

// A fresh folder under /tmp, removed with everything in it.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return m_path; }
    // Writes a file below the folder (creating subfolders) and returns its full path.
    std::string write(const std::string& relative, const std::string& content) const;
    std::string mkdir(const std::string& relative) const;

private:
    std::string m_path;
};

std::string readFile(const std::string& path);

// Points MSE_LOG at a file of this process before anything logs; the logging library reads
// the variable once. Returns the file's path.
const std::string& useLogFile();

// What the logging library wrote since construction.
class LogCapture
{
public:
    LogCapture();
    std::string text() const;
    std::vector<std::string> lines() const;
    bool contains(const std::string& message) const;
    int count(const std::string& message) const;

private:
    std::size_t m_start;
};

// What the process wrote to its standard error while the capture lived.
class StderrCapture
{
public:
    StderrCapture();
    ~StderrCapture();
    std::string text() const;

private:
    struct Impl;
    Impl* m_impl;
};

// Whether the library file `fileName` ("Alpha.so") is mapped into this process.
inline bool isMapped(const std::string& fileName)
{
    return MovraTest::isMapped("/" + fileName);
}

// The seconds until predicate held, a negative number when it did not within the timeout.
inline double waitFor(const std::function<bool()>& predicate, std::chrono::milliseconds timeout)
{
    return MovraTest::secondsUntil(predicate, timeout);
}

} // namespace fwtest

#pragma once
// What the crash tests share: a private desktop folder per test, crash_child runs in it, and
// the checks every dump must pass.

#include "childprocess.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace CrashTest {

// The handler's message for a dump at `dumpPath`.
std::string messageFor(const std::string& dumpPath);
std::string crashChildPath();
// The dumps crash_child left in `folder`, by name.
std::vector<std::string> dumpsIn(const std::string& folder);
int fileMode(const std::string& path);
void writeText(const std::string& path, const std::string& text);
std::string readText(const std::string& path);

// A sanitizer's runtime owns the fatal signals and the memory layout; the handler is not
// tested under one.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kUnderSanitizer = true;
#else
constexpr bool kUnderSanitizer = false;
#endif

class CrashFolderTest : public testing::Test
{
protected:
    void SetUp() override;

    std::string path(const std::string& relative) const;
    std::string desktop() const { return path("desktop"); }
    ChildResult crash(const std::string& scenario, const std::string& mode,
                      const std::map<std::string, std::string>& environment = {},
                      const std::string& awaitOutput = std::string()) const;
    // Checks what every crash with a dump shows: the process ended by the signal, exactly
    // one dump named by the pattern in `folder`, private to the user, and the message on
    // standard error naming it. Returns its path, or empty after a failure.
    std::string expectOneDump(const ChildResult& result, const std::string& folder, int signalNumber) const;

private:
    QTemporaryDir m_dir;
};

} // namespace CrashTest

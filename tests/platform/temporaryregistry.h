#pragma once
// A registry of its own for one test: a fresh folder as MOVRA_REGISTRY_DIR, the layer's
// cached connections dropped on entry and exit, the environment restored afterwards.

#include "platform/registry.h"

#include <cstdlib>
#include <optional>
#include <string>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace MovraTest {

class ScopedEnvironment
{
public:
    ScopedEnvironment(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnvironment()
    {
        if (m_old)
            ::setenv(m_name.c_str(), m_old->c_str(), 1);
        else
            ::unsetenv(m_name.c_str());
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

class TemporaryRegistry
{
public:
    TemporaryRegistry() : m_dir(makeDirectory()), m_env("MOVRA_REGISTRY_DIR", m_dir.c_str())
    {
        MovraRegistry::resetRegistryForTesting();
    }
    ~TemporaryRegistry()
    {
        MovraRegistry::resetRegistryForTesting();
        const std::string command = "chmod -R u+w '" + m_dir + "' 2>/dev/null; rm -rf '" + m_dir + "'";
        if (std::system(command.c_str()) != 0) {
            // Leftovers in /tmp are harmless.
        }
    }
    TemporaryRegistry(const TemporaryRegistry&) = delete;
    TemporaryRegistry& operator=(const TemporaryRegistry&) = delete;

    const std::string& dir() const { return m_dir; }
    std::string userDatabase() const { return m_dir + "/user.db"; }
    std::string machineDatabase() const { return m_dir + "/machine.db"; }

private:
    static std::string makeDirectory()
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/movra-registry-XXXXXX";
        if (!::mkdtemp(&pattern[0]))
            std::abort();
        return pattern;
    }

    std::string m_dir;
    ScopedEnvironment m_env;
};

} // namespace MovraTest

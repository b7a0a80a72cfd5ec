#pragma once
// A registry of its own for one test: a fresh folder as MOVRA_REGISTRY_DIR, the layer's
// cached connections dropped on entry and exit, the environment restored afterwards.

#include "platform/registry.h"
#include "support/scopedenvironment.h"

#include <cstdlib>
#include <string>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace MovraTest {

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

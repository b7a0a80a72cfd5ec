#pragma once
// One environment variable set (or, given null, removed) for a scope, and put back as it
// was when the scope ends.

#include <optional>
#include <string>

namespace MovraTest {

class ScopedEnvironment
{
public:
    ScopedEnvironment(const char* name, const char* value);
    ScopedEnvironment(const char* name, const std::string& value) : ScopedEnvironment(name, value.c_str()) {}
    ~ScopedEnvironment();

    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

} // namespace MovraTest

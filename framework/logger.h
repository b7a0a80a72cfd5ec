#pragma once
// The framework's diagnostics, forwarded to the logging library MSE_Logging.so when it lies
// beside MSEFramework.so and has all four entry points; otherwise logging is off.

#include <MSE/PluginInfo.h>

#include <cstdint>

namespace MSE {

class LoggerImpl;

class MSE_FRAMEWORK_API Logger
{
public:
    // The process's logger; binds the logging library once, from whichever thread asks first.
    static Logger* instance();

    virtual ~Logger();

    // printf-style; "%s" takes a narrow and "%S" a wide string. The arguments are not read
    // when the logging library is absent or disabled.
    void write(const char* category, const char* function, int32_t line, const char* format, ...)
        __attribute__((format(printf, 5, 6)));

    // Whether the logging library was found and bound.
    bool isBound() const;

    // The library Logger::instance() binds: MSE_Logging.so in this library's own folder.
    static const char* libraryFileName();

private:
    Logger();
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

    LoggerImpl* m_impl = nullptr;
};

} // namespace MSE

#define MSE_LOG_PLUGIN(function, ...) ::MSE::Logger::instance()->write("Plugin", function, __LINE__, __VA_ARGS__)
#define MSE_LOG_FACTORY(function, ...) \
    ::MSE::Logger::instance()->write("PluginFactory", function, __LINE__, __VA_ARGS__)

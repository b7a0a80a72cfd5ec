#include "framework/logger.h"
#include "platform/libraryfolder.h"

#include <dlfcn.h>

#include <cstdarg>
#include <string>

namespace MSE {

namespace {
constexpr char kLoggingLibrary[] = "MSE_Logging.so";

using ConfigureFunction = int (*)(const char* target);
using CloseFunction = void (*)();
using IsEnabledFunction = bool (*)();
using WriteFunction = void (*)(const char* category, const char* function, int32_t line, const char* format,
                               va_list* arguments);

// The folder of the library this code is part of, with a trailing "/"; empty when unknown.
std::string ownFolder()
{
    return MovraPlatform::folderOfLibraryHolding(reinterpret_cast<const void*>(&ownFolder));
}
} // namespace

class LoggerImpl
{
public:
    virtual ~LoggerImpl()
    {
        configure = nullptr;
        close = nullptr;
        isEnabled = nullptr;
        write = nullptr;
        if (module)
            dlclose(module);
        module = nullptr;
    }

    // False (and everything cleared) unless the library and all four entry points are there.
    bool bind()
    {
        const std::string folder = ownFolder();
        if (folder.empty())
            return false;
        module = dlopen((folder + kLoggingLibrary).c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module)
            return false;
        configure = reinterpret_cast<ConfigureFunction>(dlsym(module, "MSELog_configure"));
        if (configure)
            close = reinterpret_cast<CloseFunction>(dlsym(module, "MSELog_close"));
        if (close)
            isEnabled = reinterpret_cast<IsEnabledFunction>(dlsym(module, "MSELog_isEnabled"));
        if (isEnabled)
            write = reinterpret_cast<WriteFunction>(dlsym(module, "MSELog_write"));
        if (write)
            return true;
        configure = nullptr;
        close = nullptr;
        isEnabled = nullptr;
        dlclose(module);
        module = nullptr;
        return false;
    }

    void* module = nullptr;
    ConfigureFunction configure = nullptr;
    CloseFunction close = nullptr;
    IsEnabledFunction isEnabled = nullptr;
    WriteFunction write = nullptr;
};

Logger::Logger()
{
    m_impl = new LoggerImpl;
    if (!m_impl->bind()) {
        delete m_impl;
        m_impl = nullptr;
    }
}

Logger::~Logger()
{
    if (m_impl) {
        m_impl->close();
        delete m_impl;
    }
}

Logger* Logger::instance()
{
    // Never destroyed: messages may come from the cleaner thread until the process ends.
    static Logger* const logger = new Logger;
    return logger;
}

const char* Logger::libraryFileName() { return kLoggingLibrary; }

bool Logger::isBound() const { return m_impl != nullptr; }

void Logger::write(const char* category, const char* function, int32_t line, const char* format, ...)
{
    if (!m_impl || !m_impl->isEnabled())
        return;
    va_list arguments;
    va_start(arguments, format);
    m_impl->write(category, function, line, format, &arguments);
    va_end(arguments);
}

} // namespace MSE

// The four entry points the framework's logging facade resolves.

#include "logformatter.h"
#include "logsink.h"

#include <cstdarg>
#include <cstdint>
#include <string>

#define MSELOG_EXPORT extern "C" __attribute__((visibility("default")))

// target: a file to append to, "-" for standard error, null or empty to turn logging off.
MSELOG_EXPORT int MSELog_configure(const char* target)
{
    return MSELogging::LogSink::instance().configure(target) ? 0 : 3;
}

MSELOG_EXPORT void MSELog_close() { MSELogging::LogSink::instance().close(); }

MSELOG_EXPORT bool MSELog_isEnabled() { return MSELogging::LogSink::instance().isEnabled(); }

// One line: "<category> <function>(<line>): <message>".
MSELOG_EXPORT void MSELog_write(const char* category, const char* function, int32_t line, const char* format,
                                va_list* arguments)
{
    MSELogging::LogSink& sink = MSELogging::LogSink::instance();
    if (!sink.isEnabled() || !arguments)
        return;
    std::string text;
    text += category ? category : "";
    text += ' ';
    text += function ? function : "";
    text += '(' + std::to_string(line) + "): ";
    text += MSELogging::formatMessage(format, *arguments);
    if (text.empty() || text.back() != '\n')
        text += '\n';
    sink.writeLine(text);
}

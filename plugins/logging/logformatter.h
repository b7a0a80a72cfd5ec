#pragma once
#include <cstdarg>
#include <string>

namespace MSELogging {

// printf-style formatting where "%s" takes a narrow string and "%S" (or "%ls") a wide one,
// written out as UTF-8; "%C" (or "%lc") takes a wide character. "%n" consumes its argument
// and writes nothing. Other conversions follow the C library.
std::string formatMessage(const char* format, va_list arguments);

} // namespace MSELogging

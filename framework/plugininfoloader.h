#pragma once
#include <MSE/PluginInfo.h>
#include <MSE/String.h>

#include <cstdint>
#include <string>

namespace MSE {

// Reads, parses and checks one properties document. A new record the caller owns, or null
// after reporting the reason on standard error.
MSE_FRAMEWORK_API PluginInfo* loadPluginInfo(const movra_string<wchar_t>& path);
// The same; on failure `reason` (when given) receives one line saying why, for tools and
// dialogs that show a refused plug-in.
MSE_FRAMEWORK_API PluginInfo* loadPluginInfo(const movra_string<wchar_t>& path, std::string* reason);

// Larger properties files are not read at all.
constexpr uint64_t kMaxPropertiesFileSize = 16u * 1024 * 1024;

// An audio format identifier's text as a number: hexadecimal after "0x" or "0X", decimal
// otherwise, up to the first character that is not a digit (strtol's rules).
MSE_FRAMEWORK_API int32_t parseAudioFormatId(const char* text);

} // namespace MSE

#pragma once
// Conversions between the framework's wide strings (UTF-32 wchar_t) and the UTF-8 that POSIX
// calls take. Bytes that are not valid UTF-8 (a file name may hold any bytes) map to the
// lone surrogates U+DC80..U+DCFF and back, so every name survives the round trip.

#include "framework/utf8append.h"

#include <MSE/PluginInfo.h>
#include <MSE/String.h>

#include <string>

namespace MSE {

MSE_FRAMEWORK_API std::string toUtf8(const wchar_t* text, std::size_t length);
MSE_FRAMEWORK_API std::string toUtf8(const movra_string<wchar_t>& text);
MSE_FRAMEWORK_API movra_string<wchar_t> fromUtf8(const char* text, std::size_t length);
MSE_FRAMEWORK_API movra_string<wchar_t> fromUtf8(const std::string& text);


} // namespace MSE

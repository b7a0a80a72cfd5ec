#pragma once
// The properties loader in two halves, so that discovery's catalogue cache can replay a
// document it read before: reading the file, and turning its text into a record.

#include <MSE/PluginInfo.h>
#include <MSE/String.h>

#include <string>

namespace MSE {

// loadPluginInfo, with what it would print on standard error appended to `diagnostics`
// instead, and the bytes it read stored in `text` (when given) if the whole file was read.
PluginInfo* loadPluginInfoReporting(const movra_string<wchar_t>& path, std::string* reason, std::string& diagnostics,
                                    std::string* text);

// The record for a document's NUL-terminated text `buffer` (null when nothing was read);
// `opened`, `tooLarge` and `read` say how reading the file went, for the messages.
PluginInfo* pluginInfoFromText(const movra_string<wchar_t>& path, const char* buffer, bool opened, bool tooLarge,
                               bool read, std::string* reason, std::string& diagnostics);

} // namespace MSE

#pragma once
// The properties loader in two halves, so that discovery's catalogue cache can replay a
// document it read before: reading the file, and turning its text into a record.

#include <MSE/PluginInfo.h>
#include <MSE/String.h>

#include <string>

struct _xmlParserCtxt;

namespace MSE {

// One parser context for many documents, as discovery reads them one after another on one
// thread. The documents it parses share the context's dictionary of names, rather than each
// carrying a dictionary of its own: a few kilobytes and allocations less per plug-in. The
// dictionary is reference-counted by the documents and only read once they are parsed, so
// queries on other threads may use them as before. Not for use by two threads at once.
class PropertiesParser
{
public:
    PropertiesParser();
    ~PropertiesParser();
    PropertiesParser(const PropertiesParser&) = delete;
    PropertiesParser& operator=(const PropertiesParser&) = delete;

    _xmlParserCtxt* context() const { return m_context; }

private:
    _xmlParserCtxt* m_context;
};

// loadPluginInfo, with what it would print on standard error appended to `diagnostics`
// instead, and the bytes it read stored in `text` (when given) if the whole file was read.
// `parser` (may be null) parses the document.
PluginInfo* loadPluginInfoReporting(const movra_string<wchar_t>& path, std::string* reason, std::string& diagnostics,
                                    std::string* text, PropertiesParser* parser);

// The record for a document's NUL-terminated text `buffer` (null when nothing was read);
// `opened`, `tooLarge` and `read` say how reading the file went, for the messages.
PluginInfo* pluginInfoFromText(const movra_string<wchar_t>& path, const char* buffer, bool opened, bool tooLarge,
                               bool read, std::string* reason, std::string& diagnostics, PropertiesParser* parser);

} // namespace MSE

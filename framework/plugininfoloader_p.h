#pragma once
// The properties loader in two halves, so that discovery's catalogue cache can replay a
// document it read before: reading the file, and turning its text into a record.

#include <MSE/PluginInfo.h>
#include <MSE/String.h>

#include <string>
#include <string_view>

struct _xmlParserCtxt;

namespace MSE {

// Sets libxml2 up for properties documents; call once before parsing them on several threads.
void preparePropertiesLoading();

// One parser context for many documents, as discovery reads them one after another. The
// documents it parses take nothing from the context (no dictionary), so they may go to
// any thread. Not for use by two threads at once.
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
// `parser` (may be null) parses the document; the image of the parsed tree is appended to
// `image` (when given) if it can have one.
PluginInfo* loadPluginInfoReporting(const movra_string<wchar_t>& path, std::string* reason, std::string& diagnostics,
                                    std::string* text, PropertiesParser* parser, std::string* image);

// The record for a document's NUL-terminated text `buffer` (null when nothing was read) at
// `path` (UTF-8, for the messages);
// `opened`, `tooLarge` and `read` say how reading the file went, for the messages. The tree
// is rebuilt from `image` when one is given (an image captured from this very text), else
// parsed, and then its image appended to `capturedImage` (when given) if it can have one.
PluginInfo* pluginInfoFromText(const std::string& path, const char* buffer, bool opened, bool tooLarge,
                               bool read, std::string* reason, std::string& diagnostics, PropertiesParser* parser,
                               std::string_view image = std::string_view(), std::string* capturedImage = nullptr);

} // namespace MSE

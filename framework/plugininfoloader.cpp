#include "framework/plugininfoloader.h"
#include "framework/plugininfoloader_p.h"

#include "framework/documentimage.h"
#include "framework/file.h"
#include "framework/propertypaths.h"
#include "framework/propertyvalues_p.h"
#include "framework/standarderror_p.h"
#include "framework/widestring.h"
#include "framework/xmlerrors_p.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace MSE {

namespace {
// Marks the parser contexts of properties documents for the entity loader below.
char kPropertiesParserTag;

xmlExternalEntityLoader previousEntityLoader = nullptr;

// A properties document never reaches files or the network through an entity or a DTD.
// Other users of libxml2 in the process keep the loader they had.
xmlParserInputPtr denyingEntityLoader(const char* url, const char* id, xmlParserCtxtPtr context)
{
    if (context && context->_private == &kPropertiesParserTag)
        return nullptr;
    return previousEntityLoader ? previousEntityLoader(url, id, context) : nullptr;
}

xmlParserInputPtr denyEntity(void*, const xmlChar*, const xmlChar*) { return nullptr; }

void installEntityLoader()
{
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        previousEntityLoader = xmlGetExternalEntityLoader();
        xmlSetExternalEntityLoader(denyingEntityLoader);
    });
}

// libxml2's account of the first fatal error: "line L, column C: message".
std::string describeParseError(const xmlError* error)
{
    if (!error || error->code == XML_ERR_OK)
        return std::string();
    std::string message = error->message ? error->message : "unknown error";
    // Some reasons go on with a dump of the offending bytes on a line of their own.
    message = message.substr(0, message.find('\n'));
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    return "line " + std::to_string(error->line) + ", column " + std::to_string(error->int2) + ": " + message;
}

// Parses the NUL-terminated text as xmlParseDoc would, without network or file access,
// without substituting entities while parsing and without libxml2's own error output.
// The document gets no dictionary: one shared by the records' documents would be written by
// two plug-ins changing their own documents on two threads, and one of its own costs a few
// kilobytes. On failure `error` receives libxml2's reason with its position.
xmlDocPtr parseWith(xmlParserCtxtPtr context, const char* text, std::string& error)
{
    context->_private = &kPropertiesParserTag;
    context->sax->resolveEntity = denyEntity;
    xmlDocPtr document = xmlCtxtReadMemory(context, text, static_cast<int>(std::strlen(text)), nullptr, nullptr,
                                           XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NODICT);
    if (!document)
        error = describeParseError(xmlCtxtGetLastError(context));
    return document;
}

xmlDocPtr parseDocument(const char* text, std::string& error, PropertiesParser* shared)
{
    installEntityLoader();
    QuietXmlErrors quiet;
    if (shared && shared->context()) {
        // A document that fails is parsed again below, on a context of its own, so that its
        // reason reads exactly as without the shared one.
        std::string ignored;
        if (xmlDocPtr document = parseWith(shared->context(), text, ignored))
            return document;
    }
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    if (!context)
        return nullptr;
    xmlDocPtr document = parseWith(context, text, error);
    xmlFreeParserCtxt(context);
    return document;
}

void setReason(std::string* reason, std::string text)
{
    if (reason)
        *reason = std::move(text);
}

struct DocumentDeleter
{
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
using DocumentHolder = std::unique_ptr<xmlDoc, DocumentDeleter>;

struct XmlFree
{
    void operator()(xmlChar* text) const { xmlFree(text); }
};
} // namespace

PluginInfo* loadPluginInfo(const movra_string<wchar_t>& path) { return loadPluginInfo(path, nullptr); }

PluginInfo* loadPluginInfo(const movra_string<wchar_t>& path, std::string* reason)
{
    std::string diagnostics;
    PluginInfo* info = loadPluginInfoReporting(path, reason, diagnostics, nullptr, nullptr, nullptr);
    if (!diagnostics.empty())
        writeToStandardError(diagnostics);
    return info;
}

void preparePropertiesLoading() { installEntityLoader(); }

PropertiesParser::PropertiesParser() : m_context(nullptr)
{
    installEntityLoader();
    m_context = xmlNewParserCtxt();
}

PropertiesParser::~PropertiesParser()
{
    if (m_context)
        xmlFreeParserCtxt(m_context);
}

PluginInfo* loadPluginInfoReporting(const movra_string<wchar_t>& path, std::string* reason, std::string& diagnostics,
                                    std::string* text, PropertiesParser* parser, std::string* image)
{
    File file;
    bool opened = false;
    bool tooLarge = false;
    std::unique_ptr<char[]> buffer;
    bool read = false;
    if (file.open(path, File::ReadExisting) == kResultOk) {
        opened = true;
        const uint64_t size = file.size();
        tooLarge = size > kMaxPropertiesFileSize;
        if (!tooLarge) {
            buffer.reset(new (std::nothrow) char[size + 1]);
            if (buffer) {
                buffer[size] = 0;
                read = file.read(buffer.get(), static_cast<uint32_t>(size)) == size;
                if (read && text)
                    text->assign(buffer.get(), size);
            }
        }
    }
    file.close();
    return pluginInfoFromText(toUtf8(path), buffer.get(), opened, tooLarge, read, reason, diagnostics, parser,
                              std::string_view(), image);
}

PluginInfo* pluginInfoFromText(const std::string& path, const char* buffer, bool opened, bool tooLarge,
                               bool read, std::string* reason, std::string& diagnostics, PropertiesParser* parser,
                               std::string_view image, std::string* capturedImage)
{
    std::string parseError;
    DocumentHolder document;
    if (read && !image.empty())
        document.reset(buildDocument(image));
    if (read && !document) {
        document.reset(parseDocument(buffer, parseError, parser));
        if (document && capturedImage)
            captureDocument(document.get(), *capturedImage);
    }
    if (!document) {
        // Collected and written out by the caller as UTF-8 on the narrow stream: the wide
        // stream shares the narrow one's FILE, whose orientation is fixed by the first write.
        diagnostics += "Could not parse file '" + path + "' contents: '" + (buffer ? buffer : "") + "'\n";
        if (!parseError.empty()) {
            diagnostics += "  " + parseError + "\n";
            setReason(reason, "not XML: " + parseError);
        } else if (!opened) {
            setReason(reason, "properties document cannot be opened");
        } else if (tooLarge) {
            setReason(reason, "properties document larger than " + std::to_string(kMaxPropertiesFileSize) + " bytes");
        } else {
            setReason(reason, "properties document cannot be read");
        }
    }
    const auto narrowPath = [&path] { return path; };

    xmlNodePtr root = document ? xmlDocGetRootElement(document.get()) : nullptr;
    if (!root) {
        diagnostics += "Could not find root element of doc '" + narrowPath() + "'\n";
        if (document)
            setReason(reason, "no root element");
        return nullptr;
    }
    if (xmlStrcmp(root->name, reinterpret_cast<const xmlChar*>("properties")) != 0) {
        diagnostics += "Root element of doc '" + narrowPath() + "' is not 'properties'\n";
        setReason(reason, std::string("wrong root element '") + reinterpret_cast<const char*>(root->name)
                              + "', expected 'properties'");
        return nullptr;
    }
    std::unique_ptr<xmlChar, XmlFree> version(xmlGetProp(root, reinterpret_cast<const xmlChar*>("version")));
    if (!version || xmlStrcmp(version.get(), reinterpret_cast<const xmlChar*>("1.0")) != 0) {
        diagnostics += "'properties' element of doc '" + narrowPath() + "' is not version '1.0'\n";
        setReason(reason, version ? std::string("properties version '") + reinterpret_cast<const char*>(version.get())
                                        + "', expected '1.0'"
                                  : std::string("properties element has no version, expected '1.0'"));
        return nullptr;
    }

    PluginInfo* info = new (std::nothrow) PluginInfo(document.get(), buffer);
    if (!info) {
        setReason(reason, "out of memory");
        return nullptr;
    }
    document.release();
    // PropertyPath::kName, kInterfaces and kType, walked directly: an XPath evaluation costs
    // more than parsing the whole document, and discovery does this for every plug-in.
    forEachAtChildPath(info->document, {"properties", "plugin", "name"}, [&](xmlNodePtr node) {
        nodeValue(info->document, node, info->name);
        return false;
    });
    forEachAtChildPath(info->document, {"properties", "plugin", "interfaces", "interface", "name"}, [&](xmlNodePtr node) {
        movra_string<char> value;
        if (nodeValue(info->document, node, value))
            info->interfaces.append(value);
        return true;
    });
    movra_string<char> type;
    forEachAtChildPath(info->document, {"properties", "type"}, [&](xmlNodePtr node) {
        nodeValue(info->document, node, type);
        return false;
    });
    if (type.length() != 6 || std::memcmp(type.c_str(), "plugin", 6) != 0) {
        const std::string found(type.c_str(), type.length());
        delete info;
        diagnostics += "Doc '" + narrowPath() + "' does not contain plugin data.\n";
        setReason(reason, found.empty() ? std::string("no type element saying 'plugin'")
                                        : "type '" + found + "', expected 'plugin'");
        return nullptr;
    }
    return info;
}

int32_t parseAudioFormatId(const char* text)
{
    if (!text)
        return 0;
    const bool hex = std::strlen(text) > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const long value = hex ? std::strtol(text + 2, nullptr, 16) : std::strtol(text, nullptr, 10);
    // Saturate as a 32-bit long does, so identifiers compare the same on every platform.
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

} // namespace MSE

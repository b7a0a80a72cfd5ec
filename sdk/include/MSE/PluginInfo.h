#pragma once
// One plug-in's properties, read from the XML properties document beside its library.
//
// A plug-in may read the fields of the record its object was given (getPluginInfo()).
// The property queries and the destructor live in MSEFramework; a plug-in that calls them
// links that library, one that only reads the fields links nothing.

#include <MSE/List.h>
#include <MSE/String.h>

#ifndef MSE_FRAMEWORK_API
#define MSE_FRAMEWORK_API __attribute__((visibility("default")))
#endif

// libxml2's document type, named here so that this header needs no libxml2.
struct _xmlDoc;

namespace MSE {

class MSE_FRAMEWORK_API PluginInfo
{
public:
    // Takes over document (may be null) and copies text (may be null).
    PluginInfo(_xmlDoc* document, const char* text);
    virtual ~PluginInfo();

    PluginInfo(const PluginInfo&) = delete;
    PluginInfo& operator=(const PluginInfo&) = delete;

    // Value of the first node the XPath expression selects; empty when it selects nothing,
    // cannot be evaluated, or the node has no value.
    movra_string<char> getPropertyValue(const movra_string<char>& xpath) const;
    // Values of every selected node in document order; nodes without a value contribute nothing.
    List<movra_string<char>> getPropertyValues(const movra_string<char>& xpath) const;
    // True when the expression selects at least one node.
    bool hasProperty(const movra_string<char>& xpath) const;

    // Folder the library was found in, exactly as given to discovery; empty until registered.
    movra_string<wchar_t> libraryFolder;
    // The library's file name within libraryFolder; empty until registered.
    movra_string<wchar_t> libraryFile;
    // "/properties/plugin/name": unique within one farm.
    movra_string<char> name;
    // "/properties/plugin/interfaces/interface/name", in document order.
    List<movra_string<char>> interfaces;
    // The parsed document, owned by the record.
    _xmlDoc* document;
    // Private NUL-terminated copy of the file's text; null when the text was empty.
    char* text;
};

} // namespace MSE

#pragma once
// What the farm's own files share: one library of a folder on its way from discovery to
// registration, and the paths of a registered plug-in's files.

#include "framework/cataloguecache.h"
#include "framework/pluginstatus.h"

#include <MSE/PluginInfo.h>
#include <MSE/String.h>

#include <string>

namespace MSE {

// One library of a folder, worked out apart from the catalogue (its files looked up, its
// document read or rebuilt, its record made) so that a large folder can be worked out on
// several threads; registered afterwards, one after another in listing order.
struct DiscoveredLibrary
{
    movra_string<wchar_t> libraryFile;
    // libraryFile in UTF-8; `listed` when both came from the folder's listing.
    std::string fileName;
    bool listed = false;
    bool bundle = false;
    // The properties document's file name (UTF-8) and full path, the path made only when a
    // message or a read needs it (propertiesPathOf).
    std::string propertiesName;
    movra_string<wchar_t> propertiesPath;
    PluginStatus status;
    // Whether the catalogue cache of discovery knows the library by fileName.
    bool cacheable = false;
    // The two files' keys and, after a fresh read, what it gave.
    CatalogueEntry found;
    const CatalogueEntry* cached = nullptr;
    bool propertiesMissing = false;
    // What the loader printed; a fresh read's text and image, which `found` points into
    // once registered.
    std::string diagnostics;
    std::string text;
    std::string image;
    PluginInfo* info = nullptr;

    DiscoveredLibrary() = default;
    DiscoveredLibrary(const DiscoveredLibrary&) = delete;
    DiscoveredLibrary& operator=(const DiscoveredLibrary&) = delete;
    ~DiscoveredLibrary() { delete info; }
};

// The library's properties path, made on first use.
const movra_string<wchar_t>& propertiesPathOf(DiscoveredLibrary& library, const movra_string<wchar_t>& normalized);

// A file of the record's library folder, as a UTF-8 path.
std::string libraryPath(const PluginInfo* info, const movra_string<wchar_t>& file);

} // namespace MSE

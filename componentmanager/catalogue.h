#pragma once
// The component catalogue: what a component server offers. It is JSON (format in the README),
// read only after its signature has been checked, and validated as a whole before any of it
// is used: one bad entry refuses the catalogue.

#include "componentmanager/version.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace MovraComponents {

struct CatalogueFile
{
    std::string path;    // relative to the component's folder
    uint64_t size = 0;
    std::string sha256;  // lower-case hex
};

struct CatalogueEntry
{
    std::string name;
    Version version;
    std::vector<std::string> provides;
    std::vector<std::string> requires_;
    std::string archive;  // relative to the catalogue's address
    uint64_t size = 0;
    uint64_t unpackedSize = 0;
    std::string sha256;
    std::optional<Version> minimumPlayerVersion;
    std::vector<CatalogueFile> files;
};

// What the signature covers besides the entries: a serial that only ever grows from one
// publication to the next (so an older catalogue replayed by a mirror is recognised) and the
// time after which the catalogue must not be trusted any more (so a server cannot be frozen
// on one publication for good).
struct CatalogueStamp
{
    uint64_t serial = 0;
    int64_t expires = 0;  // seconds since 1970, UTC
};

class Catalogue
{
public:
    // 100,000 files of a component with their hashes take about 11 MB in the compact form
    // movra-publish writes.
    static constexpr size_t kMaxBytes = 32u << 20;
    static constexpr size_t kMaxFilesPerComponent = 100000;
    static constexpr size_t kMaxNesting = 16;
    static constexpr int kFormat = 1;

    // Returns false and a reason when the text is not a valid catalogue.
    bool parse(std::string_view text, std::string* error);

    const std::vector<CatalogueEntry>& entries() const { return m_entries; }
    const CatalogueEntry* find(std::string_view name) const;
    const CatalogueStamp& stamp() const { return m_stamp; }

private:
    std::vector<CatalogueEntry> m_entries;
    std::map<std::string, size_t> m_index;  // folded name -> entry
    CatalogueStamp m_stamp;
};

// "2026-12-31T23:59:59Z" and back; only this form, always UTC.
std::optional<int64_t> parseUtcTime(std::string_view text);
std::string formatUtcTime(int64_t seconds);

// Component and feature names: letters, digits, '_', '-', '.', '+', at most 64, not starting
// with '.'. They become folder names and registry keys, and travel joined by ';'.
bool isValidComponentName(std::string_view name);
// A relative path of such names separated by '/'.
bool isSafeRelativePath(std::string_view path);

std::string serialiseCatalogue(const std::vector<CatalogueEntry>& entries, const CatalogueStamp& stamp);

// What must be installed, requirements first, so that every root is present at the
// catalogue's version or newer. installedVersion answers the installed version, if any.
// Fills `order` and answers Success, or NoProvider / PlayerUpdateRequired with the reason.
struct Resolution
{
    int32_t status = 0;
    std::string reason;
    std::string component;  // the one the reason is about
    std::vector<const CatalogueEntry*> order;
};
using InstalledVersion = std::function<std::optional<Version>(const std::string&)>;
Resolution resolveInstallOrder(const Catalogue& catalogue, const std::vector<std::string>& roots,
                               const InstalledVersion& installedVersion, const Version& playerVersion);

} // namespace MovraComponents

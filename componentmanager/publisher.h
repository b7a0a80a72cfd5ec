#pragma once
// Builds a component server folder: one archive per component, catalog.json and its
// detached signature. Used by movra-publish, the tests and the demo.

#include "componentmanager/catalogue.h"

#include <string>
#include <vector>

namespace MovraComponents {

struct PublishedComponent
{
    std::string name;
    std::string version;
    std::string folder;   // packed into <name>-<version>.tar.xz …
    std::string archive;  // … or this ready-made archive is copied as it is
    std::vector<std::string> provides;
    std::vector<std::string> requires_;
    std::string minimumPlayerVersion;
};

struct PublishOptions
{
    uint64_t serial = 0;   // 0: one more than the folder's current catalogue (1 for a new one)
    int64_t expires = 0;   // seconds since 1970; 0: kDefaultValidity from now
};
constexpr int64_t kDefaultValidity = 30 * 24 * 3600;

// Adds the components to the catalogue in `outFolder` (entries of the same name are
// replaced, others kept), writes the archives and signs the catalogue with the secret key
// in `keyFile`. Every publication carries a new serial, so clients can tell it from an
// older one. Returns false with a reason.
bool publishComponents(const std::string& outFolder, const std::string& keyFile,
                       const std::vector<PublishedComponent>& components, std::string* error,
                       const PublishOptions& options = PublishOptions());

// Signs `outFolder`/catalog.json as it is.
bool signCatalogue(const std::string& outFolder, const std::string& keyFile, std::string* error);

// Writes <base>.key (secret, mode 0600) and <base>.pub.
bool writeKeyPair(const std::string& base, std::string* error);

// Packs a folder into a .tar.xz (files, folders and links inside it, sorted by name).
bool packFolder(const std::string& folder, const std::string& archivePath, std::string* error);

// Regular files and the total unpacked size of an archive.
bool describeArchive(const std::string& archivePath, std::vector<CatalogueFile>* files, uint64_t* unpacked,
                     std::string* error);

} // namespace MovraComponents

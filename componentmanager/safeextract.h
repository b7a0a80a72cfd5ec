#pragma once
// Unpacks a component archive (.tar, .tar.gz, .tar.xz, .tar.zst) into an empty folder that
// nothing else writes to, and never anywhere else: entries with absolute paths or "..",
// links of either kind, device nodes, fifos, entries named twice, and contents larger than
// announced are refused. Components are plug-in folders: files and folders are all they
// need, and a link's target is something the signed file list could not pin down (a chain
// of links passes any textual check of the last one), so links are refused outright.
// Given the catalogue's file list, the archive must hold exactly those files with those
// sizes and SHA-256s, and no folder that none of them is in.
// Files are created relative to folder descriptors and never through a link, so even a
// link made by an earlier entry cannot redirect a later one. Nothing is synced here: the
// caller syncs the whole file system once before it makes the folder visible.

#include "componentmanager/catalogue.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace MovraComponents {

struct ExtractLimits
{
    uint64_t maxBytes = 0;       // the unpacked size the catalogue announced
    uint64_t maxEntries = 100000;
    const std::vector<CatalogueFile>* files = nullptr;  // the signed list, when there is one
};

// Success, UnsafeArchive, DiskFull, InstallFailed or Cancelled, with the reason.
int32_t extractArchive(const std::string& archivePath, const std::string& folder, const ExtractLimits& limits,
                       const std::atomic<bool>& cancel, std::string* reason);

// The relative form of an entry name ("./a/b" -> "a/b"); empty when it is absolute, holds
// "..", or is otherwise unusable.
std::string normaliseEntryPath(const std::string& name);

} // namespace MovraComponents

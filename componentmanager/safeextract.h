#pragma once
// Unpacks a component archive (.tar, .tar.gz, .tar.xz, .tar.zst) into an empty folder that
// nothing else writes to, and never anywhere else: entries with absolute paths or "..",
// links that point outside, hard links to anything but a file unpacked before, device
// nodes, fifos, entries named twice, and contents larger than announced are refused.
// Files are created relative to folder descriptors and never through a link, so even a
// link made by an earlier entry cannot redirect a later one. Nothing is synced here: the
// caller syncs the whole file system once before it makes the folder visible.

#include <atomic>
#include <cstdint>
#include <string>

namespace MovraComponents {

struct ExtractLimits
{
    uint64_t maxBytes = 0;       // the unpacked size the catalogue announced
    uint64_t maxEntries = 100000;
};

// Success, UnsafeArchive, DiskFull, InstallFailed or Cancelled, with the reason.
int32_t extractArchive(const std::string& archivePath, const std::string& folder, const ExtractLimits& limits,
                       const std::atomic<bool>& cancel, std::string* reason);

// The relative form of an entry name ("./a/b" -> "a/b"); empty when it is absolute, holds
// "..", or is otherwise unusable.
std::string normaliseEntryPath(const std::string& name);

} // namespace MovraComponents

#pragma once
// Small file-system helpers of the installer.

#include <string>

namespace MovraComponents {

// Removes a file or folder tree without following links; true when nothing is left.
bool removeTree(const std::string& path);
// Creates the folder and its parents (0755); errno is kept on failure.
bool makeFolders(const std::string& path);
// Whether the current user could create or replace entries in `folder` (or in the nearest
// existing folder above it, when it does not exist yet).
bool folderWritable(const std::string& folder);
bool syncFolder(const std::string& folder);
// Flushes every file of the file system that holds `path` (one call instead of one per file).
bool syncFileSystem(const std::string& path);
bool readSmallFile(const std::string& path, std::string* out, size_t maxBytes);
bool writeFileAtomically(const std::string& path, const std::string& contents, int mode);

} // namespace MovraComponents

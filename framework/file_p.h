#pragma once
// The few system calls behind MSE::File and the folder listing.

#include <cstdint>
#include <string>
#include <vector>

namespace MSE {
namespace filesystem {

struct Entry
{
    std::string name;
    bool isFolder; // a real folder, not a link to one
};

// A descriptor, or -1. Refuses folders.
int openFile(const std::string& path, uint32_t mode);
void closeFile(int handle);
uint64_t fileSize(int handle);
int64_t readFile(int handle, void* buffer, uint32_t count);
bool isExistingFile(const std::string& path);
// False when the folder cannot be listed.
bool listFolder(const std::string& folder, std::vector<Entry>& entries);

} // namespace filesystem
} // namespace MSE

#pragma once
// The lines of /proc/<pid>/maps as records, parsed in place without allocating (the crash
// handler reads its own maps with this).

#include <cstddef>
#include <cstdint>

namespace MovraPlatform {

struct Mapping
{
    uint64_t start = 0;
    uint64_t end = 0;
    uint64_t offset = 0;
    uint64_t inode = 0;
    uint32_t deviceMajor = 0;
    uint32_t deviceMinor = 0;
    bool readable = false;
    bool writable = false;
    bool executable = false;
    bool isPrivate = false;
    // The path or pseudo-name ("[heap]", "[stack]"), a slice of the parsed text; may be empty.
    const char* name = nullptr;
    size_t nameLength = 0;

    bool contains(uint64_t address) const { return address >= start && address < end; }
    bool nameIs(const char* text) const;
    // A file of the file system (its name is a path), not an anonymous or special mapping.
    bool isFile() const { return inode != 0 && nameLength > 0 && name[0] == '/'; }
    bool sameFileAs(const Mapping& other) const
    {
        return isFile() && inode == other.inode && deviceMajor == other.deviceMajor
               && deviceMinor == other.deviceMinor;
    }
};

// Parses `size` bytes of maps text into at most `capacity` records and returns how many it
// filled. Lines that do not parse are skipped.
size_t parseMaps(const char* text, size_t size, Mapping* out, size_t capacity);

// The record containing address, or null.
const Mapping* findMapping(const Mapping* mappings, size_t count, uint64_t address);

} // namespace MovraPlatform

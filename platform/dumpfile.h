#pragma once
// A minidump file written front to back: each record is appended at the next 8-byte boundary
// and its offset handed back for the records that point at it. Async-signal-safe.

#include "platform/minidumpformat.h"

#include <cstddef>
#include <cstdint>

namespace MovraPlatform {

class DumpFile
{
public:
    // `scratch`: a buffer of `scratchSize` bytes the file may use for copying.
    DumpFile(int fd, char* scratch, size_t scratchSize, uint64_t pageSize)
        : m_fd(fd), m_scratch(scratch), m_scratchSize(scratchSize), m_pageSize(pageSize)
    {
    }

    // Offset of the appended bytes. After a failure every call does nothing and ok() is false.
    uint32_t append(const void* data, size_t size);
    Minidump::LocationDescriptor appendRecord(const void* data, size_t size)
    {
        const uint32_t rva = append(data, size);
        return {static_cast<uint32_t>(size), rva};
    }
    // Copies memory of this process right after what was written last (call alignTo8()
    // first for a record of its own) and returns where it starts. Pages that cannot be read
    // become zeros, so a region that changed its protection (or a file truncated under its
    // mapping) does not end the dump.
    uint64_t appendMemory(uint64_t address, uint64_t size);
    // Continues the last record with more bytes.
    void appendMore(const void* data, size_t size) { put(data, size); }
    bool alignTo8();
    // The whole content of a file (a /proc file, whose size is not known in advance).
    Minidump::LocationDescriptor appendFileContents(const char* path);
    // A string record: its byte length, then the text converted from UTF-8 to UTF-16 with a
    // terminating zero. Bytes that are not UTF-8 become U+FFFD.
    uint32_t appendString(const char* utf8, size_t length);
    // Overwrites bytes already written (the header and the stream directory).
    void writeAt(uint64_t offset, const void* data, size_t size);

    uint64_t position() const { return m_position; }
    bool ok() const { return m_ok; }

private:
    bool put(const void* data, size_t size);

    int m_fd;
    char* m_scratch;
    size_t m_scratchSize;
    uint64_t m_pageSize;
    uint64_t m_position = 0;
    bool m_ok = true;
};

} // namespace MovraPlatform

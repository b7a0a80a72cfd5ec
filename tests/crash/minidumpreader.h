#pragma once
// Reads back what the crash handler wrote, independently of the writer's own bookkeeping:
// every record is found through the header and the stream directory, as a crash tool finds it.

#include "platform/minidumpformat.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace CrashTest {

struct DumpThread
{
    uint32_t tid = 0;
    std::optional<MovraPlatform::Minidump::ContextAmd64> context;
    uint64_t stackStart = 0;
    uint64_t stackSize = 0;
};

struct DumpModule
{
    std::string name;
    uint64_t base = 0;
    uint64_t size = 0;
    std::vector<uint8_t> buildId;
};

class MinidumpReader
{
public:
    explicit MinidumpReader(const std::string& path);

    // Empty when the file parsed; otherwise what was wrong with it.
    const std::string& error() const { return m_error; }
    const std::vector<char>& bytes() const { return m_bytes; }

    bool hasStream(uint32_t type) const { return stream(type) != nullptr; }
    std::string streamBytes(uint32_t type) const;

    const std::vector<DumpThread>& threads() const { return m_threads; }
    const std::vector<DumpModule>& modules() const { return m_modules; }
    const std::optional<MovraPlatform::Minidump::ExceptionStream>& exception() const { return m_exception; }
    const DumpThread* thread(uint32_t tid) const;
    const DumpModule* moduleAt(uint64_t address) const;
    const DumpModule* moduleNamed(const std::string& path) const;
    // Total bytes of process memory the dump holds (both memory lists).
    uint64_t memoryBytes() const { return m_memoryBytes; }
    // Whether the memory lists hold `address`.
    bool holdsMemory(uint64_t address) const;

private:
    const MovraPlatform::Minidump::Directory* stream(uint32_t type) const;
    template <class T>
    bool read(uint64_t offset, T& out) const;
    std::string readString(uint32_t rva) const;
    void parse();

    std::vector<char> m_bytes;
    std::string m_error;
    std::vector<MovraPlatform::Minidump::Directory> m_directory;
    std::vector<DumpThread> m_threads;
    std::vector<DumpModule> m_modules;
    std::optional<MovraPlatform::Minidump::ExceptionStream> m_exception;
    std::vector<std::pair<uint64_t, uint64_t>> m_ranges;
    uint64_t m_memoryBytes = 0;
};

// The GNU build id of an ELF file on disk, from its notes; empty when it has none.
std::vector<uint8_t> fileBuildId(const std::string& path);

} // namespace CrashTest

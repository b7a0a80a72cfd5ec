#include "minidumpreader.h"

#include <QString>

#include <elf.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace CrashTest {

using namespace MovraPlatform::Minidump;

namespace {

std::vector<char> readAll(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

} // namespace

MinidumpReader::MinidumpReader(const std::string& path) : m_bytes(readAll(path))
{
    parse();
}

template <class T>
bool MinidumpReader::read(uint64_t offset, T& out) const
{
    if (offset > m_bytes.size() || m_bytes.size() - offset < sizeof(T))
        return false;
    std::memcpy(&out, m_bytes.data() + offset, sizeof(T));
    return true;
}

const Directory* MinidumpReader::stream(uint32_t type) const
{
    for (const Directory& entry : m_directory) {
        if (entry.streamType == type)
            return &entry;
    }
    return nullptr;
}

std::string MinidumpReader::streamBytes(uint32_t type) const
{
    const Directory* entry = stream(type);
    if (!entry || uint64_t(entry->location.rva) + entry->location.dataSize > m_bytes.size())
        return std::string();
    return std::string(m_bytes.data() + entry->location.rva, entry->location.dataSize);
}

std::string MinidumpReader::readString(uint32_t rva) const
{
    uint32_t length = 0;
    if (!read(rva, length) || uint64_t(rva) + 4 + length > m_bytes.size())
        return std::string();
    std::u16string text(length / 2, u'\0');
    std::memcpy(text.data(), m_bytes.data() + rva + 4, length);
    return QString::fromUtf16(text.data(), qsizetype(text.size())).toStdString();
}

void MinidumpReader::parse()
{
    Header header;
    if (!read(0, header) || header.signature != kSignature || (header.version & 0xffff) != kVersion) {
        m_error = "no minidump header";
        return;
    }
    for (uint32_t i = 0; i < header.streamCount; ++i) {
        Directory entry;
        if (!read(header.streamDirectoryRva + uint64_t(i) * sizeof(Directory), entry)
            || uint64_t(entry.location.rva) + entry.location.dataSize > m_bytes.size()) {
            m_error = "stream " + std::to_string(i) + " lies outside the file";
            return;
        }
        m_directory.push_back(entry);
    }

    if (const Directory* list = stream(kThreadListStream)) {
        uint32_t count = 0;
        read(list->location.rva, count);
        if (4 + uint64_t(count) * sizeof(Thread) != list->location.dataSize)
            m_error = "thread list size does not match its count";
        for (uint32_t i = 0; i < count; ++i) {
            Thread raw;
            if (!read(list->location.rva + 4 + uint64_t(i) * sizeof(Thread), raw))
                break;
            DumpThread thread;
            thread.tid = raw.threadId;
            ContextAmd64 context;
            if (raw.threadContext.dataSize == sizeof(context) && read(raw.threadContext.rva, context))
                thread.context = context;
            thread.stackStart = raw.stack.startOfMemoryRange;
            thread.stackSize = raw.stack.memory.dataSize;
            m_threads.push_back(thread);
        }
    }

    if (const Directory* list = stream(kModuleListStream)) {
        uint32_t count = 0;
        read(list->location.rva, count);
        for (uint32_t i = 0; i < count; ++i) {
            Module raw;
            if (!read(list->location.rva + 4 + uint64_t(i) * sizeof(Module), raw))
                break;
            DumpModule module;
            module.name = readString(raw.moduleNameRva);
            module.base = raw.baseOfImage;
            module.size = raw.sizeOfImage;
            uint32_t signature = 0;
            if (raw.cvRecord.dataSize > 4 && read(raw.cvRecord.rva, signature) && signature == kCodeViewElfSignature) {
                const char* id = m_bytes.data() + raw.cvRecord.rva + 4;
                module.buildId.assign(id, id + raw.cvRecord.dataSize - 4);
            }
            m_modules.push_back(module);
        }
    }

    ExceptionStream exception;
    if (const Directory* entry = stream(kExceptionStream); entry && read(entry->location.rva, exception))
        m_exception = exception;

    if (const Directory* list = stream(kMemoryListStream)) {
        uint32_t count = 0;
        read(list->location.rva, count);
        for (uint32_t i = 0; i < count; ++i) {
            MemoryDescriptor range;
            if (read(list->location.rva + 4 + uint64_t(i) * sizeof(range), range)) {
                m_ranges.emplace_back(range.startOfMemoryRange, range.memory.dataSize);
                m_memoryBytes += range.memory.dataSize;
            }
        }
    }
    if (const Directory* list = stream(kMemory64ListStream)) {
        Memory64ListHeader header64;
        read(list->location.rva, header64);
        uint64_t at = header64.baseRva;
        for (uint64_t i = 0; i < header64.numberOfMemoryRanges; ++i) {
            MemoryDescriptor64 range;
            if (!read(list->location.rva + sizeof(header64) + i * sizeof(range), range))
                break;
            m_ranges.emplace_back(range.startOfMemoryRange, range.dataSize);
            m_memoryBytes += range.dataSize;
            at += range.dataSize;
        }
        if (at != m_bytes.size())
            m_error = "full memory does not end where the file ends";
    }
}

const DumpThread* MinidumpReader::thread(uint32_t tid) const
{
    for (const DumpThread& thread : m_threads) {
        if (thread.tid == tid)
            return &thread;
    }
    return nullptr;
}

const DumpModule* MinidumpReader::moduleAt(uint64_t address) const
{
    for (const DumpModule& module : m_modules) {
        if (address >= module.base && address - module.base < module.size)
            return &module;
    }
    return nullptr;
}

const DumpModule* MinidumpReader::moduleNamed(const std::string& path) const
{
    for (const DumpModule& module : m_modules) {
        if (module.name == path)
            return &module;
    }
    return nullptr;
}

bool MinidumpReader::holdsMemory(uint64_t address) const
{
    for (const auto& [start, size] : m_ranges) {
        if (address >= start && address - start < size)
            return true;
    }
    return false;
}

std::vector<uint8_t> fileBuildId(const std::string& path)
{
    const std::vector<char> file = readAll(path);
    Elf64_Ehdr header;
    if (file.size() < sizeof(header))
        return {};
    std::memcpy(&header, file.data(), sizeof(header));
    for (uint16_t i = 0; i < header.e_phnum; ++i) {
        Elf64_Phdr segment;
        const uint64_t at = header.e_phoff + uint64_t(i) * sizeof(segment);
        if (at + sizeof(segment) > file.size())
            return {};
        std::memcpy(&segment, file.data() + at, sizeof(segment));
        if (segment.p_type != PT_NOTE || segment.p_offset + segment.p_filesz > file.size())
            continue;
        for (uint64_t note = segment.p_offset; note + sizeof(Elf64_Nhdr) <= segment.p_offset + segment.p_filesz;) {
            Elf64_Nhdr noteHeader;
            std::memcpy(&noteHeader, file.data() + note, sizeof(noteHeader));
            const uint64_t name = note + sizeof(noteHeader);
            const uint64_t descriptor = name + ((noteHeader.n_namesz + 3) & ~3u);
            if (noteHeader.n_type == NT_GNU_BUILD_ID && std::string(file.data() + name) == "GNU")
                return std::vector<uint8_t>(file.begin() + long(descriptor), file.begin() + long(descriptor + noteHeader.n_descsz));
            note = descriptor + ((noteHeader.n_descsz + 3) & ~3u);
        }
    }
    return {};
}

} // namespace CrashTest

#include "platform/dumpfile.h"

#include "platform/safeprocess.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

namespace MovraPlatform {

namespace {

constexpr uint64_t kLargestRva = 0xffffffffu;

// Decodes one character from UTF-8; invalid or cut-off sequences give U+FFFD and one byte.
uint32_t decodeUtf8(const unsigned char* text, size_t length, size_t& used)
{
    const unsigned char lead = text[0];
    used = 1;
    if (lead < 0x80)
        return lead;
    size_t extra;
    uint32_t value;
    uint32_t smallest;
    if ((lead & 0xe0) == 0xc0) {
        extra = 1, value = lead & 0x1f, smallest = 0x80;
    } else if ((lead & 0xf0) == 0xe0) {
        extra = 2, value = lead & 0x0f, smallest = 0x800;
    } else if ((lead & 0xf8) == 0xf0) {
        extra = 3, value = lead & 0x07, smallest = 0x10000;
    } else {
        return 0xfffd;
    }
    if (extra >= length)
        return 0xfffd;
    for (size_t i = 1; i <= extra; ++i) {
        if ((text[i] & 0xc0) != 0x80)
            return 0xfffd;
        value = value << 6 | (text[i] & 0x3f);
    }
    if (value < smallest || value > 0x10ffff || (value >= 0xd800 && value <= 0xdfff))
        return 0xfffd;
    used = extra + 1;
    return value;
}

size_t utf16Units(uint32_t character)
{
    return character >= 0x10000 ? 2 : 1;
}

} // namespace

bool DumpFile::put(const void* data, size_t size)
{
    if (!m_ok)
        return false;
    if (!writeAll(m_fd, data, size)) {
        m_ok = false;
        return false;
    }
    m_position += size;
    return true;
}

bool DumpFile::alignTo8()
{
    static const char zeros[8] = {};
    const size_t pad = static_cast<size_t>((8 - (m_position & 7)) & 7);
    return pad == 0 || put(zeros, pad);
}

uint32_t DumpFile::append(const void* data, size_t size)
{
    if (!alignTo8() || m_position + size > kLargestRva) {
        m_ok = false;
        return 0;
    }
    const uint32_t rva = static_cast<uint32_t>(m_position);
    put(data, size);
    return rva;
}

uint64_t DumpFile::appendMemory(uint64_t address, uint64_t size)
{
    const uint64_t start = m_position;
    while (m_ok && size > 0) {
        const size_t chunk = size > m_scratchSize ? m_scratchSize : static_cast<size_t>(size);
        // The kernel reads the memory for us: a page it cannot read fails the call with
        // EFAULT instead of raising a signal in this handler.
        const ssize_t written = ::write(m_fd, reinterpret_cast<const void*>(address), chunk);
        if (written > 0) {
            m_position += static_cast<uint64_t>(written);
            address += static_cast<uint64_t>(written);
            size -= static_cast<uint64_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno == EFAULT) {
            uint64_t unreadable = m_pageSize - (address & (m_pageSize - 1));
            if (unreadable > size)
                unreadable = size;
            for (size_t i = 0; i < unreadable; ++i)
                m_scratch[i] = 0;
            put(m_scratch, static_cast<size_t>(unreadable));
            address += unreadable;
            size -= unreadable;
            continue;
        }
        m_ok = false;
    }
    return start;
}

Minidump::LocationDescriptor DumpFile::appendFileContents(const char* path)
{
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0 || !alignTo8()) {
        if (fd >= 0)
            close(fd);
        return {0, 0};
    }
    const uint64_t start = m_position;
    for (;;) {
        const long got = readFully(fd, m_scratch, m_scratchSize);
        if (got <= 0 || !put(m_scratch, static_cast<size_t>(got)))
            break;
    }
    close(fd);
    if (m_position > kLargestRva)
        m_ok = false;
    return {static_cast<uint32_t>(m_position - start), static_cast<uint32_t>(start)};
}

uint32_t DumpFile::appendString(const char* utf8, size_t length)
{
    const auto* text = reinterpret_cast<const unsigned char*>(utf8);
    uint32_t units = 0;
    for (size_t at = 0, used = 0; at < length; at += used)
        units += static_cast<uint32_t>(utf16Units(decodeUtf8(text + at, length - at, used)));
    const uint32_t byteLength = units * 2;
    const uint32_t rva = append(&byteLength, sizeof(byteLength));
    auto* out = reinterpret_cast<uint16_t*>(m_scratch);
    const size_t capacity = m_scratchSize / 2 - 1;
    size_t filled = 0;
    for (size_t at = 0, used = 0; at < length; at += used) {
        const uint32_t character = decodeUtf8(text + at, length - at, used);
        if (character >= 0x10000) {
            out[filled++] = static_cast<uint16_t>(0xd800 + ((character - 0x10000) >> 10));
            out[filled++] = static_cast<uint16_t>(0xdc00 + ((character - 0x10000) & 0x3ff));
        } else {
            out[filled++] = static_cast<uint16_t>(character);
        }
        if (filled >= capacity) {
            put(out, filled * 2);
            filled = 0;
        }
    }
    out[filled++] = 0;
    put(out, filled * 2);
    return rva;
}

void DumpFile::writeAt(uint64_t offset, const void* data, size_t size)
{
    if (!m_ok)
        return;
    if (lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) < 0 || !writeAll(m_fd, data, size))
        m_ok = false;
    lseek(m_fd, static_cast<off_t>(m_position), SEEK_SET);
}

} // namespace MovraPlatform

#include "platform/processmaps.h"

namespace MovraPlatform {

namespace {

class LineReader
{
public:
    LineReader(const char* begin, const char* end) : m_at(begin), m_end(end) {}

    bool hex(uint64_t& value)
    {
        value = 0;
        const char* first = m_at;
        for (; m_at < m_end; ++m_at) {
            const char c = *m_at;
            int digit;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            else
                break;
            value = value << 4 | static_cast<uint64_t>(digit);
        }
        return m_at != first;
    }

    bool decimal(uint64_t& value)
    {
        value = 0;
        const char* first = m_at;
        for (; m_at < m_end && *m_at >= '0' && *m_at <= '9'; ++m_at)
            value = value * 10 + static_cast<uint64_t>(*m_at - '0');
        return m_at != first;
    }

    bool expect(char c)
    {
        if (m_at >= m_end || *m_at != c)
            return false;
        ++m_at;
        return true;
    }

    bool spaces()
    {
        const char* first = m_at;
        while (m_at < m_end && *m_at == ' ')
            ++m_at;
        return m_at != first;
    }

    bool flag(char set, bool& value)
    {
        if (m_at >= m_end)
            return false;
        value = *m_at++ == set;
        return true;
    }

    const char* at() const { return m_at; }
    const char* end() const { return m_end; }

private:
    const char* m_at;
    const char* m_end;
};

bool parseLine(const char* begin, const char* end, Mapping& mapping)
{
    LineReader line(begin, end);
    uint64_t major = 0;
    uint64_t minor = 0;
    if (!line.hex(mapping.start) || !line.expect('-') || !line.hex(mapping.end) || !line.spaces()
        || !line.flag('r', mapping.readable) || !line.flag('w', mapping.writable)
        || !line.flag('x', mapping.executable) || !line.flag('p', mapping.isPrivate) || !line.spaces()
        || !line.hex(mapping.offset) || !line.spaces() || !line.hex(major) || !line.expect(':') || !line.hex(minor)
        || !line.spaces() || !line.decimal(mapping.inode))
        return false;
    mapping.deviceMajor = static_cast<uint32_t>(major);
    mapping.deviceMinor = static_cast<uint32_t>(minor);
    line.spaces();
    mapping.name = line.at();
    mapping.nameLength = static_cast<size_t>(line.end() - line.at());
    return mapping.end > mapping.start;
}

} // namespace

bool Mapping::nameIs(const char* text) const
{
    size_t i = 0;
    for (; i < nameLength; ++i) {
        if (text[i] != name[i])
            return false;
    }
    return text[i] == '\0';
}

size_t parseMaps(const char* text, size_t size, Mapping* out, size_t capacity)
{
    size_t count = 0;
    const char* end = text + size;
    const char* line = text;
    while (line < end && count < capacity) {
        const char* lineEnd = line;
        while (lineEnd < end && *lineEnd != '\n')
            ++lineEnd;
        Mapping mapping;
        if (parseLine(line, lineEnd, mapping))
            out[count++] = mapping;
        line = lineEnd + 1;
    }
    return count;
}

const Mapping* findMapping(const Mapping* mappings, size_t count, uint64_t address)
{
    for (size_t i = 0; i < count; ++i) {
        if (mappings[i].contains(address))
            return &mappings[i];
    }
    return nullptr;
}

} // namespace MovraPlatform

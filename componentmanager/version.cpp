#include "componentmanager/version.h"

namespace MovraComponents {

std::optional<Version> Version::parse(std::string_view text)
{
    Version v;
    size_t part = 0;
    size_t i = 0;
    if (text.empty() || text.size() > 64)
        return std::nullopt;
    while (true) {
        if (part == v.m_parts.size())
            return std::nullopt;
        size_t digits = 0;
        unsigned long value = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            if (++digits > 9)
                return std::nullopt;
            value = value * 10 + static_cast<unsigned long>(text[i] - '0');
            ++i;
        }
        if (digits == 0)
            return std::nullopt;
        v.m_parts[part++] = value;
        if (i == text.size())
            break;
        if (text[i] != '.')
            return std::nullopt;
        ++i;
    }
    v.m_text = std::string(text);
    return v;
}

int Version::compare(const Version& other) const
{
    for (size_t i = 0; i < m_parts.size(); ++i) {
        if (m_parts[i] != other.m_parts[i])
            return m_parts[i] < other.m_parts[i] ? -1 : 1;
    }
    return 0;
}

} // namespace MovraComponents

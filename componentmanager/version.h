#pragma once
// Component versions: one to four dot-separated decimal numbers ("3.1", "3.1.0.12").
// Missing trailing parts count as 0, so "3.1" and "3.1.0" are the same version.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace MovraComponents {

class Version
{
public:
    Version() = default;
    static std::optional<Version> parse(std::string_view text);

    int compare(const Version& other) const;
    bool operator<(const Version& o) const { return compare(o) < 0; }
    bool operator==(const Version& o) const { return compare(o) == 0; }
    bool operator!=(const Version& o) const { return compare(o) != 0; }
    bool operator>=(const Version& o) const { return compare(o) >= 0; }
    bool operator>(const Version& o) const { return compare(o) > 0; }

    const std::string& text() const { return m_text; }

private:
    std::array<unsigned long, 4> m_parts{};
    std::string m_text;
};

} // namespace MovraComponents

#pragma once
// A text held as UTF-8, with its UTF-16 form computed on demand.

#include <cstddef>
#include <string>

class Utf8String
{
public:
    Utf8String() = default;
    Utf8String(const char* text);
    Utf8String(const std::string& text);

    const std::string& utf8() const { return m_utf8; }
    const char* c_str() const { return m_utf8.c_str(); }
    bool empty() const { return m_utf8.empty(); }

    // Recomputed on every call; the pointer stays valid until the next call or a change.
    const char16_t* wide();
    // Code points, not bytes.
    std::size_t length() const;

    bool operator==(const char* literal) const;
    bool operator!=(const char* literal) const { return !(*this == literal); }

    Utf8String& operator+=(const std::string& text);

private:
    std::string m_utf8;
    std::u16string m_wide;
};

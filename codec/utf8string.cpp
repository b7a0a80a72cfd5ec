#include "codec/utf8string.h"

#include <utf8.h>

#include <cstring>
#include <iterator>

namespace {

// Every text this type holds is well-formed, so the conversions below never throw on a
// worker thread where nothing would catch it; a broken sequence shows as U+FFFD.
std::string wellFormed(const std::string& text)
{
    if (utf8::is_valid(text.begin(), text.end()))
        return text;
    std::string fixed;
    utf8::replace_invalid(text.begin(), text.end(), std::back_inserter(fixed));
    return fixed;
}

} // namespace

Utf8String::Utf8String(const char* text) : m_utf8(wellFormed(text ? std::string(text) : std::string())) {}

Utf8String::Utf8String(const std::string& text) : m_utf8(wellFormed(text)) {}

const char16_t* Utf8String::wide()
{
    m_wide.clear();
    utf8::utf8to16(m_utf8.begin(), m_utf8.end(), std::back_inserter(m_wide));
    return m_wide.c_str();
}

std::size_t Utf8String::length() const
{
    return static_cast<std::size_t>(utf8::distance(m_utf8.begin(), m_utf8.end()));
}

bool Utf8String::operator==(const char* literal) const
{
    return literal && m_utf8 == literal;
}

Utf8String& Utf8String::operator+=(const std::string& text)
{
    m_utf8 += wellFormed(text);
    return *this;
}

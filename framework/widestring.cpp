#include "framework/widestring.h"

#include <vector>

namespace MSE {

namespace {
constexpr uint32_t kEscapeBase = 0xDC00; // U+DC80..U+DCFF stand for the bytes 0x80..0xFF

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the valid UTF-8 sequence at p (at most left bytes) and its code point; 0 if invalid.
std::size_t decodeOne(const unsigned char* p, std::size_t left, uint32_t& codePoint)
{
    const unsigned char c = p[0];
    std::size_t length;
    uint32_t min;
    if (c < 0x80) {
        codePoint = c;
        return 1;
    } else if ((c & 0xE0) == 0xC0) {
        length = 2, min = 0x80, codePoint = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        length = 3, min = 0x800, codePoint = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        length = 4, min = 0x10000, codePoint = c & 0x07;
    } else {
        return 0;
    }
    if (length > left)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if (!isContinuation(p[i]))
            return 0;
        codePoint = (codePoint << 6) | (p[i] & 0x3F);
    }
    if (codePoint < min || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}
} // namespace

std::string toUtf8(const wchar_t* text, std::size_t length)
{
    std::string out;
    out.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        const uint32_t cp = static_cast<uint32_t>(text[i]);
        if (cp >= kEscapeBase + 0x80 && cp <= kEscapeBase + 0xFF)
            out += static_cast<char>(cp - kEscapeBase);
        else
            appendUtf8(out, cp);
    }
    return out;
}

std::string toUtf8(const movra_string<wchar_t>& text) { return toUtf8(text.c_str(), text.length()); }

movra_string<wchar_t> fromUtf8(const char* text, std::size_t length)
{
    std::vector<wchar_t> wide;
    wide.reserve(length);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    std::size_t i = 0;
    while (i < length) {
        uint32_t cp = 0;
        const std::size_t n = decodeOne(p + i, length - i, cp);
        if (n == 0) {
            wide.push_back(static_cast<wchar_t>(kEscapeBase + p[i]));
            ++i;
        } else {
            wide.push_back(static_cast<wchar_t>(cp));
            i += n;
        }
    }
    return movra_string<wchar_t>(wide.data(), wide.size());
}

movra_string<wchar_t> fromUtf8(const std::string& text) { return fromUtf8(text.data(), text.size()); }

} // namespace MSE

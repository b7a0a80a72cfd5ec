#include "framework/widestring.h"

#include <utf8.h>

#include <vector>

namespace MSE {

namespace {
// Bytes that are not UTF-8 (a file name is only bytes on Linux) become U+DC80..U+DCFF and go
// back to the same bytes, so such a path still names its file. See docs/text-encoding.md.
constexpr uint32_t kEscapeBase = 0xDC00;
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
    // A code point takes at least one byte; names and paths fit the buffer on the stack.
    wchar_t onStack[512];
    std::vector<wchar_t> onHeap;
    wchar_t* wide = onStack;
    if (length > sizeof(onStack) / sizeof(onStack[0])) {
        onHeap.resize(length);
        wide = onHeap.data();
    }
    std::size_t count = 0;
    const char* p = text;
    const char* const end = text + length;
    while (p != end) {
        const char* const invalid = utf8::find_invalid(p, end);
        while (p != invalid)
            wide[count++] = static_cast<wchar_t>(utf8::unchecked::next(p));
        if (p != end)
            wide[count++] = static_cast<wchar_t>(kEscapeBase + static_cast<unsigned char>(*p++));
    }
    return movra_string<wchar_t>(wide, count);
}

movra_string<wchar_t> fromUtf8(const std::string& text) { return fromUtf8(text.data(), text.size()); }

} // namespace MSE

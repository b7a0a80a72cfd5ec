#include "settings/stringconversion.h"

#include <utf8.h>

#include <algorithm>
#include <iterator>

namespace mvds {

// Text that is not well-formed, either way, is refused as a whole (an empty result): a
// setting is stored and read back exactly or not at all. See docs/text-encoding.md.

std::u16string toWide(const std::string& utf8)
{
    std::u16string out;
    if (utf8::find_invalid(utf8.begin(), utf8.end()) != utf8.end())
        return out;
    out.reserve(utf8.size());
    utf8::unchecked::utf8to16(utf8.begin(), utf8.end(), std::back_inserter(out));
    return out;
}

namespace {

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

bool isWellFormed(const std::u16string& utf16)
{
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        if (isHighSurrogate(utf16[i]) && i + 1 < utf16.size() && isLowSurrogate(utf16[i + 1]))
            ++i;
        else if (isHighSurrogate(utf16[i]) || isLowSurrogate(utf16[i]))
            return false;
    }
    return true;
}

} // namespace

std::string toUtf8(const std::u16string& utf16)
{
    std::string out;
    if (!isWellFormed(utf16))
        return out;
    out.reserve(utf16.size() * 3);
    utf8::unchecked::utf16to8(utf16.begin(), utf16.end(), std::back_inserter(out));
    return out;
}

} // namespace mvds

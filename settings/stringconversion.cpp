#include "settings/stringconversion.h"

#include <cstdint>

namespace mvds {

namespace {

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

} // namespace

std::u16string toWide(const std::string& utf8)
{
    std::u16string out;
    if (utf8.empty())
        return out;
    out.reserve(utf8.size());

    const std::size_t size = utf8.size();
    std::size_t i = 0;
    while (i < size) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            out.push_back(lead);
            ++i;
            continue;
        }
        std::size_t length;
        char32_t codePoint;
        // The first continuation byte's range rules out overlong forms, surrogates and
        // code points above U+10FFFF in one check.
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            codePoint = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            codePoint = lead & 0x0F;
            if (lead == 0xE0)
                low = 0xA0;
            else if (lead == 0xED)
                high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            codePoint = lead & 0x07;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F;
        } else {
            return {};
        }
        if (size - i < length)
            return {};
        const unsigned char first = static_cast<unsigned char>(utf8[i + 1]);
        if (first < low || first > high)
            return {};
        for (std::size_t k = 1; k < length; ++k) {
            const unsigned char byte = static_cast<unsigned char>(utf8[i + k]);
            if (!isContinuation(byte))
                return {};
            codePoint = (codePoint << 6) | (byte & 0x3F);
        }
        if (codePoint >= 0x10000) {
            codePoint -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(codePoint));
        }
        i += length;
    }
    return out;
}

std::string toUtf8(const std::u16string& utf16)
{
    std::string out;
    out.reserve(utf16.size() * 3);
    const std::size_t size = utf16.size();
    for (std::size_t i = 0; i < size; ++i) {
        char32_t unit = utf16[i];
        if (unit < 0x80) {
            out.push_back(static_cast<char>(unit));
        } else if (unit < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (unit >> 6)));
            out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
        } else if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < size && utf16[i + 1] >= 0xDC00
                   && utf16[i + 1] <= 0xDFFF) {
            const char32_t codePoint = 0x10000 + ((unit - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
            out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
            ++i;
        } else {
            if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 == size)
                return {};
            out.push_back(static_cast<char>(0xE0 | (unit >> 12)));
            out.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
        }
    }
    return out;
}

} // namespace mvds

#pragma once
// The store's conversions between UTF-8 and UTF-16. Both are strict where the registry
// could otherwise receive a mangled name: malformed input gives an empty result, which
// every name-taking operation then refuses.

#include <string>

namespace mvds {

// Malformed UTF-8 (stray continuation byte, lead byte above F4, overlong form, encoded
// surrogate, code point above U+10FFFF, sequence cut off by the end) gives "".
std::u16string toWide(const std::string& utf8);

// Surrogate pairs become four-byte sequences; an unpaired surrogate is encoded on its own
// as three bytes, except a high surrogate in the last position, which gives "".
std::string toUtf8(const std::u16string& utf16);

} // namespace mvds

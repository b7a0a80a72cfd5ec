// The UTF-8/UTF-16 conversions of the settings store and the plug-in framework, each held to
// its policy (docs/text-encoding.md): the store converts well-formed text exactly and refuses
// anything else as a whole; the framework hands back every byte it was given.

#include "framework/widestring.h"
#include "fuzzcheck.h"
#include "settings/stringconversion.h"

#include <utf8.h>

#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const bool wellFormed = utf8::is_valid(bytes.begin(), bytes.end());

    const std::u16string wide = mvds::toWide(bytes);
    FUZZ_CHECK(wide.empty() == (bytes.empty() || !wellFormed));
    if (wellFormed)
        FUZZ_CHECK(mvds::toUtf8(wide) == bytes);

    FUZZ_CHECK(MSE::toUtf8(MSE::fromUtf8(bytes)) == bytes);

    // The same bytes as UTF-16 code units, as a registry value may hold them.
    std::u16string units(size / 2, u'\0');
    if (!units.empty())
        std::memcpy(&units[0], data, units.size() * 2);
    const std::string narrow = mvds::toUtf8(units);
    if (!narrow.empty()) {
        FUZZ_CHECK(utf8::is_valid(narrow.begin(), narrow.end()));
        FUZZ_CHECK(mvds::toWide(narrow) == units);
    }
    return 0;
}

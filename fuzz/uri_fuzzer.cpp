// Addresses as the component-manager record and callers hand them over, cut into scheme,
// host, port, path, extension and query. Every part is whole code points of the text; the
// query is the text from its first "?"; the extension holds no "."; and where no "?" comes
// into play the parts join back into exactly the text.

#include "codec/uri.h"
#include "fuzzcheck.h"

#include <utf8.h>

#include <cstdint>
#include <string>

namespace {

bool endsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    // The texts that reach an address are the settings store's, always well-formed.
    if (!utf8::is_valid(text.begin(), text.end()))
        return 0;
    const Uri uri{Utf8String(text)};
    const std::string* parts[] = {&uri.scheme.utf8(), &uri.host.utf8(), &uri.port.utf8(),
                                  &uri.path.utf8(),   &uri.extension.utf8(), &uri.query.utf8()};
    for (const std::string* part : parts) {
        FUZZ_CHECK(utf8::is_valid(part->begin(), part->end()));
        FUZZ_CHECK(text.find(*part) != std::string::npos);
    }

    const std::string& query = uri.query.utf8();
    const size_t mark = text.find('?');
    FUZZ_CHECK(query.empty() == (mark == std::string::npos));
    if (!query.empty())
        FUZZ_CHECK(query == text.substr(mark));

    const std::string& extension = uri.extension.utf8();
    FUZZ_CHECK(extension.find('.') == std::string::npos);
    if (!extension.empty())
        FUZZ_CHECK(endsWith(uri.path.utf8(), "." + extension));

    FUZZ_CHECK(uri.isEmpty() == (uri.scheme.empty() && uri.host.empty() && uri.path.empty()));
    FUZZ_CHECK(uri.localPath().utf8() == (uri.scheme == "file" ? uri.path.utf8() : std::string()));

    if (mark == std::string::npos && !text.empty()) {
        // The scheme's "://" is there whenever the first ":" starts it, even before an empty scheme.
        const size_t colon = text.find(':');
        const bool hasScheme = colon != std::string::npos && text.compare(colon, 3, "://") == 0;
        FUZZ_CHECK(hasScheme || uri.scheme.empty());
        const std::string scheme = hasScheme ? uri.scheme.utf8() + "://" : std::string();
        if (uri.scheme == "file") {
            FUZZ_CHECK(scheme + uri.path.utf8() == text);
        } else {
            const std::string plain = scheme + uri.host.utf8() + uri.port.utf8() + uri.path.utf8();
            const std::string withColon = scheme + uri.host.utf8() + ":" + uri.port.utf8() + uri.path.utf8();
            FUZZ_CHECK(withColon == text || (uri.port.empty() && plain == text));
        }
    }
    return 0;
}

#pragma once
// Library error texts as std::string. libarchive answers null where a failure set no
// message (some damaged gzip streams do), and a null char* must never reach std::string.

#include <archive.h>
#include <curl/curl.h>

#include <string>

namespace MovraComponents {

inline std::string orUnknown(const char* text)
{
    return text && *text ? std::string(text) : std::string("unknown error");
}

inline std::string archiveErrorText(archive* a)
{
    return orUnknown(a ? archive_error_string(a) : nullptr);
}

inline std::string curlErrorText(CURLcode code)
{
    return orUnknown(curl_easy_strerror(code));
}

} // namespace MovraComponents

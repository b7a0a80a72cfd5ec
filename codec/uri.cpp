#include "codec/uri.h"

namespace {

// A range whose end lies before its start is empty.
std::string cut(const std::string& text, std::size_t begin, std::size_t end)
{
    if (begin == std::string::npos || end <= begin || begin >= text.size())
        return std::string();
    return text.substr(begin, end - begin);
}

} // namespace

Uri::Uri(const Utf8String& text)
{
    parse(text.utf8());
}

bool Uri::isEmpty() const
{
    return scheme.empty() && host.empty() && path.empty();
}

Utf8String Uri::localPath() const
{
    return scheme == "file" ? path : Utf8String();
}

// Every character searched for is ASCII, and in well-formed UTF-8 an ASCII byte is never part
// of a longer sequence, so byte offsets found here always fall between code points.
void Uri::parse(const std::string& text)
{
    if (text.empty())
        return;
    *this = Uri();

    const std::size_t mark = text.find('?');
    const std::size_t queryMark = mark == std::string::npos ? text.size() : mark;

    std::size_t rest = 0;
    const std::size_t colon = text.find(':');
    if (colon != std::string::npos && text.compare(colon + 1, 2, "//") == 0) {
        scheme = cut(text, 0, colon);
        rest = colon + 3;
    }

    std::size_t pathStart = std::string::npos;
    if (scheme == "file") {
        pathStart = rest;
    } else {
        const std::size_t slash = text.find('/', rest);
        std::size_t authorityEnd = queryMark;
        if (slash != std::string::npos && slash < queryMark) {
            pathStart = slash;
            authorityEnd = slash;
        }
        const std::string authority = cut(text, rest, authorityEnd);
        const std::size_t portMark = authority.find(':');
        if (portMark == std::string::npos) {
            host = authority;
        } else {
            host = authority.substr(0, portMark);
            port = authority.substr(portMark + 1);
        }
    }

    path = cut(text, pathStart, queryMark);
    const std::size_t dot = path.utf8().rfind('.');
    if (dot != std::string::npos)
        extension = path.utf8().substr(dot + 1);
    if (mark != std::string::npos)
        query = text.substr(mark);
}

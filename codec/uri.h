#pragma once
// An address cut into its parts: scheme://host:port/path.extension?query.

#include "codec/utf8string.h"

class Uri
{
public:
    Uri() = default;
    explicit Uri(const Utf8String& text);

    // No scheme, host or path; port, extension and query do not count.
    bool isEmpty() const;
    // The path of a "file" address; empty for any other scheme.
    Utf8String localPath() const;

    Utf8String scheme;
    Utf8String host;
    Utf8String port;
    Utf8String path;
    Utf8String extension;
    Utf8String query;

private:
    void parse(const std::string& text);
};

#pragma once

#include <dlfcn.h>

#include <string>

namespace MovraPlatform {

// The folder, with a trailing "/", of the loaded library that holds `address` (pass a function
// of the calling library); empty when unknown. Only an absolute path names the folder for
// sure: a relative one depends on the working directory, which must never decide what code
// we load.
inline std::string folderOfLibraryHolding(const void* address)
{
    Dl_info info;
    if (!dladdr(address, &info) || !info.dli_fname)
        return std::string();
    const std::string path(info.dli_fname);
    const std::size_t slash = path.rfind('/');
    if (path.empty() || path[0] != '/' || slash == std::string::npos)
        return std::string();
    return path.substr(0, slash + 1);
}

} // namespace MovraPlatform

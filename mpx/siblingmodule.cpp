#include "mpx/siblingmodule_p.h"

#include "platform/libraryfolder.h"

#include <dlfcn.h>

namespace MovraPlayerX {

namespace {

// The folder of the library this code is part of, with a trailing "/"; empty when unknown.
std::string ownFolder()
{
    return MovraPlatform::folderOfLibraryHolding(reinterpret_cast<const void*>(&ownFolder));
}

} // namespace

void* siblingModuleEntryPoint(const char* module, const char* entryPoint, const char* unavailable,
                              std::string& path)
{
    const std::string folder = ownFolder();
    path = folder + module;
    void* handle = folder.empty() ? nullptr : dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        qCWarning(lcMpx) << unavailable << path.c_str() << (reason ? reason : "the library's folder is unknown");
        return nullptr;
    }
    void* entry = dlsym(handle, entryPoint);
    if (!entry)
        qCWarning(lcMpx) << unavailable << path.c_str() << "has no entry point";
    return entry;
}

} // namespace MovraPlayerX

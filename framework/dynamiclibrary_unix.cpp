#include "framework/dynamiclibrary_p.h"

#include <dlfcn.h>

namespace MSE {
namespace dynamiclibrary {

void* load(const std::string& path, std::string& error)
{
    // A name without a slash would send dlopen through the search path.
    if (path.find('/') == std::string::npos) {
        error = path + ": not a path";
        return nullptr;
    }
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* reason = dlerror();
        error = reason ? reason : "unknown error";
    }
    return module;
}

void* resolve(void* module, const char* symbol) { return dlsym(module, symbol); }

void unload(void* module) { dlclose(module); }

} // namespace dynamiclibrary
} // namespace MSE

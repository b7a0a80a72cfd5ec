#include "framework/dynamiclibrary_p.h"

#include <cxxabi.h>
#include <dlfcn.h>

#include <cstdlib>
#include <memory>

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

std::string undefinedSymbol(const std::string& error)
{
    static const char kMarker[] = "undefined symbol: ";
    const std::size_t at = error.find(kMarker);
    if (at == std::string::npos)
        return std::string();
    const std::size_t start = at + sizeof(kMarker) - 1;
    // glibc may follow the name with a version: "name, version GLIBC_2.34" or "name (file)".
    const std::size_t end = error.find_first_of(" ,(\n", start);
    return error.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string demangle(const std::string& symbol)
{
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> readable(abi::__cxa_demangle(symbol.c_str(), nullptr, nullptr, &status),
                                                   std::free);
    return status == 0 && readable ? std::string(readable.get()) : symbol;
}

} // namespace dynamiclibrary
} // namespace MSE

#pragma once
// Loading plug-in libraries: dlopen by absolute path, never through the search path.

#include <string>

namespace MSE {
namespace dynamiclibrary {

// A module handle or null; on failure error holds the system's reason.
void* load(const std::string& path, std::string& error);
void* resolve(void* module, const char* symbol);
void unload(void* module);

// The symbol a load error says is undefined ("undefined symbol: NAME"), or empty.
std::string undefinedSymbol(const std::string& error);
// A C++ symbol in source form ("ns::f(int)"); other names come back unchanged.
std::string demangle(const std::string& symbol);

} // namespace dynamiclibrary
} // namespace MSE

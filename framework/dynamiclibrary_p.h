#pragma once
// Loading plug-in libraries: dlopen by absolute path, never through the search path.

#include <string>

namespace MSE {
namespace dynamiclibrary {

// A module handle or null; on failure error holds the system's reason.
void* load(const std::string& path, std::string& error);
void* resolve(void* module, const char* symbol);
void unload(void* module);

} // namespace dynamiclibrary
} // namespace MSE

#pragma once
// Modules that MPXLibrary loads on first use from its own folder, so that a run which never
// needs them never maps the libraries behind them (GIO for associations, QtNetwork for hints).
#include "mpx/mpxlogging_p.h"

#include <string>

namespace MovraPlayerX {

// Loads `module` from MPXLibrary's folder and returns the address of its function
// `entryPoint`; `path` receives the module's path. Null, with one warning that starts with
// `unavailable`, when the folder is unknown, the module cannot be loaded or it has no such
// function. A loaded module stays loaded for the rest of the run.
void* siblingModuleEntryPoint(const char* module, const char* entryPoint, const char* unavailable,
                              std::string& path);

// The table of functions a sibling module's entry point (no arguments, returning a pointer
// to `Functions`) gives; null, with one warning, when there is none.
template <typename Functions>
const Functions* loadSiblingModule(const char* module, const char* entryPoint, const char* unavailable)
{
    std::string path;
    using EntryPoint = const Functions* (*)();
    const auto entry = reinterpret_cast<EntryPoint>(siblingModuleEntryPoint(module, entryPoint, unavailable, path));
    if (!entry)
        return nullptr;
    const Functions* functions = entry();
    if (!functions)
        qCWarning(lcMpx) << unavailable << path.c_str() << "has no entry point";
    return functions;
}

} // namespace MovraPlayerX

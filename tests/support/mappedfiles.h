#pragma once
// Whether a library is loaded: the process's own memory map, not the loader's word for it.

#include <string>

namespace MovraTest {

// Whether a file whose path ends in `pathSuffix` ("/Alpha.so", "MovraComponentManager.so")
// is mapped into this process.
bool isMapped(const std::string& pathSuffix);

} // namespace MovraTest

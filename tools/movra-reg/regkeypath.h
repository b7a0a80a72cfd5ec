#pragma once
// Key paths as the command line and registry files write them: a root name (short or
// long form, any case) and an optional sub-key, e.g. "HKCU\Software\Movra".

#include "platform/registry.h"

#include <string>

namespace MovraReg {

struct RegKeyPath
{
    MovraRegistry::HKEY root = nullptr;
    std::u16string rootName; // the long form, as exports write it
    std::u16string subKey;   // without leading or trailing backslashes

    std::u16string full() const { return subKey.empty() ? rootName : rootName + u'\\' + subKey; }
};

bool parseKeyPath(const std::u16string& text, RegKeyPath* path);

} // namespace MovraReg

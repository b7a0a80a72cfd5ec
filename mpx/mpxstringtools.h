#pragma once
#include "mpx/mpxglobal.h"

#include <QString>
#include <string>

namespace MovraPlayerX {

// Lossless conversion between QString and UTF-8 std::string, both ways: every QString,
// unpaired surrogates aside, comes back unchanged, and embedded NULs survive.
class MPX_EXPORT MPXStringTools
{
public:
    static std::string toStdStringUTF8(const QString& text);
    static QString fromStdStringUTF8(const std::string& text);
};

} // namespace MovraPlayerX

#pragma once
#include "mpx/mpxglobal.h"

#include <string>

namespace MovraPlayerX {

class MPX_EXPORT OSUtilities
{
public:
    // Identity of this program; the application settings live under Settings\<id>.
    static std::string getComponentIdUTF8();
};

} // namespace MovraPlayerX

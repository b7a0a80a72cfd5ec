#include "mpx/osutilities.h"

namespace MovraPlayerX {

std::string OSUtilities::getComponentIdUTF8()
{
    return "Player";
}

} // namespace MovraPlayerX

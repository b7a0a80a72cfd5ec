#include "support/mappedfiles.h"

#include <fstream>

namespace MovraTest {

bool isMapped(const std::string& pathSuffix)
{
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        if (line.size() >= pathSuffix.size()
            && line.compare(line.size() - pathSuffix.size(), pathSuffix.size(), pathSuffix) == 0)
            return true;
    }
    return false;
}

} // namespace MovraTest

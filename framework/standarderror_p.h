#pragma once
// The loader's and discovery's messages go to the process's standard error through C's
// stream rather than std::cerr: the bytes and their order among other output are the same,
// and the framework does not pull in iostreams' start-up, which touches every locale facet
// of the C++ library in every process that loads us (about 300 kB resident).

#include <cstdio>
#include <string>

namespace MSE {

inline void writeToStandardError(const std::string& text)
{
    if (text.empty())
        return;
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

} // namespace MSE

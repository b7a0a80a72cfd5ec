// A player's discovery, repeated: prints the summary of each discovery of the folder, each
// followed by a line "--". With "churn" the folder's cache file is removed before each one,
// so that the cache is rewritten while other processes read it.
//   catalogue_helper FOLDER ROUNDS [churn]

#include "framework/cataloguecache.h"
#include "support/catalogue.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    const std::string folder = argv[1];
    const int rounds = std::atoi(argv[2]);
    const bool churn = argc > 3 && std::strcmp(argv[3], "churn") == 0;
    for (int i = 0; i < rounds; ++i) {
        if (churn)
            ::unlink(MSE::CatalogueCache::pathFor(folder + "/").c_str());
        std::cout << fwtest::discoverySummary(folder) << "--\n";
    }
    return 0;
}

// Discovery cost per additional plug-in: the slope between discovering a folder of 100 and
// one of 1,000 trivial plug-ins, each time with a new farm, interleaved. The second and
// later discoveries of a folder are what every start after the first sees.

#include "common/figures.h"
#include "framework/farm.h"
#include "framework/widestring.h"
#include "startup/pluginfolder.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>

#include <malloc.h>
#include <sched.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace MovraBench;

namespace {

double processorSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// Seconds of one discovery: by the clock, or (`processorTime`) the processor time of the
// whole process, which a machine shared with other work leaves nearly as it is.
double discover(const MSE::movra_string<wchar_t>& folder, uint32_t expected, bool processorTime = false)
{
    auto* farm = new MSE::Farm;
    const double start = processorTime ? processorSeconds() : seconds();
    const int result = farm->discoverPlugins(folder);
    const double elapsed = (processorTime ? processorSeconds() : seconds()) - start;
    if (result != 0 || farm->pluginInfos.size() != expected) {
        std::cerr << "discovery failed" << std::endl;
        std::exit(1);
    }
    delete farm;
    // A start discovers into a fresh heap: the blocks the farm just freed are handed back
    // here, untimed, instead of being tidied up inside the next sample's allocations.
    malloc_trim(0);
    return elapsed;
}

} // namespace

int main()
{
    char pattern[] = "/tmp/movra-discovery-bench-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    const fs::path root = pattern;
    setenv("XDG_CACHE_HOME", (root / "cache").c_str(), 1);
    unsetenv("MSE_LOG");
    makePluginFolder(root / "p100", 100, false);
    makePluginFolder(root / "p1000", 1000, false);
    const auto folder100 = MSE::fromUtf8((root / "p100").string());
    const auto folder1000 = MSE::fromUtf8((root / "p1000").string());

    // Files younger than a second are never served from the catalogue cache.
    usleep(1100000);
    static MSE::Farm* const anchor = new MSE::Farm; // keeps the cleaner running between farms
    (void)anchor;
    Samples cold100, cold1000;
    cold100.add(discover(folder100, 100));
    cold1000.add(discover(folder1000, 1000));

    Samples small, large;
    const int n = rounds(40);
    for (int i = 0; i < n; ++i) {
        small.add(discover(folder100, 100));
        large.add(discover(folder1000, 1000));
    }
    const double slope = (large.median() - small.median()) / 900;
    const double slopeOfMins = (large.min() - small.min()) / 900;

    // Large folders are worked out on every processor; the same slope on one processor
    // shows what that is worth and what a single-core machine sees.
    double oneProcessor = -1;
    double oneProcessorTime = -1;
    cpu_set_t all;
    if (sched_getaffinity(0, sizeof all, &all) == 0) {
        cpu_set_t one;
        CPU_ZERO(&one);
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
            if (CPU_ISSET(cpu, &all)) {
                CPU_SET(cpu, &one);
                break;
            }
        }
        if (sched_setaffinity(0, sizeof one, &one) == 0) {
            Samples small1, large1;
            for (int i = 0; i < n / 2 + 1; ++i) {
                small1.add(discover(folder100, 100));
                large1.add(discover(folder1000, 1000));
            }
            oneProcessor = (large1.median() - small1.median()) / 900;
            Samples small2, large2;
            for (int i = 0; i < n / 2 + 1; ++i) {
                small2.add(discover(folder100, 100, true));
                large2.add(discover(folder1000, 1000, true));
            }
            oneProcessorTime = (large2.median() - small2.median()) / 900;
            sched_setaffinity(0, sizeof all, &all);
        }
    }
    // The target is the one-processor slope; the earlier one was the slope on every processor.
    printFigure("P2", "discovery cost per additional plug-in (slope 100 -> 1,000)", format("%.2f us", slope * 1e6),
                "<= 5 us on one processor; earlier <= 2.5 us",
                (oneProcessor < 0 ? std::string("one processor not measured")
                                  : "one processor " + format("%+.0f%%", (oneProcessor / 5e-6 - 1) * 100) + " from 5 us")
                    + ", all " + format("%+.0f%%", (slope / 2.5e-6 - 1) * 100) + " from 2.5 us; slope of mins " + format("%.2f us", slopeOfMins * 1e6) + "; on one processor "
                    + (oneProcessor < 0 ? std::string("not measured")
                                        : format("%.2f us", oneProcessor * 1e6) + " (processor time "
                                              + format("%.2f us", oneProcessorTime * 1e6) + ")")
                    + "; 100: " + spread(small, 1e3, "ms")
                    + "; 1,000: " + spread(large, 1e3, "ms") + "; first discovery 100: "
                    + format("%.3g ms", cold100.min() * 1e3) + ", 1,000: " + format("%.3g ms", cold1000.min() * 1e3)
                    + "; " + std::to_string(n) + " rounds");
    fs::remove_all(root);
    return 0;
}

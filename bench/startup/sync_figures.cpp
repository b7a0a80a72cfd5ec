// How often a start waits for the disk: the fsync, fdatasync and syncfs calls of the player
// and every process it starts, counted by a preloaded library, on a first start (fresh
// registry, configuration, data and cache folders) and on the starts after it.
//   SYNC1  syncs of a first start
//   SYNC1W the same with the shipped main window, which opens its settings and saves them at
//          close
//   SYNC2  syncs of a later start of the shipped main window that opens nothing and quits
//          (the most of three)
//   SYNC2P the same with the plain view of the start-up figures instead

#include "common/figures.h"
#include "pluginfolder.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;
using namespace MovraBench;

namespace {

// The calls of one start by name, from the counter's log.
std::map<std::string, int> countedSyncs(const fs::path& log)
{
    std::map<std::string, int> counts;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);)
        ++counts[line];
    fs::remove(log);
    return counts;
}

int total(const std::map<std::string, int>& counts)
{
    int sum = 0;
    for (const auto& [name, count] : counts)
        sum += count;
    return sum;
}

std::string detail(const std::map<std::string, int>& counts)
{
    std::string text;
    for (const auto& [name, count] : counts)
        text += (text.empty() ? "" : ", ") + name + " " + std::to_string(count);
    return text.empty() ? std::string("none") : text;
}

} // namespace

int main()
{
    char pattern[] = "/tmp/movra-sync-bench-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    const fs::path root = pattern;
    const fs::path app = root / "app";
    fs::create_directories(app);
    for (const fs::directory_entry& entry : fs::directory_iterator(MOVRA_APP_DIR)) {
        const std::string file = entry.path().filename().string();
        if (file != "MPXPlugins" && file != "MSEPlugins")
            fs::copy(entry.path(), app / file, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    }
    makePluginFolder(app / "MPXPlugins", 100, true);
    const fs::path log = root / "syncs.log";

    const char* platform = std::getenv("MOVRA_BENCH_PLATFORM");
    Environment environment({
        "QT_QPA_PLATFORM=" + std::string(platform ? platform : "offscreen"),
        "MOVRA_REGISTRY_DIR=" + (root / "registry").string(),
        "XDG_CONFIG_HOME=" + (root / "config").string(),
        "XDG_CACHE_HOME=" + (root / "cache").string(),
        "XDG_DATA_HOME=" + (root / "data").string(),
        "MSE_LOG=",
        "LD_PRELOAD=" BENCH_SYNC_COUNTER,
        "MOVRA_BENCH_SYNC_LOG=" + log.string(),
    });
    const std::vector<std::string> player = {(app / "movra-player").string()};

    if (run(player, environment.get()) != 0) {
        std::cerr << "the first start failed" << std::endl;
        return 1;
    }
    const auto first = countedSyncs(log);
    int later = 0;
    std::map<std::string, int> worst;
    for (int i = 0; i < 3; ++i) {
        if (run(player, environment.get()) != 0) {
            std::cerr << "a later start failed" << std::endl;
            return 1;
        }
        const auto counts = countedSyncs(log);
        if (i == 0 || total(counts) > later) {
            later = total(counts);
            worst = counts;
        }
    }
    // The shipped main window, in a folder of its own, started once to make its roots and
    // then timed on the starts after that.
    const fs::path shipped = root / "shipped";
    fs::create_directories(shipped / "app");
    fs::copy(MOVRA_APP_DIR, shipped / "app", fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    Environment shippedEnvironment({
        "QT_QPA_PLATFORM=" + std::string(platform ? platform : "offscreen"),
        "MOVRA_REGISTRY_DIR=" + (shipped / "registry").string(),
        "XDG_CONFIG_HOME=" + (shipped / "config").string(),
        "XDG_CACHE_HOME=" + (shipped / "cache").string(),
        "XDG_DATA_HOME=" + (shipped / "data").string(),
        "MSE_LOG=",
        "MOVRA_DEMO_QUIT_AFTER_MS=300",
        "LD_PRELOAD=" BENCH_SYNC_COUNTER,
        "MOVRA_BENCH_SYNC_LOG=" + log.string(),
    });
    const std::vector<std::string> shippedPlayer = {(shipped / "app" / "movra-player").string()};
    int shippedLater = 0;
    std::map<std::string, int> shippedFirst;
    std::map<std::string, int> shippedWorst;
    for (int i = 0; i < 4; ++i) {
        if (run(shippedPlayer, shippedEnvironment.get()) != 0) {
            std::cerr << "a start of the shipped main window failed" << std::endl;
            return 1;
        }
        const auto counts = countedSyncs(log);
        if (i == 0)
            shippedFirst = counts;
        if (i == 1 || (i > 1 && total(counts) > shippedLater)) {
            shippedLater = total(counts);
            shippedWorst = counts;
        }
    }

    printFigure("SYNC1", "syncs of a first start (registry, desktop files, MIME database)",
                std::to_string(total(first)), "<= 10",
                detail(first) + "; before batching: 744 (736 fdatasync, 8 fsync); 22 after the first batching, "
                                  "17 before the one rewrite of mimeapps.list and the log kept at exit");
    printFigure("SYNC1W", "syncs of a first start of the shipped main window, closed at once",
                std::to_string(total(shippedFirst)), "<= 10",
                detail(shippedFirst) + "; before: 14 (each settings key the window made on opening "
                                       "was a commit of its own), 11 while the window stored its unmoved "
                                       "geometry at close (a commit and its connection's directory sync)");
    printFigure("SYNC2P", "syncs of a later start with the plain view (most of three)", std::to_string(later), "<= 2",
                detail(worst) + "; before: 0");
    printFigure("SYNC2", "syncs of a later start of the shipped main window (most of three)",
                std::to_string(shippedLater), "<= 2",
                detail(shippedWorst) + "; before: 9 (one commit per setting saved at shut-down), "
                                         "6 while the exit copied the log back, 2 while the unmoved geometry was stored again");
    fs::remove_all(root);
    return 0;
}

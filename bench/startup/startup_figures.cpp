// Start-up and memory of the whole player against a bare Qt program that shows the same
// window and quits, both started as processes, interleaved:
//   P1    start-up with 100 plug-ins discovered (a plain view and 99 trivial ones)
//   P5    idle resident memory with the plain view
//   S1    start-up with 10,000 plug-ins
//   S4    memory per discovered plug-in (idle RSS with 10,000 minus with 100)
// The player runs from a private copy of the application folder with its own registry,
// configuration and cache folders; its plug-ins are generated for the run.

#include "common/figures.h"
#include "pluginfolder.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;
using namespace MovraBench;

namespace {

// A copy of the built application folder whose player plug-ins are `plugins` generated ones.
fs::path makeAppFolder(const fs::path& root, const std::string& name, int plugins)
{
    const fs::path app = root / name;
    fs::create_directories(app);
    for (const fs::directory_entry& entry : fs::directory_iterator(MOVRA_APP_DIR)) {
        const std::string file = entry.path().filename().string();
        if (file == "MPXPlugins" || file == "MSEPlugins")
            continue;
        fs::copy(entry.path(), app / file, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    }
    makePluginFolder(app / "MPXPlugins", plugins, true);
    return app;
}

struct Program
{
    std::vector<std::string> argv;
    Environment* environment;
};

double timedRun(const Program& program)
{
    const double start = seconds();
    if (run(program.argv, program.environment->get()) != 0) {
        std::cerr << "failed: " << program.argv[0] << std::endl;
        std::exit(1);
    }
    return seconds() - start;
}

double idleKilobytes(const Program& program)
{
    std::string output;
    if (run(program.argv, program.environment->get(), &output) != 0) {
        std::cerr << "failed: " << program.argv[0] << std::endl;
        std::exit(1);
    }
    const auto at = output.rfind("RSS ");
    if (at == std::string::npos) {
        std::cerr << "no RSS line from " << program.argv[0] << std::endl;
        std::exit(1);
    }
    return std::atof(output.c_str() + at + 4);
}

std::string ratio(double value) { return format("%.2fx", value); }

// How far a ratio is from the current and the earlier target, in percent of each target
// (negative: within it).
std::string distance(double value, double target, double earlier)
{
    return "distance to " + format("%.2fx", target) + " " + format("%+.0f%%", (value / target - 1) * 100) + ", to "
           + format("%.2fx", earlier) + " " + format("%+.0f%%", (value / earlier - 1) * 100);
}

} // namespace

int main()
{
    char pattern[] = "/tmp/movra-startup-bench-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    const fs::path root = pattern;
    const fs::path app100 = makeAppFolder(root, "app100", 100);
    const fs::path app10000 = makeAppFolder(root, "app10000", 10000);

    const char* platform = std::getenv("MOVRA_BENCH_PLATFORM");
    std::vector<std::string> common = {
        "QT_QPA_PLATFORM=" + std::string(platform ? platform : "offscreen"),
        "MOVRA_REGISTRY_DIR=" + (root / "registry").string(),
        "XDG_CONFIG_HOME=" + (root / "config").string(),
        "XDG_CACHE_HOME=" + (root / "cache").string(),
        "MSE_LOG=",
    };
    std::vector<std::string> idle = common;
    idle.push_back("MOVRA_BENCH_IDLE_MS=500");
    Environment quick(common);
    Environment idling(idle);

    const Program bare{{BENCH_BARE_PROGRAM}, &quick};
    const Program player100{{(app100 / "movra-player").string()}, &quick};
    const Program player10000{{(app10000 / "movra-player").string()}, &quick};

    // Files younger than a second are never served from the catalogue cache.
    usleep(1100000);
    // Warm-up: the page cache, the registry's first launch, the plug-in catalogues.
    for (int i = 0; i < 3; ++i) {
        timedRun(bare);
        timedRun(player100);
        timedRun(player10000);
    }

    Samples bareTimes, playerTimes;
    const int startRounds = rounds(40);
    for (int i = 0; i < startRounds; ++i) {
        if (i % 2) {
            bareTimes.add(timedRun(bare));
            playerTimes.add(timedRun(player100));
        } else {
            playerTimes.add(timedRun(player100));
            bareTimes.add(timedRun(bare));
        }
    }
    printFigure("P1", "start-up, 100 plug-ins, plain view / bare Qt program",
                ratio(playerTimes.median() / bareTimes.median()), "<= 1.25x; earlier <= 1.10x",
                distance(playerTimes.median() / bareTimes.median(), 1.25, 1.10) + "; player " + spread(playerTimes, 1e3, "ms") + "; bare " + spread(bareTimes, 1e3, "ms")
                    + "; ratio of mins " + ratio(playerTimes.min() / bareTimes.min()) + "; "
                    + std::to_string(startRounds) + " runs each");

    Samples bareIdle, playerIdle, player10000Idle;
    const Program bareIdling{{BENCH_BARE_PROGRAM}, &idling};
    const Program player100Idling{{(app100 / "movra-player").string()}, &idling};
    const Program player10000Idling{{(app10000 / "movra-player").string()}, &idling};
    const int idleRounds = rounds(5);
    for (int i = 0; i < idleRounds; ++i) {
        bareIdle.add(idleKilobytes(bareIdling));
        playerIdle.add(idleKilobytes(player100Idling));
        player10000Idle.add(idleKilobytes(player10000Idling));
    }
    printFigure("P5", "idle RSS, plain view / bare Qt program", ratio(playerIdle.median() / bareIdle.median()),
                "<= 1.20x; earlier <= 1.15x",
                distance(playerIdle.median() / bareIdle.median(), 1.20, 1.15) + "; player " + spread(playerIdle, 1, "kB") + "; bare " + spread(bareIdle, 1, "kB") + "; "
                    + std::to_string(idleRounds) + " runs each");

    Samples bareTimes2, scaleTimes;
    const int scaleRounds = rounds(10);
    for (int i = 0; i < scaleRounds; ++i) {
        scaleTimes.add(timedRun(player10000));
        bareTimes2.add(timedRun(bare));
    }
    printFigure("S1", "start-up, 10,000 plug-ins, plain view / bare Qt program",
                ratio(scaleTimes.median() / bareTimes2.median()), "report",
                "player " + spread(scaleTimes, 1e3, "ms") + "; bare " + spread(bareTimes2, 1e3, "ms") + "; "
                    + std::to_string(scaleRounds) + " runs each");

    const double perPlugin = (player10000Idle.median() - playerIdle.median()) * 1024 / 9900;
    printFigure("S4", "memory per discovered plug-in (idle RSS, 10,000 vs 100 plug-ins)", format("%.0f B", perPlugin),
                "report",
                "10,000: " + spread(player10000Idle, 1, "kB") + "; 100: " + spread(playerIdle, 1, "kB") + "; "
                    + std::to_string(idleRounds) + " runs each");

    fs::remove_all(root);
    return 0;
}

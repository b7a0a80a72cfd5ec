// The component manager's local costs, apart from the network: reading and checking a large
// catalogue and working out an install order, and unpacking an archive of many small files
// (the safe extraction opens every folder step by step and syncs every file).

#include "componentmanager/catalogue.h"
#include "componentmanager/fsutil.h"
#include "componentmanager/publisher.h"
#include "componentmanager/safeextract.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <fstream>
#include <string>

#include <stdlib.h>

using namespace MovraComponents;

namespace {

std::string bigCatalogue(int components)
{
    std::vector<CatalogueEntry> entries;
    for (int i = 0; i < components; ++i) {
        CatalogueEntry e;
        e.name = "Component" + std::to_string(i);
        e.version = *Version::parse("1.2." + std::to_string(i));
        e.provides = {"feature." + std::to_string(i)};
        if (i > 0)
            e.requires_ = {"Component" + std::to_string(i / 2)};
        e.archive = e.name + ".tar.xz";
        e.size = 1000;
        e.unpackedSize = 4000;
        e.sha256 = std::string(64, 'c');
        for (int f = 0; f < 4; ++f)
            e.files.push_back(CatalogueFile{"lib/file" + std::to_string(f) + ".so", 1000, std::string(64, 'd')});
        entries.push_back(std::move(e));
    }
    return serialiseCatalogue(entries, CatalogueStamp{1, 4102444800});
}

void BM_ParseAndResolveCatalogue(benchmark::State& state)
{
    const std::string text = bigCatalogue(static_cast<int>(state.range(0)));
    const auto none = [](const std::string&) { return std::optional<Version>(); };
    const Version player = *Version::parse("1.0");
    for (auto _ : state) {
        Catalogue catalogue;
        std::string error;
        if (!catalogue.parse(text, &error))
            state.SkipWithError(error.c_str());
        const Resolution r = resolveInstallOrder(catalogue, {catalogue.entries().back().name}, none, player);
        benchmark::DoNotOptimize(r.order.size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseAndResolveCatalogue)->Arg(100)->Arg(2000);

void BM_ExtractArchive(benchmark::State& state)
{
    char pattern[] = "/tmp/movra-bench-components-XXXXXX";
    const std::string dir = ::mkdtemp(pattern);
    const int files = static_cast<int>(state.range(0));
    makeFolders(dir + "/source/sub");
    for (int i = 0; i < files; ++i)
        std::ofstream(dir + "/source/sub/file" + std::to_string(i)) << std::string(4096, static_cast<char>('a' + i % 26));
    std::string error;
    packFolder(dir + "/source", dir + "/archive.tar.xz", &error);
    const std::atomic<bool> never{false};
    ExtractLimits limits;
    limits.maxBytes = uint64_t(files) * 4096;
    for (auto _ : state) {
        state.PauseTiming();
        removeTree(dir + "/out");
        makeFolders(dir + "/out");
        state.ResumeTiming();
        if (extractArchive(dir + "/archive.tar.xz", dir + "/out", limits, never, &error) != 0)
            state.SkipWithError(error.c_str());
    }
    state.SetItemsProcessed(state.iterations() * files);
    removeTree(dir);
}
BENCHMARK(BM_ExtractArchive)->Arg(200)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

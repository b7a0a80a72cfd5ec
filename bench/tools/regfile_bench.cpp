// movra-reg import of one large binary value wrapped over many lines, as the system's
// editor exports it: reading must stay linear in the file's length.

#include "tools/movra-reg/regfile.h"
#include "tools/movra-reg/regtool.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <stdlib.h>

namespace {

// About `bytes` of text: one value of hex data, 25 bytes to a line.
std::string wrappedHexFile(size_t bytes)
{
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Bench]\r\n\"Blob\"=hex:";
    const std::string line = "00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18,\\\r\n  ";
    text.reserve(bytes + line.size());
    while (text.size() < bytes)
        text += line;
    text += "ff\r\n";
    return text;
}

void BM_ParseWrappedHex(benchmark::State& state)
{
    const std::string text = wrappedHexFile(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        MovraReg::RegFile file;
        MovraReg::RegFileError error;
        if (!MovraReg::parseRegFile(text, &file, &error))
            state.SkipWithError(error.message.c_str());
        benchmark::DoNotOptimize(file);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseWrappedHex)->Arg(100 << 10)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

// The whole command, into a registry of its own: parsing, then one durable write.
void BM_ImportWrappedHex(benchmark::State& state)
{
    char pattern[] = "/tmp/movra-regfile-bench-XXXXXX";
    const std::string dir = ::mkdtemp(pattern);
    ::setenv("MOVRA_REGISTRY_DIR", dir.c_str(), 1);
    MovraRegistry::resetRegistryForTesting();
    const std::string path = dir + "/big.reg";
    std::ofstream(path, std::ios::binary) << wrappedHexFile(static_cast<size_t>(state.range(0)));
    std::u16string path16(path.begin(), path.end());
    for (auto _ : state) {
        std::ostringstream out, err;
        std::istringstream in;
        if (MovraReg::RegTool(out, err, in).run({u"import", path16}) != 0)
            state.SkipWithError(err.str().c_str());
    }
    MovraRegistry::resetRegistryForTesting();
    const std::string command = "rm -rf '" + dir + "'";
    if (std::system(command.c_str()) != 0) {
    }
}
BENCHMARK(BM_ImportWrappedHex)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

// Discovering a folder of 1,000 plug-ins against the cost of merely reading and parsing
// their 1,000 properties documents. The counters report seconds per plug-in.

#include "framework/farm.h"
#include "framework/plugininfoloader.h"
#include "framework/widestring.h"

#include <benchmark/benchmark.h>
#include <libxml/parser.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kPlugins = 1000;

// About 1 KB, shaped like a real stream-engine plug-in's document.
std::string document(int index)
{
    std::ostringstream out;
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<properties version=\"1.0\">\n  <type>plugin</type>\n"
        << "  <plugin>\n    <name>com.example.bench.plugin" << index << "</name>\n    <interfaces>\n"
        << "      <interface><name>com.movra.playerX.pluginInterface.Startup</name></interface>\n"
        << "      <interface><name>com.example.bench.interface" << index << "</name></interface>\n    </interfaces>\n"
        << "    <dependencies><linux><so>libbench" << index << ".so</so></linux></dependencies>\n"
        << "    <StreamEngine>\n      <port media=\"video\" type=\"in\"><format fourCC=\"H264\"/><format fourCC=\"HEVC\"/>"
        << "<format fourCC=\"MP4V\"/></port>\n      <port media=\"audio\" type=\"in\"><format id=\"0x55\"/>"
        << "<format id=\"0xFF\"/><format id=\"85\"/></port>\n"
        << "      <port media=\"video\" type=\"out\"><format fourCC=\"NV12\"/></port>\n    </StreamEngine>\n"
        << "  </plugin>\n  <playerX/>\n"
        << "  <!-- Padding so that the document is about the size of a real one.............................\n"
        << "       ................................................................................... -->\n"
        << "</properties>\n";
    return out.str();
}

// A folder of kPlugins libraries (empty files: discovery never loads them) and their documents.
class PluginFolder
{
public:
    PluginFolder()
    {
        char pattern[] = "/tmp/fwbench-XXXXXX";
        m_path = mkdtemp(pattern);
        for (int i = 0; i < kPlugins; ++i) {
            const std::string base = m_path + "/Plugin" + std::to_string(i);
            std::ofstream(base + ".so") << "";
            std::ofstream(base + ".xml") << document(i);
            m_documents.push_back(base + ".xml");
        }
    }
    ~PluginFolder() { std::filesystem::remove_all(m_path); }
    const std::string& path() const { return m_path; }
    const std::vector<std::string>& documents() const { return m_documents; }

private:
    std::string m_path;
    std::vector<std::string> m_documents;
};

PluginFolder& folder()
{
    static PluginFolder* const instance = new PluginFolder;
    return *instance;
}

void perPlugin(benchmark::State& state)
{
    state.counters["per_plugin"] =
        benchmark::Counter(kPlugins, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The floor: read each file and parse it with libxml2, nothing else.
void BM_ReadAndParseDocuments(benchmark::State& state)
{
    const auto& documents = folder().documents();
    for (auto _ : state) {
        for (const std::string& path : documents) {
            std::ifstream in(path, std::ios::binary);
            std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            xmlDocPtr doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, nullptr, XML_PARSE_NONET);
            benchmark::DoNotOptimize(doc);
            xmlFreeDoc(doc);
        }
    }
    perPlugin(state);
}
BENCHMARK(BM_ReadAndParseDocuments)->Unit(benchmark::kMillisecond);

// The framework's loader: read, parse, check and extract the name and interfaces.
void BM_LoadPluginInfos(benchmark::State& state)
{
    std::vector<MSE::movra_string<wchar_t>> paths;
    for (const std::string& path : folder().documents())
        paths.push_back(MSE::fromUtf8(path));
    for (auto _ : state) {
        for (const auto& path : paths)
            delete MSE::loadPluginInfo(path);
    }
    perPlugin(state);
}
BENCHMARK(BM_LoadPluginInfos)->Unit(benchmark::kMillisecond);

// Discovery: list the folder, find each document, load it, check the name is new, register.
void BM_DiscoverPlugins(benchmark::State& state)
{
    static MSE::Farm* const anchor = new MSE::Farm; // keeps the cleaner running between farms
    benchmark::DoNotOptimize(anchor);
    const MSE::movra_string<wchar_t> path = MSE::fromUtf8(folder().path());
    for (auto _ : state) {
        state.PauseTiming();
        auto* farm = new MSE::Farm;
        state.ResumeTiming();
        if (farm->discoverPlugins(path) != MSE::kResultOk || farm->pluginInfos.size() != kPlugins)
            state.SkipWithError("discovery failed");
        state.PauseTiming();
        delete farm;
        state.ResumeTiming();
    }
    perPlugin(state);
}
BENCHMARK(BM_DiscoverPlugins)->Unit(benchmark::kMillisecond);

} // namespace

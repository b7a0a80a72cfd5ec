// The registry layer's costs: a typed read of an existing value through an open handle
// (the settings store's hot path) and a durable write.

#include "platform/registry.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include <stdlib.h>
#include <unistd.h>

using namespace MovraRegistry;

namespace {

class BenchRegistry
{
public:
    explicit BenchRegistry(int values)
    {
        char pattern[] = "/tmp/movra-bench-XXXXXX";
        m_dir = ::mkdtemp(pattern);
        ::setenv("MOVRA_REGISTRY_DIR", m_dir.c_str(), 1);
        resetRegistryForTesting();
        RegCreateKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\Movra\\Settings\\Player", 0, nullptr, 0,
                        KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &m_key, nullptr);
        for (int i = 0; i < values; ++i) {
            const uint64_t value = i;
            RegSetValueExW(m_key, name(i).c_str(), 0, REG_QWORD, reinterpret_cast<const BYTE*>(&value), 8);
        }
    }
    ~BenchRegistry()
    {
        RegCloseKey(m_key);
        resetRegistryForTesting();
        const std::string command = "rm -rf '" + m_dir + "'";
        if (std::system(command.c_str()) != 0) {
        }
    }
    static std::u16string name(int i)
    {
        std::u16string name = u"Value";
        for (char c : std::to_string(i))
            name += char16_t(c);
        return name;
    }
    HKEY key() const { return m_key; }

private:
    std::string m_dir;
    HKEY m_key = nullptr;
};

void BM_ReadExistingValue(benchmark::State& state)
{
    const int values = static_cast<int>(state.range(0));
    BenchRegistry registry(values);
    const std::u16string name = BenchRegistry::name(values / 2);
    for (auto _ : state) {
        uint64_t value = 0;
        DWORD type = 0, size = 8;
        RegQueryValueExW(registry.key(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
        benchmark::DoNotOptimize(value);
    }
}
// Filling 10,000 values writes each one durably, so that row takes a while to set up.
BENCHMARK(BM_ReadExistingValue)->Arg(100)->Arg(10000)->Unit(benchmark::kNanosecond);

void BM_WriteValue(benchmark::State& state)
{
    BenchRegistry registry(100);
    uint64_t value = 0;
    for (auto _ : state) {
        ++value;
        RegSetValueExW(registry.key(), u"Volume", 0, REG_QWORD, reinterpret_cast<const BYTE*>(&value), 8);
    }
}
BENCHMARK(BM_WriteValue)->Unit(benchmark::kMicrosecond);

void BM_WriteThenRead(benchmark::State& state)
{
    BenchRegistry registry(100);
    uint64_t value = 0;
    for (auto _ : state) {
        ++value;
        RegSetValueExW(registry.key(), u"Volume", 0, REG_QWORD, reinterpret_cast<const BYTE*>(&value), 8);
        DWORD size = 8;
        uint64_t read = 0;
        RegQueryValueExW(registry.key(), u"Value7", nullptr, nullptr, reinterpret_cast<BYTE*>(&read), &size);
        benchmark::DoNotOptimize(read);
    }
}
BENCHMARK(BM_WriteThenRead)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

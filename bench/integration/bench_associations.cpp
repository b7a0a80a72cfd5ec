// What the file-type step costs every start after the first: the records are all there
// and the choices were applied, so it only looks. Target: well under 1 ms. The registry
// lives in a temporary folder (MOVRA_BENCH_DIR overrides where).

#include "integration/fileassociations.h"
#include "platform/registry.h"
#include "settings/applicationsettings.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

namespace {

// The desktop is never reached on a later start; answering here keeps the first start
// from touching the real user's desktop files.
class NoDesktop : public MovraPlayerX::DefaultProgramService
{
public:
    bool getFileTypeAssociations(const QStringList&, QMap<QString, QString>&) override { return true; }
    bool setFileTypeAssociations(const QMap<QString, bool>&) override
    {
        ++calls;
        return true;
    }
    int calls = 0;
};

void laterStart(benchmark::State& state, bool machineWritable)
{
    const QByteArray base = qgetenv("MOVRA_BENCH_DIR");
    QTemporaryDir dir(base.isEmpty() ? QDir::tempPath() + "/bench-XXXXXX" : QString::fromLocal8Bit(base) + "/bench-XXXXXX");
    qputenv("MOVRA_REGISTRY_DIR", dir.path().toUtf8());
    qputenv("MOVRA_REGISTRY_MACHINE_READONLY", machineWritable ? "0" : "1");
    MovraRegistry::resetRegistryForTesting();
    auto& settings = MovraPlayerX::ApplicationSettings::application();
    NoDesktop desktop;
    MovraPlayerX::associateFileTypes(false, desktop, settings); // the first start
    const int firstCalls = desktop.calls;

    for (auto _ : state)
        MovraPlayerX::associateFileTypes(false, desktop, settings);

    if (desktop.calls != firstCalls)
        state.SkipWithError("a later start applied the choices again");
    settings.release();
    MovraRegistry::resetRegistryForTesting();
}

void BM_LaterStart(benchmark::State& state)
{
    laterStart(state, true);
}
// An ordinary user: the machine records cannot be written, so every start finds them
// missing and its writes are dropped.
void BM_LaterStartReadOnlyMachine(benchmark::State& state)
{
    laterStart(state, false);
}

BENCHMARK(BM_LaterStart)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LaterStartReadOnlyMachine)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

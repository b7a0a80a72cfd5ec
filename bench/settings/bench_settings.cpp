// Typed settings reads and writes against QSettings, both holding 10,000 values in 100
// groups. The registry and the INI file live in a temporary folder on the same disk
// (MOVRA_BENCH_DIR overrides it).

#include "settings/applicationsettings.h"
#include "settings/opensettings.h"
#include "settings/refcountedptr.h"

#include "platform/registry.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kGroups = 100;
constexpr int kKeysPerGroup = 100;

struct Key
{
    std::string group;
    std::string name;
    QString qtKey;
};

// One store of each kind, filled once for the whole run.
class Fixture
{
public:
    static Fixture& instance()
    {
        static Fixture fixture;
        return fixture;
    }

    const std::vector<Key>& keys() const { return all; }
    QSettings& qsettings() { return *ini; }

private:
    Fixture()
        : dir(qEnvironmentVariableIsSet("MOVRA_BENCH_DIR")
                  ? qEnvironmentVariable("MOVRA_BENCH_DIR") + QStringLiteral("/bench-XXXXXX")
                  : QDir::tempPath() + QStringLiteral("/bench-settings-XXXXXX"))
    {
        qputenv("MOVRA_REGISTRY_DIR", QFile::encodeName(dir.path()));
        MovraRegistry::resetRegistryForTesting();
        for (int g = 0; g < kGroups; ++g)
            for (int k = 0; k < kKeysPerGroup; ++k) {
                Key key{"Group" + std::to_string(g), "Key" + std::to_string(k), {}};
                key.qtKey = QString::fromStdString(key.group + "/" + key.name);
                all.push_back(key);
            }

        // The registry is filled through one section per group: each write is its own
        // durable transaction, as every setSetting is.
        mvtl::RefCountedPtr<mvds::IMovraSettings> root;
        mvds::openSettings("Settings/Player", mvds::UserCreate, root.out());
        for (int g = 0; g < kGroups; ++g) {
            mvtl::RefCountedPtr<mvds::IMovraSettings> group;
            root->openSection("Group" + std::to_string(g), group.out());
            for (int k = 0; k < kKeysPerGroup; ++k)
                group->setValue("Key" + std::to_string(k), int32_t(g * kKeysPerGroup + k));
            group->setValue("Text", std::string("some text value of moderate length"));
        }

        ini = std::make_unique<QSettings>(dir.filePath(QStringLiteral("legacy.ini")), QSettings::IniFormat);
        for (const Key& key : all)
            ini->setValue(key.qtKey, 1);
        for (int g = 0; g < kGroups; ++g)
            ini->setValue(QStringLiteral("Group%1/Text").arg(g), QStringLiteral("some text value of moderate length"));
        ini->sync();
    }

    QTemporaryDir dir;
    std::vector<Key> all;
    std::unique_ptr<QSettings> ini;
};

void BM_GetSettingInt(benchmark::State& state)
{
    const auto& keys = Fixture::instance().keys();
    auto& settings = MovraPlayerX::ApplicationSettings::application();
    std::size_t i = 0;
    for (auto _ : state) {
        const Key& key = keys[i++ % keys.size()];
        benchmark::DoNotOptimize(settings.getSetting(key.group, key.name, int32_t(-1)));
    }
}
BENCHMARK(BM_GetSettingInt);

void BM_QSettingsValueInt(benchmark::State& state)
{
    const auto& keys = Fixture::instance().keys();
    QSettings& ini = Fixture::instance().qsettings();
    std::size_t i = 0;
    for (auto _ : state) {
        const Key& key = keys[i++ % keys.size()];
        benchmark::DoNotOptimize(ini.value(key.qtKey).toInt());
    }
}
BENCHMARK(BM_QSettingsValueInt);

void BM_GetSettingString(benchmark::State& state)
{
    Fixture::instance();
    auto& settings = MovraPlayerX::ApplicationSettings::application();
    std::vector<std::string> groups;
    for (int g = 0; g < kGroups; ++g)
        groups.push_back("Group" + std::to_string(g));
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(settings.getSetting(groups[i++ % groups.size()], "Text", QString()));
}
BENCHMARK(BM_GetSettingString);

void BM_QSettingsValueString(benchmark::State& state)
{
    QSettings& ini = Fixture::instance().qsettings();
    std::vector<QString> keys;
    for (int g = 0; g < kGroups; ++g)
        keys.push_back(QStringLiteral("Group%1/Text").arg(g));
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(ini.value(keys[i++ % keys.size()]).toString());
}
BENCHMARK(BM_QSettingsValueString);

// The accessor's share: a typed read on a section already in hand.
void BM_SectionGetValueInt(benchmark::State& state)
{
    Fixture::instance();
    mvtl::RefCountedPtr<mvds::IMovraSettings> group;
    mvds::openSettings("Settings/Player/Group7", mvds::UserCreate, group.out());
    const std::u16string name = u"Key42";
    int32_t value = 0;
    for (auto _ : state) {
        group->getValue(name, value);
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_SectionGetValueInt);

void BM_SetSettingInt(benchmark::State& state)
{
    const auto& keys = Fixture::instance().keys();
    auto& settings = MovraPlayerX::ApplicationSettings::application();
    std::size_t i = 0;
    int32_t value = 0;
    for (auto _ : state) {
        const Key& key = keys[i++ % keys.size()];
        benchmark::DoNotOptimize(settings.setSetting(key.group, key.name, ++value));
    }
}
BENCHMARK(BM_SetSettingInt)->Unit(benchmark::kMicrosecond);

void BM_QSettingsSetValueSync(benchmark::State& state)
{
    const auto& keys = Fixture::instance().keys();
    QSettings& ini = Fixture::instance().qsettings();
    std::size_t i = 0;
    int value = 0;
    for (auto _ : state) {
        ini.setValue(keys[i++ % keys.size()].qtKey, ++value);
        ini.sync();
    }
}
BENCHMARK(BM_QSettingsSetValueSync)->Unit(benchmark::kMicrosecond);

void BM_QSettingsSetValueNoSync(benchmark::State& state)
{
    const auto& keys = Fixture::instance().keys();
    QSettings& ini = Fixture::instance().qsettings();
    std::size_t i = 0;
    int value = 0;
    for (auto _ : state)
        ini.setValue(keys[i++ % keys.size()].qtKey, ++value);
    ini.sync();
}
BENCHMARK(BM_QSettingsSetValueNoSync);

} // namespace

BENCHMARK_MAIN();

// The settings figures, each a ratio against its reference measured in the same run,
// interleaved round by round so that a busy moment of the machine hits both sides:
//   P3   typed getSetting of existing keys, 10,000 stored   / QSettings::value() on the same keys
//   P4   durable setSetting                                  / 4 KB pwrite + fdatasync (same file system)
//   P4b  QSettings setValue + sync                           / setSetting (how many times faster)
//   S2   getSetting of 10,000 keys, 1,000,000 values stored / the same with 10,000 (flat: 1.0)
//   S2b  getSetting over all 1,000,000 keys                  / over all 10,000 (reported)
//   S3   opening a root of 1,000,000 values and a first read / the same with 10,000
// MOVRA_BENCH_ROUNDS changes the rounds of P3, P4 and P4b.
// Every store lives in a fresh folder under MOVRA_BENCH_DIR (default: the temporary
// folder), which should be on a real disk: fdatasync on tmpfs costs nothing.
//
//   settings_figures [--quick]      (--quick: fewer rounds and no 1,000,000-value store)

#include "common/figures.h"
#include "settings/applicationsettings.h"

#include "platform/registry.h"
#include "platform/registrynames.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

using MovraPlayerX::ApplicationSettings;

namespace {

using Clock = std::chrono::steady_clock;

double nanosecondsPer(const std::function<void()>& body, int count)
{
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i)
        body();
    return std::chrono::duration<double, std::nano>(Clock::now() - start).count() / count;
}

std::string humanTime(double ns)
{
    return ns < 10e3 ? MovraBench::format("%.0f ns", ns)
                     : ns < 10e6 ? MovraBench::format("%.1f us", ns / 1e3) : MovraBench::format("%.1f ms", ns / 1e6);
}

// One figure: per round the subject's and the reference's time per operation.
struct Figure
{
    const char* id;
    const char* what;
    const char* subjectName;
    const char* referenceName;
    bool inverse; // the figure is reference / subject ("times faster")
    const char* target;
    std::vector<double> subject{}, reference{};

    void print() const
    {
        MovraBench::Samples ratios, ours, theirs;
        for (size_t i = 0; i < subject.size(); ++i) {
            ratios.add(inverse ? reference[i] / subject[i] : subject[i] / reference[i]);
            ours.add(subject[i]);
            theirs.add(reference[i]);
        }
        MovraBench::printFigure(id, what, MovraBench::format("%.2fx", ratios.median()), target,
                                "ratio min " + MovraBench::format("%.2fx", ratios.min()) + " median "
                                    + MovraBench::format("%.2fx", ratios.median()) + "; " + subjectName + " min "
                                    + humanTime(ours.min()) + " median " + humanTime(ours.median()) + "; "
                                    + referenceName + " min " + humanTime(theirs.min()) + " median "
                                    + humanTime(theirs.median()) + "; " + std::to_string(subject.size())
                                    + " rounds");
    }
};

struct SettingKey
{
    std::string group;
    std::string name;
    QString qtKey;
};

std::u16string wide(const std::string& text)
{
    return std::u16string(text.begin(), text.end());
}

std::string foldedBlob(const std::u16string& name)
{
    const std::u16string folded = MovraRegistry::foldName(name);
    std::string bytes(folded.size() * 2, '\0');
    for (size_t i = 0; i < folded.size(); ++i) {
        bytes[2 * i] = static_cast<char>(folded[i] >> 8);
        bytes[2 * i + 1] = static_cast<char>(folded[i] & 0xFF);
    }
    return bytes;
}

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "settings_figures: %s failed\n", what);
        std::exit(1);
    }
}

// A registry folder holding `groups` x `perGroup` integer settings of the application
// settings root. The group keys are made through the settings store; the values are then
// inserted in one transaction behind its back, since a million durable writes would take
// hours. The layer is reset afterwards, so nothing of the filling stays cached.
class SettingsStore
{
public:
    SettingsStore(const QString& base, int groups, int perGroup)
        : m_dir(base + QStringLiteral("/settings-figures-XXXXXX"))
    {
        check(m_dir.isValid(), "creating the store folder");
        use();
        auto& settings = ApplicationSettings::application();
        for (int g = 0; g < groups; ++g)
            check(settings.setSetting(group(g), "Key0", int32_t(g)), "setSetting");
        settings.release();
        MovraRegistry::resetRegistryForTesting();

        sqlite3* db = nullptr;
        const std::string path = QFile::encodeName(m_dir.filePath(QStringLiteral("user.db"))).toStdString();
        check(sqlite3_open(path.c_str(), &db) == SQLITE_OK, "opening the database");
        std::map<std::string, int64_t> ids;
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "SELECT id, name FROM keys", -1, &stmt, nullptr);
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            const auto* name = static_cast<const char16_t*>(sqlite3_column_blob(stmt, 1));
            const std::u16string text(name, static_cast<size_t>(sqlite3_column_bytes(stmt, 1)) / 2);
            ids[std::string(text.begin(), text.end())] = sqlite3_column_int64(stmt, 0);
        }
        sqlite3_finalize(stmt);
        check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK, "BEGIN");
        sqlite3_prepare_v2(db, "INSERT INTO vals(key, name, folded, type, data) VALUES(?1, ?2, ?3, 11, ?4)", -1,
                           &stmt, nullptr);
        for (int g = 0; g < groups; ++g) {
            const int64_t key = ids.at(group(g));
            for (int k = 1; k < perGroup; ++k) {
                const std::u16string name = wide(keyName(k));
                const std::string folded = foldedBlob(name);
                const int64_t value = int64_t(g) * perGroup + k;
                sqlite3_bind_int64(stmt, 1, key);
                sqlite3_bind_blob(stmt, 2, name.data(), int(name.size() * 2), SQLITE_TRANSIENT);
                sqlite3_bind_blob(stmt, 3, folded.data(), int(folded.size()), SQLITE_TRANSIENT);
                sqlite3_bind_blob(stmt, 4, &value, 8, SQLITE_TRANSIENT);
                check(sqlite3_step(stmt) == SQLITE_DONE, "INSERT");
                sqlite3_reset(stmt);
            }
        }
        sqlite3_finalize(stmt);
        check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK, "COMMIT");
        sqlite3_close(db);

        for (int g = 0; g < groups; ++g)
            for (int k = 0; k < perGroup; ++k)
                m_keys.push_back({group(g), keyName(k), QString::fromStdString(group(g) + "/" + keyName(k))});
        // A fixed shuffle, so that consecutive reads do not walk one group after another.
        std::srand(12345);
        for (size_t i = m_keys.size(); i > 1; --i)
            std::swap(m_keys[i - 1], m_keys[size_t(std::rand()) % i]);
    }

    ~SettingsStore()
    {
        ApplicationSettings::application().release();
        MovraRegistry::resetRegistryForTesting();
    }

    static std::string group(int g) { return "Group" + std::to_string(g); }
    static std::string keyName(int k) { return "Key" + std::to_string(k); }

    // Makes this store the one the process reads, with nothing cached.
    void use()
    {
        ApplicationSettings::application().release();
        qputenv("MOVRA_REGISTRY_DIR", QFile::encodeName(m_dir.path()));
        MovraRegistry::resetRegistryForTesting();
    }

    const std::vector<SettingKey>& keys() const { return m_keys; }
    QString dir() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    std::vector<SettingKey> m_keys;
};

// Reads every key once, so that both sides are measured warm.
void warm(const std::vector<SettingKey>& keys)
{
    auto& settings = ApplicationSettings::application();
    for (const SettingKey& key : keys)
        check(settings.getSetting(key.group, key.name, int32_t(-1)) != -1, "reading a stored key");
}

// getSetting over `keys` starting at `*next`, `count` calls.
double getSettingTime(const std::vector<SettingKey>& keys, size_t* next, int count)
{
    auto& settings = ApplicationSettings::application();
    int32_t sink = 0;
    const double ns = nanosecondsPer(
        [&] {
            const SettingKey& key = keys[(*next)++ % keys.size()];
            sink += settings.getSetting(key.group, key.name, int32_t(-1));
        },
        count);
    check(sink != 0, "reading");
    return ns;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const QString base = qEnvironmentVariableIsSet("MOVRA_BENCH_DIR") ? qEnvironmentVariable("MOVRA_BENCH_DIR")
                                                                       : QDir::tempPath();
    const int rounds = MovraBench::rounds(quick ? 5 : 31);

    SettingsStore store(base, 100, 100);
    const std::vector<SettingKey>& keys = store.keys();
    QSettings ini(store.dir() + QStringLiteral("/reference.ini"), QSettings::IniFormat);
    for (size_t i = 0; i < keys.size(); ++i)
        ini.setValue(keys[i].qtKey, int(i + 1));
    ini.sync();

    {
        Figure p3{"P3", "typed getSetting / QSettings::value(), 10,000 keys stored", "getSetting", "QSettings",
                  false, "<= 1.0x"};
        store.use();
        warm(keys);
        size_t nextOurs = 0, nextTheirs = 0;
        const int perRound = 20000;
        for (int round = 0; round < rounds; ++round) {
            p3.subject.push_back(getSettingTime(keys, &nextOurs, perRound));
            int sink = 0;
            p3.reference.push_back(nanosecondsPer(
                [&] { sink += ini.value(keys[nextTheirs++ % keys.size()].qtKey).toInt(); }, perRound));
            check(sink != 0, "QSettings::value");
        }
        p3.print();
    }

    {
        Figure p4{"P4", "durable setSetting / 4 KB pwrite + fdatasync floor", "setSetting", "floor", false,
                  "<= 3x"};
        Figure p4b{"P4b", "QSettings setValue+sync / setSetting (setSetting times faster)", "setSetting",
                   "QSettings", true, ">= 20x"};
        const std::string floorPath = QFile::encodeName(store.dir() + QStringLiteral("/floor.bin")).toStdString();
        const int fd = ::open(floorPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        check(fd >= 0, "opening the floor file");
        std::vector<char> page(4096, 'x');
        check(::pwrite(fd, page.data(), page.size(), 0) == 4096 && ::fsync(fd) == 0, "preparing the floor file");
        auto& settings = ApplicationSettings::application();
        int32_t value = 0;
        size_t next = 0;
        const int perRound = quick ? 5 : 10;
        for (int round = 0; round < rounds; ++round) {
            const double ours = nanosecondsPer(
                [&] {
                    const SettingKey& key = keys[next++ % keys.size()];
                    check(settings.setSetting(key.group, key.name, ++value), "setSetting");
                },
                perRound);
            const double floor = nanosecondsPer(
                [&] {
                    page[0] = char(value++);
                    check(::pwrite(fd, page.data(), page.size(), 0) == 4096 && ::fdatasync(fd) == 0, "fdatasync");
                },
                perRound);
            const double theirs = nanosecondsPer(
                [&] {
                    ini.setValue(keys[next++ % keys.size()].qtKey, ++value);
                    ini.sync();
                },
                perRound);
            p4.subject.push_back(ours);
            p4.reference.push_back(floor);
            p4b.subject.push_back(ours);
            p4b.reference.push_back(theirs);
        }
        ::close(fd);
        p4.print();
        p4b.print();
    }

    if (quick)
        return 0;

    // The scale figures against the 10,000-value store above; the large store has groups
    // of the same size, a hundred times as many.
    SettingsStore large(base, 10000, 100);
    {
        Figure s2{"S3", "opening a settings root of 1,000,000 values and a first read / of 10,000", "1,000,000",
                  "10,000", false, "flat (1x)"};
        for (int round = 0; round < 5; ++round) {
            for (SettingsStore* which : {&large, &store}) {
                which->use();
                const SettingKey& key = which->keys()[size_t(round)];
                const auto start = Clock::now();
                check(ApplicationSettings::application().getSetting(key.group, key.name, int32_t(-1)) != -1,
                      "first read");
                const double ns = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
                (which == &large ? s2.subject : s2.reference).push_back(ns);
            }
        }
        s2.print();
    }
    {
        // Flat latency: 10,000 keys read the same way in both stores (in the large one all
        // keys of its first hundred groups), so that only what else is stored differs. Reads spread
        // over all 1,000,000 keys are reported beside it: most of them miss the processor's
        // caches, which no store of that size avoids.
        Figure s1{"S2", "getSetting of 10,000 keys, 1,000,000 values stored / 10,000 stored", "1,000,000",
                  "10,000", false, "flat (1x)"};
        Figure s1b{"S2b", "getSetting over all keys, 1,000,000 values stored / 10,000 stored", "1,000,000",
                   "10,000", false, "reported"};
        std::vector<SettingKey> sample;
        for (const SettingKey& key : large.keys())
            if (key.group.size() <= std::strlen("Group99"))
                sample.push_back(key);
        // The layer reads one location at a time, so each round switches stores and starts
        // from a cold cache.
        const int perRound = 200000;
        size_t nextSample = 0, nextLarge = 0, nextSmall = 0;
        for (int round = 0; round < 5; ++round) {
            large.use();
            warm(sample);
            s1.subject.push_back(getSettingTime(sample, &nextSample, perRound));
            warm(large.keys());
            s1b.subject.push_back(getSettingTime(large.keys(), &nextLarge, perRound));
            store.use();
            warm(keys);
            s1.reference.push_back(getSettingTime(keys, &nextSmall, perRound));
            s1b.reference.push_back(s1.reference.back());
        }
        s1.print();
        s1b.print();
    }
    return 0;
}

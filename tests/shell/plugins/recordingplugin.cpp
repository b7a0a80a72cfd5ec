// A test plug-in that offers the interfaces named in RECORDING_INTERFACES and writes every
// call it receives, tagged with RECORDING_TAG, as one line to the file named by
// MOVRA_TEST_PLUGIN_LOG. One source, several plug-ins: CMake builds it once per scenario.
//
// View: shows a top-level window and keeps itself alive from then on (the window's code
// lives in this library); MOVRA_TEST_VIEW_CLOSE_MS closes the window after that long.
// Startup with RECORDING_KEEP_ALIVE: the object stays alive after its start-up action.
// URIHandler: an address containing "reenter" makes it open "followup.mkv" at once, from
// inside the dispatch, the way a player that opens a playlist's next entry would.
// RECORDING_MISSING_SYMBOL: the library needs a function nobody defines, so it never loads.
// RECORDING_ENTRY_RESULT: what _getPlugin answers instead of creating an object.
// MOVRA_TEST_MAPS_COPY: the file that receives a copy of the process's memory map as it is
// when the view is shown, for tests of what a start maps.

#include <MSE/PluginObject.h>
#include <MovraPlayerX/PluginInterfaces.h>

#include <QApplication>
#include <QFileOpenEvent>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>

#ifdef RECORDING_MISSING_SYMBOL
namespace thirdparty {
void missingHelper(int level);
}
#endif

namespace {

void record(const std::string& line)
{
    static std::mutex mutex;
    const char* path = std::getenv("MOVRA_TEST_PLUGIN_LOG");
    if (!path || !*path)
        return;
    std::lock_guard<std::mutex> lock(mutex);
    if (FILE* file = std::fopen(path, "a")) {
        std::fprintf(file, "%s %s\n", RECORDING_TAG, line.c_str());
        std::fclose(file);
    }
}

bool offers(const char* shortName)
{
    const std::string list = std::string(",") + RECORDING_INTERFACES + ",";
    return list.find(std::string(",") + shortName + ",") != std::string::npos;
}

// Start-up and shut-down share the signature run(); one part each tells them apart.
struct StartupPart : MovraPlayerX::IStartup
{
    void run() override
    {
        record("startup");
#ifdef RECORDING_KEEP_ALIVE
        keepAlive();
#endif
    }
    virtual void keepAlive() = 0;
};

struct ShutdownPart : MovraPlayerX::IShutdown
{
    void run() override { record("shutdown"); }
};

class RecordingPlugin final : public MSE::PluginObject,
                              public StartupPart,
                              public MovraPlayerX::IView,
                              public ShutdownPart,
                              public MovraPlayerX::IPlaybackServices,
                              public MovraPlayerX::IMediaManager,
                              public MovraPlayerX::IURIHandler
{
public:
    explicit RecordingPlugin(MSE::PluginContext* context) : PluginObject(context) { record("created"); }
    ~RecordingPlugin() override
    {
        record("destroyed");
        delete m_window;
    }


    int32_t getInterface(const MSE::movra_string<char>& id, void** out) override
    {
        struct Row { const char* shortName; const char* id; void* interface; };
        const Row rows[] = {
            {"Startup", MovraPlayerX::kStartupInterface, static_cast<MovraPlayerX::IStartup*>(static_cast<StartupPart*>(this))},
            {"View", MovraPlayerX::kViewInterface, static_cast<MovraPlayerX::IView*>(this)},
            {"Shutdown", MovraPlayerX::kShutdownInterface, static_cast<MovraPlayerX::IShutdown*>(static_cast<ShutdownPart*>(this))},
            {"PlaybackServices", MovraPlayerX::kPlaybackServicesInterface, static_cast<MovraPlayerX::IPlaybackServices*>(this)},
            {"MediaManager", MovraPlayerX::kMediaManagerInterface, static_cast<MovraPlayerX::IMediaManager*>(this)},
            {"URIHandler", MovraPlayerX::kURIHandlerInterface, static_cast<MovraPlayerX::IURIHandler*>(this)},
        };
        for (const Row& row : rows) {
            if (id == row.id && offers(row.shortName)) {
                *out = row.interface;
                return 0;
            }
        }
        return 3;
    }

    // A plug-in that keeps an object of its own alive, as a background service would.
    void keepAlive() override { addRef(); }

    void show() override
    {
        record("show");
        if (const char* copy = std::getenv("MOVRA_TEST_MAPS_COPY")) {
            std::ifstream maps("/proc/self/maps");
            std::ofstream(copy) << maps.rdbuf();
        }
#ifdef RECORDING_MISSING_SYMBOL
        thirdparty::missingHelper(1);
#endif
        if (!m_window) {
            m_window = new QWidget;
            m_window->setObjectName(QStringLiteral("RecordingPluginWindow"));
            m_window->resize(200, 100);
            // The window's code lives in this library: stay alive, and keep it loaded, for
            // the rest of the run.
            addRef();
        }
        m_window->show();
        bool ok = false;
        const int ms = qEnvironmentVariableIntValue("MOVRA_TEST_VIEW_CLOSE_MS", &ok);
        if (ok)
            QTimer::singleShot(ms, m_window, [window = m_window] { window->close(); });
    }

    void pause() override { record("pause"); }
    void resume(double rate) override { record("resume " + std::to_string(rate)); }
    int64_t position() override { record("position"); return 4242; }
    void setPosition(int64_t position) override { record("setPosition " + std::to_string(position)); }
    void clearDownloadCache() override { record("clearDownloadCache"); }

    void openUri(const char* encodedUri) override
    {
        record(std::string("openUri ") + (encodedUri ? encodedUri : "(null)"));
        if (encodedUri && std::strstr(encodedUri, "reenter")) {
            QFileOpenEvent followup(QStringLiteral("/followup.mkv"));
            QCoreApplication::sendEvent(QCoreApplication::instance(), &followup);
        }
    }

private:
    QWidget* m_window = nullptr;
};

} // namespace

extern "C" __attribute__((visibility("default"))) int32_t _getPlugin(MSE::PluginContext* context,
                                                                     MSE::Plugin** plugin)
{
#ifdef RECORDING_ENTRY_RESULT
    return RECORDING_ENTRY_RESULT;
#endif
    if (!context || !plugin)
        return 1;
    *plugin = new RecordingPlugin(context);
    return 0;
}

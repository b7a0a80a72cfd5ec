// One player run: start-up, the Qt event loop, shut-down. The order of the steps is fixed;
// later steps rely on what earlier ones set up.

#include "framework/farm.h"
#include "framework/widestring.h"
#include "mpx/commonmenubar.h"
#include "mpx/mpxstringtools.h"
#include "mpx/pingmanager.h"
#include "mpx/startuptimer.h"
#include "mpx/systemmanager.h"
#include "platform/registry.h"
#include "settings/applicationsettings.h"
#include "settings/opensettings.h"
#include "shell/argumentparser.h"
#include "shell/crashhandler.h"
#include "shell/exports.h"
#include "shell/language.h"
#include "shell/movraplayerapp.h"
#include "shell/primaryviewpluginfilter.h"
#include "shell/shellstartup.h"
#include "shell/usagehints.h"

#include <MovraPlayerX/PluginInterfaces.h>

#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <malloc.h>

namespace MovraPlayerX {

namespace {

// Not a row of the key table: the crash handler's switch is read by name.
constexpr char kGeneralGroup[] = "General";
constexpr char kCrashDumpModeKey[] = "CrashDumpMode";
constexpr char kDefaultPrimaryView[] = "com.movra.playerX.plugin.MPXPlayerPlugin";
constexpr char kShutDownArgument[] = "-shutDown";
constexpr int kNoPrimaryViewStatus = 1;

// Loaded up front so that plug-ins find them already mapped; a missing one is no loss.
const char* const kPreloadedQtLibraries[] = {"Qt6Sql", "Qt6WebKit", "Qt6Network"};
// QtNetwork is there for the usage-hint sender; it is loaded with the first hint instead
// (see runPlayer), so that a run that sends none never maps it and the libraries behind it.
constexpr std::size_t kHintNetworkLibrary = 2;

void writeToStandardError(QtMsgType, const QMessageLogContext&, const QString& message)
{
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

// Qt's compiled-in plug-in folder is dropped from the search path, so only a folder we
// chose is searched; the system Qt's own folder stays the first candidate so that its
// image-format and TLS plug-ins remain reachable.
void setQtPluginFolder(const QString& compiledInFolder)
{
    QCoreApplication::removeLibraryPath(compiledInFolder);
    QString candidate = compiledInFolder;
    if (!QFileInfo(candidate).isDir()) {
        std::string installDir;
        if (mvds::readInstallString(std::string("Qt4.8"), std::string("InstallDir"), installDir) && !installDir.empty()) {
            const QString fromRecord = QDir::fromNativeSeparators(MPXStringTools::fromStdStringUTF8(installDir))
                                       + QStringLiteral("/plugins");
            if (QFileInfo(fromRecord).isDir())
                candidate = fromRecord;
        }
    }
    if (QFileInfo(candidate).isDir())
        QCoreApplication::addLibraryPath(candidate);
}

void discoverPlayerPlugins(MovraPlayerApp& app)
{
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/MPXPlugins");
    if (QFileInfo(folder).isDir())
        app.pluginContext()->discoverPlugins(MSE::fromUtf8(folder.toStdString()));
}

} // namespace

int runPlayer(int& argc, char** argv)
{
    ApplicationSettings& settings = ApplicationSettings::startup();

    // The first run writes hundreds of small records (defaults, file types, the records of
    // the installation); as one batch they cost a few durable commits instead of one each,
    // and a first run cut short leaves the registry as it was, to be done again. It ends
    // before the player's own plug-ins are found and started: no code of theirs may run
    // while the registry's write lock is held.
    auto firstRunWrites = std::make_unique<MovraRegistry::RegistryBatch>();

    // 1-2: settings first: they decide whether crashes leave a dump.
    settings.open();
    installCrashHandlerIfAsked(settings.getSetting(kGeneralGroup, kCrashDumpModeKey, int32_t(0)));

    // 4-5. (3, loading the TLS libraries, is not done here: Qt 6 loads its TLS backend, a
    // plug-in with libssl and libcrypto behind it, on the first use of TLS, and the hint
    // sender, the one TLS user of ours, asks for it before its first secure hint. Loading it
    // here cost every start a few milliseconds and megabytes for a run that may never
    // speak TLS.)
    qInstallMessageHandler(writeToStandardError);
    std::vector<std::unique_ptr<QLibrary>> preloaded;
    for (const char* name : kPreloadedQtLibraries)
        preloaded.push_back(std::make_unique<QLibrary>(QString::fromLatin1(name)));
    for (std::size_t i = 0; i < preloaded.size(); ++i) {
        if (i != kHintNetworkLibrary)
            preloaded[i]->load();
    }

    // 6: a request to end an already running player; nothing of a run exists yet.
    if (argc == 2 && QString::fromLatin1(argv[1]) == QLatin1String(kShutDownArgument)) {
        firstRunWrites.reset();
        std::exit(0);
    }

    // 7
    QString applicationName = QFileInfo(QString::fromLatin1(argc > 0 && argv[0] ? argv[0] : "")).baseName();
    if (applicationName.isEmpty())
        applicationName = QStringLiteral("MovraPlayerX");
    QCoreApplication::setOrganizationName(QStringLiteral("Movra"));
    QCoreApplication::setApplicationName(applicationName);

    // 8: must run before the application object exists: it reads Qt's native settings.
    importLegacySettings();

    // 9-10: the compiled-in plug-in folder is read before the application object exists,
    // because constructing it already searches the library paths for the platform plug-in.
    const QString compiledInQtPlugins = QLibraryInfo::path(QLibraryInfo::PluginsPath);
    auto app = std::make_unique<MovraPlayerApp>(argc, argv);
    QApplication::setQuitOnLastWindowClosed(true);
    setQtPluginFolder(compiledInQtPlugins);

    // 11-16. Components installed on an earlier run are plug-in folders like the shipped one:
    // without them a decoder installed yesterday would be asked for again today.
    app->addStreamEnginePluginFolders();
    app->refreshCodecPluginFolders();
    std::unique_ptr<QTranslator> qtTranslator;
    std::unique_ptr<QTranslator> playerTranslator;
    const QString locale = setUpLanguage(qtTranslator, playerTranslator);
    app->associateFileTypes(false);
    applyFirstLaunchDefaults(locale);
    // Opening a group makes its key when it is missing; the groups read after the batch
    // are opened in it, so that a first start's later reads commit nothing of their own.
    (void)settings.get(kDefaultViewPlugin, QString::fromLatin1(kDefaultPrimaryView));
    (void)settings.get(kDisableScreenSaver, true);
    // So are the groups the shipped main window reads as it opens (its plug-in has a registry
    // connection of its own, whose first commit would cost two syncs more).
    (void)settings.get(kAudioLanguage, QString());
    (void)settings.get(kUseExternalSubtitles, true);
    (void)settings.get(kRecentFiles, QString());
    firstRunWrites.reset();
    discoverPlayerPlugins(*app);
    CommonMenuBar::init(app->pluginContext());

    // 17: done() runs once, at the first pass of the event loop.
    auto startupTimer = std::make_unique<QTimer>();
    auto startupTime = std::make_unique<StartupTimer>();
    QObject::connect(startupTimer.get(), &QTimer::timeout, startupTime.get(), &StartupTimer::done);
    // The start frees most of what it allocated (catalogues, documents read once, the
    // first-run batch); the heap would keep those pages for the whole run.
    QObject::connect(startupTimer.get(), &QTimer::timeout, [] { malloc_trim(0); });
    startupTimer->setSingleShot(true);
    startupTimer->start(0);

    // 18: a maintenance run: the posted request does its work and quits; nothing else starts.
    if (ArgumentParser::instance().parseCommandLine(QCoreApplication::arguments())) {
        const int status = QApplication::exec();
        startupTimer.reset();
        startupTime.reset();
        qtTranslator.reset();
        playerTranslator.reset();
        preloaded.clear();
        // The application object lives on: plug-ins may still hold on to it at exit.
        (void)app.release();
        return status;
    }

    // 19-21
    runStartupPlugins(app->pluginContext());
    const QString defaultView = settings.get(kDefaultViewPlugin, QString::fromLatin1(kDefaultPrimaryView));
    if (!showPrimaryView(app->pluginContext(), defaultView))
        std::exit(kNoPrimaryViewStatus);
    PingManager::init([network = preloaded[kHintNetworkLibrary].get()] { network->load(); });
    sendStartHints();

    // 22
    const int status = QApplication::exec();

    // Shut-down.
    runShutdownPlugins(app->pluginContext());
    sendCloseHint();
    PingManager::close();
    settings.release();
    app.reset();
    for (auto& library : preloaded)
        library->unload();
    // This read reopens the settings store.
    if (settings.get(kDisableScreenSaver, true))
        SystemManager::Instance().restoreScreensaver();
    SystemManager::Instance().restoreSystemPowerManagement();

    startupTimer.reset();
    startupTime.reset();
    qtTranslator.reset();
    playerTranslator.reset();
    preloaded.clear();
    return status;
}

} // namespace MovraPlayerX

extern "C" MOVRA_SHELL_EXPORT int movramain(int argc, char** argv)
{
    // The application object keeps a reference to this very count for the whole call.
    return MovraPlayerX::runPlayer(argc, argv);
}

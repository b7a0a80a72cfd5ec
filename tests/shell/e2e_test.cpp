// The real movra-player, started as a process in an application folder of its own with a
// chosen set of plug-ins, on the offscreen platform and with a private registry.

#include "appfolder.h"
#include "pluginlog.h"
#include "platform/registry.h"
#include "settings/applicationsettings.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <QUrl>

#include <gtest/gtest.h>

#include <dlfcn.h>

using ShellTest::AppFolder;
using ShellTest::linesOf;
using ShellTest::RunResult;

namespace {

void setDefaultView(const AppFolder& folder, const QString& pluginName)
{
    const QByteArray previous = qgetenv("MOVRA_REGISTRY_DIR");
    qputenv("MOVRA_REGISTRY_DIR", folder.registryDir().toUtf8());
    MovraRegistry::resetRegistryForTesting();
    ASSERT_TRUE(MovraPlayerX::ApplicationSettings::startup().set(MovraPlayerX::kDefaultViewPlugin, pluginName));
    MovraPlayerX::ApplicationSettings::startup().release();
    MovraRegistry::resetRegistryForTesting();
    qputenv("MOVRA_REGISTRY_DIR", previous);
}

int indexOf(const QStringList& log, const QString& line)
{
    return static_cast<int>(log.indexOf(line));
}

QString describe(const RunResult& result)
{
    return QStringLiteral("exit %1, crashed %2, finished %3\nstdout:\n%4\nstderr:\n%5\nlog:\n%6")
        .arg(result.exitCode)
        .arg(result.crashed)
        .arg(result.finished)
        .arg(result.standardOutput, result.standardError, result.pluginLog.join(QLatin1Char('\n')));
}

TEST(Player, AddressesFromTheCommandLineReachTheHandlerInArgumentOrder)
{
    AppFolder folder({"TestView"});
    const RunResult result = folder.run({"/tmp/My Films/a b.mkv", "http://example.com/a%20b?x=1", "/abs/x.avi",
                                         "rtsp://cam/live", "/does/not/exist.mkv", "::not a url", "http://[::1"});
    ASSERT_TRUE(result.finished && !result.crashed) << qPrintable(describe(result));
    EXPECT_EQ(result.exitCode, 0);
    const QStringList view = linesOf(result.pluginLog, "test.view");
    // Not an address: a file named relative to the player's working directory (the folder's).
    const QString relative = QStringLiteral("openUri ")
                             + QString::fromLatin1(QUrl::fromLocalFile(folder.path() + QStringLiteral("/::not a url")).toEncoded());
    EXPECT_EQ(view.filter(QStringLiteral("openUri")),
              QStringList({"openUri file:///tmp/My%20Films/a%20b.mkv", "openUri http://example.com/a%20b?x=1",
                           "openUri file:///abs/x.avi", "openUri rtsp://cam/live",
                           "openUri file:///does/not/exist.mkv", relative,
                           // Not an address at all: the handler gets the empty text and decides.
                           "openUri "}))
        << qPrintable(describe(result));
    // Files are opened once the main window exists.
    EXPECT_LT(indexOf(view, "show"), indexOf(view, "openUri file:///tmp/My%20Films/a%20b.mkv"));
}

TEST(Player, ThousandsOfArgumentsAllArriveInOrder)
{
    AppFolder folder({"TestView"});
    QStringList arguments;
    QStringList expected;
    for (int i = 0; i < 2000; ++i) {
        arguments << QStringLiteral("/media/clip%1.mkv").arg(i);
        expected << QStringLiteral("openUri file:///media/clip%1.mkv").arg(i);
    }
    const RunResult result = folder.run(arguments);
    ASSERT_TRUE(result.finished && !result.crashed) << qPrintable(describe(result));
    EXPECT_EQ(linesOf(result.pluginLog, "test.view").filter(QStringLiteral("openUri")), expected);
}

TEST(Player, ArgumentsThatAreNotUtf8OrEmptyDoNoHarm)
{
    AppFolder folder({"TestView"});
    const RunResult result = folder.runShell(QStringLiteral("exec \"$0\" '' \"$(printf '/tmp/\\377\\376x.mkv')\" '' /tmp/ok.mkv"));
    ASSERT_TRUE(result.finished && !result.crashed) << qPrintable(describe(result));
    EXPECT_EQ(result.exitCode, 0);
    const QStringList opened = linesOf(result.pluginLog, "test.view").filter(QStringLiteral("openUri"));
    ASSERT_EQ(opened.size(), 2) << qPrintable(describe(result));
    EXPECT_TRUE(opened[0].startsWith(QStringLiteral("openUri file:///tmp/"))) << qPrintable(opened[0]);
    EXPECT_EQ(opened[1], QStringLiteral("openUri file:///tmp/ok.mkv"));
}

TEST(Player, StartupPluginsRunBeforeTheViewAndOnlyLiveShutdownPluginsAfterTheLoop)
{
    AppFolder folder({"TestView", "TestStartKeeper", "TestStartTransient"});
    const RunResult result = folder.run({});
    ASSERT_TRUE(result.finished && !result.crashed) << qPrintable(describe(result));
    EXPECT_EQ(result.exitCode, 0);
    const QStringList& log = result.pluginLog;
    const int viewShown = indexOf(log, "test.view show");
    ASSERT_GE(viewShown, 0) << qPrintable(describe(result));
    EXPECT_LT(indexOf(log, "test.startKeeper startup"), viewShown);
    EXPECT_LT(indexOf(log, "test.startTransient startup"), viewShown);
    // The transient plug-in's object was released after its start-up action: not live.
    EXPECT_EQ(indexOf(log, "test.startTransient shutdown"), -1);
    EXPECT_GT(indexOf(log, "test.startKeeper shutdown"), viewShown);
    // The application object's last words to playback: where it was, passed straight back.
    const int position = indexOf(log, "test.view position");
    EXPECT_GT(position, indexOf(log, "test.startKeeper shutdown"));
    EXPECT_EQ(indexOf(log, "test.view setPosition 4242"), position + 1);
}

// This platform sends no usage hints: a start must not pay for mapping the network
// libraries, while the libraries preloaded for plug-ins are there by the time a view shows.
TEST(Player, AStartWithoutHintsNeverMapsTheNetworkLibraries)
{
    AppFolder folder({"TestView"});
    const QString mapsCopy = folder.path() + QStringLiteral("/maps-at-show");
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("MOVRA_TEST_MAPS_COPY"), mapsCopy);
    const RunResult result = folder.run({}, environment);
    ASSERT_TRUE(result.finished && !result.crashed) << qPrintable(describe(result));
    EXPECT_EQ(result.exitCode, 0);
    QFile maps(mapsCopy);
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly)) << qPrintable(describe(result));
    const QByteArray mapped = maps.readAll();
    EXPECT_TRUE(mapped.contains("/MovraPlayer.so"));
    for (const char* library : {"libQt6Network", "MPXHints.so", "libkrb5", "libproxy"}) {
        EXPECT_FALSE(mapped.contains(library)) << library;
    }
    if (QFile::exists(QStringLiteral("/usr/lib/x86_64-linux-gnu/libQt6Sql.so"))) {
        EXPECT_TRUE(mapped.contains("libQt6Sql")) << "the preloads for plug-ins are still made";
    }
}

// The player's libraries find their neighbours beside them and the system's libraries in the
// system's places, never in the working directory, whatever is planted there.
TEST(Player, LibrariesInTheWorkingDirectoryAreNeverLoaded)
{
    AppFolder folder({"TestView"});
    QTemporaryDir elsewhere;
    ASSERT_TRUE(elsewhere.isValid());
    // Real libraries under the names of ones the player needs: loaded in their place, they
    // would lack every symbol the player asks of them.
    for (const char* name : {"libsqlite3.so.0", "libxml2.so.2", "libQt6Core.so.6"}) {
        ASSERT_TRUE(QFile::copy(folder.path() + QStringLiteral("/MSE_Logging.so"),
                                elsewhere.path() + QLatin1Char('/') + QLatin1String(name)));
    }
    const RunResult result = folder.runShell(QStringLiteral("cd '%1' && exec \"$0\"").arg(elsewhere.path()));
    ASSERT_TRUE(result.finished && !result.crashed) << qPrintable(describe(result));
    EXPECT_EQ(result.exitCode, 0) << qPrintable(describe(result));
    EXPECT_GE(indexOf(result.pluginLog, "test.view show"), 0) << qPrintable(describe(result));
}

TEST(Player, ADefaultViewThatIsMissingOrOffersNoViewFallsBackToThePrimaryView)
{
    AppFolder folder({"TestView", "TestViewNoPrimary", "TestPrimaryNoView"});
    for (const QString& preferred : {QStringLiteral("com.example.notInstalled"), QStringLiteral("test.primaryNoView")}) {
        SCOPED_TRACE(qPrintable(preferred));
        setDefaultView(folder, preferred);
        const RunResult result = folder.run({});
        ASSERT_TRUE(result.finished && !result.crashed) << qPrintable(describe(result));
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_TRUE(result.pluginLog.contains("test.view show")) << qPrintable(describe(result));
        EXPECT_FALSE(result.pluginLog.contains("test.viewNoPrimary show"));
    }
    // A default view that exists is taken even without the primaryView mark.
    setDefaultView(folder, QStringLiteral("test.viewNoPrimary"));
    const RunResult result = folder.run({});
    EXPECT_TRUE(result.pluginLog.contains("test.viewNoPrimary show")) << qPrintable(describe(result));
    EXPECT_FALSE(result.pluginLog.contains("test.view show"));
}

struct BrokenViewRow
{
    const char* name;
    QStringList plugins;
    const char* defaultView;
    int exitCode;
    const char* shown; // the view that starts, or null
    QStringList saidOnStandardError;
};

void PrintTo(const BrokenViewRow& row, std::ostream* out) { *out << row.name; }

class BrokenViewTest : public ::testing::TestWithParam<BrokenViewRow>
{
};

TEST_P(BrokenViewTest, AViewThatCannotStartIsPassedOverAndNamed)
{
    const BrokenViewRow& row = GetParam();
    AppFolder folder(row.plugins);
    setDefaultView(folder, QString::fromLatin1(row.defaultView));
    const RunResult result = folder.run({"/tmp/film.mkv"});
    ASSERT_TRUE(result.finished && !result.crashed) << qPrintable(describe(result));
    EXPECT_EQ(result.exitCode, row.exitCode) << qPrintable(describe(result));
    const QStringList shown = result.pluginLog.filter(QStringLiteral(" show"));
    if (row.shown) {
        EXPECT_EQ(shown, QStringList(QString::fromLatin1(row.shown) + QStringLiteral(" show"))) << qPrintable(describe(result));
        EXPECT_TRUE(result.pluginLog.contains(QString::fromLatin1(row.shown) + QStringLiteral(" openUri file:///tmp/film.mkv")));
    } else {
        EXPECT_TRUE(shown.isEmpty()) << qPrintable(describe(result));
    }
    for (const QString& text : row.saidOnStandardError)
        EXPECT_TRUE(result.standardError.contains(text)) << qPrintable(text) << "\n" << qPrintable(describe(result));
}

INSTANTIATE_TEST_SUITE_P(
    Player, BrokenViewTest,
    ::testing::Values(
        BrokenViewRow{"NamedViewMissesASymbol", {"TestView", "TestBrokenView"}, "test.brokenView", 0, "test.view",
                      {"'test.brokenView'", "TestBrokenView.so", "undefined symbol: _ZN10thirdparty13missingHelperEi",
                       "thirdparty::missingHelper(int)"}},
        BrokenViewRow{"FilterChoicesFailUntilTheShippedOne", {"TestBrokenView", "TestFailingView", "TestView"},
                      "com.example.notInstalled", 0, "test.view", {}},
        BrokenViewRow{"NamedViewsEntryFails", {"TestFailingView", "TestView"}, "test.failingView", 0, "test.view",
                      {"'test.failingView'", "_getPlugin returned 7"}},
        BrokenViewRow{"NoneCanStart", {"TestBrokenView", "TestFailingView"}, "test.brokenView", 1, nullptr,
                      {"thirdparty::missingHelper(int)", "'test.failingView'", "_getPlugin returned 7",
                       "no main window could be started"}}),
    [](const ::testing::TestParamInfo<BrokenViewRow>& info) { return std::string(info.param.name); });

TEST(Player, ABrokenRegistryFileLeavesDefaultsAndIsNeverOverwritten)
{
    AppFolder folder({"TestView"});
    const QByteArray garbage("this is not a database\n", 23);
    for (const char* root : {"/user.db", "/machine.db"}) {
        QFile file(folder.registryDir() + QLatin1String(root));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(garbage);
    }
    const RunResult result = folder.run({"/tmp/x.mkv"});
    ASSERT_TRUE(result.finished && !result.crashed) << qPrintable(describe(result));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.pluginLog.contains("test.view openUri file:///tmp/x.mkv")) << qPrintable(describe(result));
    EXPECT_TRUE(result.standardError.contains(QStringLiteral("user.db"))) << "the broken file is not named";
    for (const char* root : {"/user.db", "/machine.db"}) {
        QFile file(folder.registryDir() + QLatin1String(root));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), garbage) << root;
    }
}

TEST(Player, NoPrimaryViewEndsWithStatusOne)
{
    AppFolder folder({"TestViewNoPrimary", "TestPrimaryNoView", "TestStartTransient"});
    const RunResult result = folder.run({"/tmp/film.mkv"});
    ASSERT_TRUE(result.finished && !result.crashed) << qPrintable(describe(result));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.pluginLog.filter(QStringLiteral("show")).isEmpty());
    EXPECT_TRUE(result.standardError.contains(QStringLiteral(
        "no main window could be started: 'com.movra.playerX.plugin.MPXPlayerPlugin' (DefaultViewPlugin) is not installed")))
        << qPrintable(describe(result));
}

TEST(Player, ShutDownAloneEndsAtOnceAndWithAnythingElseIsAnOrdinaryRun)
{
    AppFolder folder({"TestView", "TestStartTransient"});
    RunResult result = folder.run({"-shutDown"});
    ASSERT_TRUE(result.finished && !result.crashed) << qPrintable(describe(result));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.pluginLog.isEmpty()) << qPrintable(describe(result));

    result = folder.run({"-shutDown", "/tmp/x.mkv"});
    ASSERT_TRUE(result.finished && !result.crashed) << qPrintable(describe(result));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.pluginLog.contains("test.view show"));
    EXPECT_TRUE(result.pluginLog.contains("test.view openUri file:///tmp/x.mkv"));
}

TEST(Player, AMaintenanceOptionRunsTheLoopWithoutStartingPlugins)
{
    AppFolder folder({"TestView", "TestStartKeeper"});
    for (const char* option : {"-initializeCaches", "--associateFileTypes", "/clearDownloadCache"}) {
        SCOPED_TRACE(option);
        const RunResult result = folder.run({QString::fromLatin1(option)});
        ASSERT_TRUE(result.finished && !result.crashed) << qPrintable(describe(result));
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_TRUE(result.pluginLog.filter(QRegularExpression(" (startup|show|shutdown)$")).isEmpty())
            << qPrintable(describe(result));
    }
}

TEST(Player, DeviceRegistrationStartsThePlayerNormally)
{
    AppFolder folder({"TestView", "TestStartKeeper"});
    const RunResult result = folder.run({"-kvsregisterdevice"});
    ASSERT_TRUE(result.finished && !result.crashed) << qPrintable(describe(result));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.pluginLog.contains("test.startKeeper startup"));
    EXPECT_TRUE(result.pluginLog.contains("test.view show"));
}

TEST(Player, TheShippedMainWindowShowsWhatItWasAskedToPlay)
{
    AppFolder folder({"MPXPlayerPlugin"});
    const QString picture = folder.path() + QStringLiteral("/window.png");
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("MOVRA_PLAYER_SNAPSHOT"), picture);
    environment.insert(QStringLiteral("MOVRA_DEMO_QUIT_AFTER_MS"), QStringLiteral("800"));
    // Its status lines only when asked for, and then on standard error.
    const RunResult quiet = folder.run({"/tmp/Sample Film.mkv"}, environment);
    ASSERT_TRUE(quiet.finished && !quiet.crashed) << qPrintable(describe(quiet));
    EXPECT_FALSE(quiet.standardOutput.contains(QStringLiteral("Movra Player:"))) << qPrintable(describe(quiet));
    EXPECT_FALSE(quiet.standardError.contains(QStringLiteral("opening file:"))) << qPrintable(describe(quiet));
    environment.insert(QStringLiteral("QT_LOGGING_RULES"),
                       QStringLiteral("movra.player.info=true;movra.player.debug=true"));
    const RunResult result = folder.run({"/tmp/Sample Film.mkv"}, environment);
    ASSERT_TRUE(result.finished && !result.crashed) << qPrintable(describe(result));
    EXPECT_EQ(result.exitCode, 0) << qPrintable(describe(result));
    EXPECT_TRUE(result.standardError.contains(QStringLiteral("opening file:///tmp/Sample%20Film.mkv")))
        << qPrintable(describe(result));
    // Keeping the position at shut-down asks the plug-in after its window has closed; that
    // must not build a second, hidden window.
    EXPECT_EQ(result.standardError.count(QStringLiteral("main window created")), 1)
        << qPrintable(describe(result));

    QImage image(picture);
    ASSERT_FALSE(image.isNull()) << qPrintable(describe(result));
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 4) {
        for (int x = 0; x < image.width(); x += 4)
            colours.insert(image.pixel(x, y));
    }
    // Text, menu and panels: far more than the one or two colours of an empty surface.
    EXPECT_GT(colours.size(), 8) << "the window picture looks blank";
}

TEST(Launcher, WithoutItsPlayerLibraryItSaysWhyAndExitsTwo)
{
    QTemporaryDir dir;
    const QString launcher = dir.path() + QStringLiteral("/movra-player");
    ASSERT_TRUE(QFile::copy(QStringLiteral(MOVRA_APP_DIR "/movra-player"), launcher));
    QFile(launcher).setPermissions(QFile(launcher).permissions() | QFileDevice::ExeOwner);

    QProcess process;
    process.setWorkingDirectory(QStringLiteral(MOVRA_APP_DIR));  // a real library here must not be used
    process.start(launcher, {});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 2);
    EXPECT_TRUE(process.readAllStandardError().contains("MovraPlayer.so"));

    QFile broken(dir.path() + QStringLiteral("/MovraPlayer.so"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a library");
    broken.close();
    process.start(launcher, {QStringLiteral("/tmp/film.mkv")});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 2);
}

// The launcher and any other host bind to the library by these two C names alone; every other
// function of ours stays inside it, so nothing else can come to be relied on. What else the
// dynamic table lists is the toolchain's: weak definitions of header code (template instances,
// vtables and type information, which a debug build leaves in greater number), one-definition
// objects and the linker's own markers. No strong function or object of ours besides the two.
TEST(ShellLibrary, ExportsExactlyItsTwoPlainEntryPoints)
{
    void* library = dlopen(MOVRA_APP_DIR "/MovraPlayer.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    EXPECT_NE(dlsym(library, "movramain"), nullptr);
    EXPECT_NE(dlsym(library, "commandline"), nullptr);
    dlclose(library);

    QProcess nm;
    nm.start(QStringLiteral("nm"), {QStringLiteral("-D"), QStringLiteral("--defined-only"), QStringLiteral(MOVRA_APP_DIR "/MovraPlayer.so")});
    ASSERT_TRUE(nm.waitForFinished(30000));
    ASSERT_EQ(nm.exitCode(), 0) << nm.readAllStandardError().toStdString();
    QStringList functions;
    QStringList unexpected;
    const QStringList linkerMarkers = {QStringLiteral("__bss_start"), QStringLiteral("_edata"), QStringLiteral("_end")};
    for (const QByteArray& line : nm.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() != 3)
            continue;
        const QString kind = QString::fromLatin1(fields[1]);
        const QString name = QString::fromLatin1(fields[2]);
        if (kind == QLatin1String("T"))
            functions << name;
        else if (kind == QLatin1String("W") || kind == QLatin1String("V") || kind == QLatin1String("u")
                 || linkerMarkers.contains(name))
            continue;
        else
            unexpected << kind + QLatin1Char(' ') + name;
    }
    functions.sort();
    EXPECT_EQ(functions, (QStringList{QStringLiteral("commandline"), QStringLiteral("movramain")}));
    EXPECT_TRUE(unexpected.isEmpty()) << unexpected.join(QLatin1Char('\n')).toStdString();
}

} // namespace

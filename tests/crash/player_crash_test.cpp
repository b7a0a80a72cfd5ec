// The real movra-player with CrashDumpMode set in its registry and a plug-in that crashes
// when its main window is asked for.

#include "appfolder.h"
#include "childprocess.h"
#include "crashtestsupport.h"
#include "minidumpreader.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <signal.h>

#include <regex>

using namespace CrashTest;
using ShellTest::AppFolder;
using ShellTest::RunResult;

namespace {

struct PlayerCrash
{
    RunResult result;
    std::string dump; // empty when there is not exactly one
};

// Runs the player of `folder` with CrashDumpMode 1, its desktop folder found through HOME
// alone (no XDG variable, no user-dirs file) and no display.
PlayerCrash runCrashingPlayer(const AppFolder& folder, const QStringList& arguments,
                              QProcessEnvironment environment = {})
{
    PlayerCrash crash;
    const QString desktop = folder.path() + QStringLiteral("/home/Desktop");
    EXPECT_TRUE(QDir().mkpath(desktop));
    const ChildResult set = runChild({MOVRA_APP_DIR "/movra-reg", "add", "HKCU\\SOFTWARE\\Movra\\Settings\\Player\\General",
                                      "/v", "CrashDumpMode", "/t", "REG_DWORD", "/d", "1", "/f"},
                                     {{"MOVRA_REGISTRY_DIR", folder.registryDir().toStdString()}}, folder.path().toStdString());
    EXPECT_TRUE(set.ended && WIFEXITED(set.status) && WEXITSTATUS(set.status) == 0) << set.describe();

    environment.insert(QStringLiteral("HOME"), folder.path() + QStringLiteral("/home"));
    environment.insert(QStringLiteral("XDG_DESKTOP_DIR"), QString());
    environment.insert(QStringLiteral("DISPLAY"), QString());
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), QString());
    crash.result = folder.run(arguments, environment);
    std::vector<std::string> dumps;
    static const std::regex pattern("movra-player-[0-9a-f]{1,8}\\.dmp");
    for (const std::string& name : folderEntries(desktop.toStdString())) {
        if (std::regex_match(name, pattern))
            dumps.push_back(name);
    }
    EXPECT_EQ(dumps.size(), 1u) << qPrintable(crash.result.standardError);
    if (dumps.size() == 1)
        crash.dump = desktop.toStdString() + "/" + dumps.front();
    return crash;
}

// Copies a test plug-in into `folder` (copied, not linked: the message names the library
// where the player loaded it) and returns the path of its library.
std::string addTestPlugin(const AppFolder& folder, const QString& subfolder, const QString& name)
{
    const QString plugins = folder.path() + QLatin1Char('/') + subfolder;
    for (const QString& suffix : {QStringLiteral(".so"), QStringLiteral(".xml")})
        EXPECT_TRUE(QFile::copy(QStringLiteral(SHELL_TEST_PLUGIN_DIR "/") + name + suffix,
                                plugins + QLatin1Char('/') + name + suffix));
    return (plugins + QLatin1Char('/') + name + QStringLiteral(".so")).toStdString();
}

// The process's own id, from the /proc/<pid>/status copy in the dump.
uint32_t processIdIn(const MinidumpReader& reader)
{
    static const std::regex pid("(^|\n)Pid:\\s*([0-9]+)");
    const std::string status = reader.streamBytes(MovraPlatform::Minidump::kLinuxProcStatusStream);
    std::smatch match;
    return std::regex_search(status, match, pid) ? uint32_t(std::stoul(match[2])) : 0;
}

// What every crash in a plug-in shows: the process ended by SIGSEGV, the message names the
// plug-in, and the dump lists it and, when asked, puts the crash on a thread other than
// the main one.
void expectPluginCrash(const PlayerCrash& crash, const std::string& plugin, bool onOtherThread)
{
    ASSERT_TRUE(crash.result.finished) << qPrintable(crash.result.standardError);
    EXPECT_TRUE(crash.result.crashed);
    EXPECT_EQ(crash.result.exitCode, SIGSEGV);
    if (crash.dump.empty())
        return;
    EXPECT_NE(crash.result.standardError.toStdString().find(messageFor(crash.dump) + "\n\nThe crash happened in the plug-in "
                                                            + plugin + ".\n"),
              std::string::npos)
        << qPrintable(crash.result.standardError);

    const MinidumpReader reader(crash.dump);
    ASSERT_EQ(reader.error(), "");
    ASSERT_NE(reader.moduleNamed(plugin), nullptr);
    EXPECT_EQ(reader.moduleNamed(plugin)->buildId, fileBuildId(plugin));
    ASSERT_TRUE(reader.exception().has_value());
    if (onOtherThread) {
        const uint32_t pid = processIdIn(reader);
        EXPECT_NE(pid, 0u);
        EXPECT_NE(reader.exception()->threadId, pid) << "the crash was on the main thread";
    }
}

TEST(PlayerCrash, APluginCrashLeavesADumpAndTheMessageNamesThePlugin)
{
    if (kUnderSanitizer)
        GTEST_SKIP() << "the sanitizer's own handlers own the fatal signals; the crash handler is tested in the plain build";
    AppFolder folder({});
    const std::string plugin = addTestPlugin(folder, QStringLiteral("MPXPlugins"), QStringLiteral("CrashingView"));
    const PlayerCrash crash = runCrashingPlayer(folder, {});
    expectPluginCrash(crash, plugin, false);
    if (!crash.dump.empty()) {
        EXPECT_EQ(MinidumpReader(crash.dump).streamBytes(MovraPlatform::Minidump::kMovraPluginListStream), plugin + "\n");
    }
}

// glibc gives a new thread no alternate signal stack, so an overflow there left the handler
// no stack to run on: the process died without a dump. Every thread gets one.
TEST(PlayerCrash, AStackOverflowOnAPluginsOwnThreadLeavesADump)
{
    if (kUnderSanitizer)
        GTEST_SKIP() << "the sanitizer's own handlers own the fatal signals; the crash handler is tested in the plain build";
    AppFolder folder({});
    const std::string plugin = addTestPlugin(folder, QStringLiteral("MPXPlugins"), QStringLiteral("CrashingView"));
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("CRASHING_VIEW"), QStringLiteral("thread-overflow"));
    expectPluginCrash(runCrashingPlayer(folder, {}, environment), plugin, true);
}

// The shipped player plays an H.264 file whose decoder overflows the stack of the thread
// that feeds it packets: the player's own video thread.
TEST(PlayerCrash, AStackOverflowOnAPlaybackThreadLeavesADump)
{
    if (kUnderSanitizer)
        GTEST_SKIP() << "the sanitizer's own handlers own the fatal signals; the crash handler is tested in the plain build";
    AppFolder folder({QStringLiteral("MPXPlayerPlugin")});
    const std::string plugin = addTestPlugin(folder, QStringLiteral("MSEPlugins"), QStringLiteral("OverflowingDecoder"));
    QProcessEnvironment environment;
    // Long enough to reach the first packet on a busy machine; the crash ends it sooner.
    environment.insert(QStringLiteral("MOVRA_DEMO_QUIT_AFTER_MS"), QStringLiteral("30000"));
    expectPluginCrash(runCrashingPlayer(folder, {QStringLiteral(MOVRA_TEST_MEDIA_DIR "/h264_aac.mp4")}, environment),
                      plugin, true);
}

} // namespace

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

TEST(PlayerCrash, APluginCrashLeavesADumpAndTheMessageNamesThePlugin)
{
    if (kUnderSanitizer)
        GTEST_SKIP() << "the sanitizer's own handlers own the fatal signals; the crash handler is tested in the plain build";
    AppFolder folder({});
    // Copied, not linked: the message names the library where the player loaded it.
    const QString plugins = folder.path() + QStringLiteral("/MPXPlugins");
    for (const char* file : {"CrashingView.so", "CrashingView.xml"})
        ASSERT_TRUE(QFile::copy(QStringLiteral(SHELL_TEST_PLUGIN_DIR "/") + QLatin1String(file),
                                plugins + QLatin1Char('/') + QLatin1String(file)));
    const QString desktop = folder.path() + QStringLiteral("/home/Desktop");
    ASSERT_TRUE(QDir().mkpath(desktop));

    const ChildResult set = runChild({MOVRA_APP_DIR "/movra-reg", "add", "HKCU\\SOFTWARE\\Movra\\Settings\\Player\\General",
                                      "/v", "CrashDumpMode", "/t", "REG_DWORD", "/d", "1", "/f"},
                                     {{"MOVRA_REGISTRY_DIR", folder.registryDir().toStdString()}}, folder.path().toStdString());
    ASSERT_TRUE(set.ended && WIFEXITED(set.status) && WEXITSTATUS(set.status) == 0) << set.describe();

    // The desktop folder through HOME alone: no XDG variable and no user-dirs file.
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("HOME"), folder.path() + QStringLiteral("/home"));
    environment.insert(QStringLiteral("XDG_DESKTOP_DIR"), QString());
    environment.insert(QStringLiteral("DISPLAY"), QString());
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), QString());
    const RunResult result = folder.run({}, environment);
    ASSERT_TRUE(result.finished) << qPrintable(result.standardError);
    EXPECT_TRUE(result.crashed);
    EXPECT_EQ(result.exitCode, SIGSEGV);

    std::vector<std::string> dumps;
    static const std::regex pattern("movra-player-[0-9a-f]{1,8}\\.dmp");
    for (const std::string& name : folderEntries(desktop.toStdString())) {
        if (std::regex_match(name, pattern))
            dumps.push_back(name);
    }
    ASSERT_EQ(dumps.size(), 1u) << qPrintable(result.standardError);
    const std::string dump = desktop.toStdString() + "/" + dumps.front();
    const std::string plugin = (plugins + QStringLiteral("/CrashingView.so")).toStdString();
    EXPECT_NE(result.standardError.toStdString().find(messageFor(dump) + "\n\nThe crash happened in the plug-in "
                                                      + plugin + ".\n"),
              std::string::npos)
        << qPrintable(result.standardError);

    const MinidumpReader reader(dump);
    ASSERT_EQ(reader.error(), "");
    EXPECT_EQ(reader.streamBytes(MovraPlatform::Minidump::kMovraPluginListStream), plugin + "\n");
    ASSERT_NE(reader.moduleNamed(plugin), nullptr);
    EXPECT_EQ(reader.moduleNamed(plugin)->buildId, fileBuildId(plugin));
}

} // namespace

// The real movra-player on a session bus of the test's own: playerctl finds it, drives it and
// reads it back, the stand-in screen saver is held while the film plays and let go when it is
// paused and when the player is told to quit, and the player then ends by itself.

#include "appfolder.h"
#include "desktopbus.h"
#include "playbacksupport.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

using desktoptest::playerctl;
using playbacktest::kPlayerWaitMs;
using playbacktest::waitFor;
using ShellTest::AppFolder;

TEST(DesktopEndToEnd, PlayerctlDrivesTheRealPlayerAndTheScreenSaverIsLetGoAtQuit)
{
    ASSERT_FALSE(desktoptest::privateBus().isEmpty()) << "dbus-daemon did not start";
    desktoptest::ScreenSaverService screenSaver;
    ASSERT_TRUE(screenSaver.registered());

    AppFolder folder{QStringList{QStringLiteral("MPXPlayerPlugin")}};
    const QString clip = folder.path() + QStringLiteral("/film.mkv");
    ASSERT_TRUE(QFile::copy(QStringLiteral(MOVRA_TEST_CONTROLS_MEDIA_DIR "/chapters.mkv"), clip));
    QProcessEnvironment extra;
    extra.insert(QStringLiteral("MOVRA_AUDIO_OUTPUT"), QStringLiteral("wav:") + folder.path() + QStringLiteral("/out.wav"));
    extra.insert(QStringLiteral("MOVRA_DEMO_QUIT_AFTER_MS"), QString());
    QProcess player;
    player.setProcessEnvironment(folder.environment(extra));
    player.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    player.start(folder.launcher(), {clip});
    ASSERT_TRUE(player.waitForStarted(10000));
    struct Stop
    {
        QProcess& player;
        ~Stop()
        {
            if (player.state() != QProcess::NotRunning) {
                player.kill();
                player.waitForFinished(10000);
            }
        }
    } stop{player};

    ASSERT_TRUE(waitFor([&] { return playerctl({QStringLiteral("status")}).output == QLatin1String("Playing"); }, kPlayerWaitMs));
    EXPECT_TRUE(playerctl({QStringLiteral("metadata"), QStringLiteral("xesam:url")}).output.endsWith(QLatin1String("/film.mkv")));
    EXPECT_GT(playerctl({QStringLiteral("metadata"), QStringLiteral("mpris:length")}).output.toLongLong(), 9000000);
    ASSERT_TRUE(waitFor([&] { return screenSaver.calls() == QStringList{QStringLiteral("Inhibit")}; }, kPlayerWaitMs));

    EXPECT_EQ(playerctl({QStringLiteral("play-pause")}).exitCode, 0);
    EXPECT_TRUE(waitFor([&] { return playerctl({QStringLiteral("status")}).output == QLatin1String("Paused"); }, kPlayerWaitMs));
    EXPECT_TRUE(waitFor([&] { return screenSaver.calls().size() == 2; }, kPlayerWaitMs));
    EXPECT_EQ(screenSaver.calls().value(1), QStringLiteral("UnInhibit 1"));

    EXPECT_EQ(playerctl({QStringLiteral("position"), QStringLiteral("4")}).exitCode, 0);
    EXPECT_TRUE(waitFor([&] { return qAbs(playerctl({QStringLiteral("position")}).output.toDouble() - 4.0) < 0.01; }, kPlayerWaitMs));
    EXPECT_EQ(playerctl({QStringLiteral("volume"), QStringLiteral("0.5")}).exitCode, 0);
    EXPECT_TRUE(waitFor([&] { return qAbs(playerctl({QStringLiteral("volume")}).output.toDouble() - 0.5) < 0.001; }, kPlayerWaitMs));

    EXPECT_EQ(playerctl({QStringLiteral("play")}).exitCode, 0);
    EXPECT_TRUE(waitFor([&] { return screenSaver.calls().size() == 3; }, kPlayerWaitMs));
    EXPECT_EQ(screenSaver.calls().value(2), QStringLiteral("Inhibit"));

    // Quit as the desktop's sound menu asks it: the player goes by itself, exits cleanly and
    // lets the screen saver go on its way out.
    const QDBusMessage quit = QDBusMessage::createMethodCall(
        QStringLiteral("org.mpris.MediaPlayer2.movraplayer"), QStringLiteral("/org/mpris/MediaPlayer2"),
        QStringLiteral("org.mpris.MediaPlayer2"), QStringLiteral("Quit"));
    // Its answer may be lost with the process, which closes as soon as it has been given: what
    // counts is that the player ends cleanly.
    EXPECT_TRUE(QDBusConnection::sessionBus().send(quit));
    ASSERT_TRUE(waitFor([&] { return player.state() == QProcess::NotRunning; }, kPlayerWaitMs));
    EXPECT_EQ(player.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(player.exitCode(), 0);
    EXPECT_EQ(screenSaver.calls().value(3), QStringLiteral("UnInhibit 2"));
    EXPECT_EQ(screenSaver.calls().size(), 4);
}

} // namespace

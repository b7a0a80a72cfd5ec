// The codec road with everything real: the player with its own main window and decoder
// plug-ins, the component manager, and the build's decoder components published on a
// loopback server. A file whose decoder is not installed ends playing after the install, also
// when the server was down at first and the user tries again once it is back.

#include "appfolder.h"
#include "codectestsupport.h"
#include "componenttestkit.h"
#include "desktopbus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTcpServer>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <thread>

namespace {

using ShellTest::AppFolder;
using ShellTest::RunResult;

class PlaybackCodecEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(desktoptest::privateBus().isEmpty()) << "dbus-daemon did not start";
        const Published& server = published();
        ASSERT_EQ(server.status, 0) << server.output;
        CodecTest::writeComponentManagerRecord(folder.registryDir(), ComponentTest::appDir() + "/ComponentManager",
                                               root(), server.key);
    }

    // The signed catalogue and packages, made once for every case: nothing the player does
    // changes them, and packing them is most of a case's set-up.
    struct Published
    {
        Published()
        {
            const std::string publish = ComponentTest::appDir() + "/movra-publish";
            ComponentTest::RunResult made = ComponentTest::run({publish, "--generate-key", folder + "/key"});
            if (made.status == 0) {
                key = ComponentTest::readFile(folder + "/key.pub");
                key.pop_back();
                std::vector<std::string> args = {publish, "--key", folder + "/key.key", "--out", folder + "/server",
                                                 "--component", "MPC", "--version", "3.1.0", "--folder", component("MPC")};
                for (const auto& [name, feature] :
                     {std::pair<const char*, const char*>{"AVCCodec", "video_decoder.avc"},
                      {"HEVCCodec", "video_decoder.hevc"}, {"MPEG4Decoder", "video_decoder.mpeg4"}}) {
                    for (const std::string& a : {std::string("--component"), std::string(name), std::string("--version"),
                                                 std::string("1.0"), std::string("--folder"), component(name),
                                                 std::string("--provides"), std::string(feature),
                                                 std::string("--requires"), std::string("MPC")})
                        args.push_back(a);
                }
                made = ComponentTest::run(args);
            }
            status = made.status;
            output = made.output;
        }
        ~Published() { QDir(QString::fromStdString(folder)).removeRecursively(); }
        Published(const Published&) = delete;
        Published& operator=(const Published&) = delete;

        std::string folder = ComponentTest::makeTemporaryFolder("playback-codec-e2e-server");
        std::string key;
        int status = -1;
        std::string output;
    };
    static const Published& published()
    {
        static const Published made;
        return made;
    }
    static std::string serverFolder() { return published().folder + "/server"; }

    void TearDown() override { QDir(QString::fromStdString(work)).removeRecursively(); }

    static std::string component(const char* name) { return std::string(MOVRA_TEST_COMPONENTS_DIR "/") + name; }
    std::string root() const { return work + "/components"; }

    RunResult play(const char* media, const std::string& server, QProcessEnvironment environment = {})
    {
        environment.insert(QStringLiteral("MOVRA_COMPONENT_SERVER"), QString::fromStdString(server));
        environment.insert(QStringLiteral("MOVRA_COMPONENTS_LOG"), QString::fromStdString(work + "/components.log"));
        environment.insert(QStringLiteral("MOVRA_COMPONENTS_TIMEOUT_MS"), QStringLiteral("5000"));
        environment.insert(QStringLiteral("MOVRA_AUDIO_OUTPUT"), QString::fromStdString("wav:" + work + "/sound.wav"));
        // The player's status lines, read below, are off unless asked for.
        environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("movra.player.info=true"));
        // The run ends when the player says its queue has ended. Should it never say so, the
        // window still closes by itself, long after any install and the two-second clip.
        environment.insert(QStringLiteral("MOVRA_DEMO_QUIT_AFTER_MS"), QString::number(kBackstopMs));
        return runUntilTheQueueEnds({QStringLiteral(MOVRA_TEST_MEDIA_DIR "/") + QLatin1String(media)}, environment);
    }

    // Reads the player's status lines until its queue has ended, then quits it as the desktop
    // does (MPRIS on the tests' own bus), so that its exit status and what it wrote at the end
    // are those of a user's run. Polls rather than waiting on signals: one case runs this on a
    // thread of its own, without an event loop.
    RunResult runUntilTheQueueEnds(const QStringList& arguments, const QProcessEnvironment& extra) const
    {
        QFile::remove(folder.path() + QStringLiteral("/plugins.log"));
        QProcess player;
        player.setProcessEnvironment(folder.environment(extra));
        player.setWorkingDirectory(folder.path());
        player.setReadChannel(QProcess::StandardError);
        player.start(folder.launcher(), arguments);
        RunResult result;
        if (!player.waitForStarted(10000))
            return result;
        QString out;
        QElapsedTimer clock;
        clock.start();
        bool ended = false;
        while (!ended && clock.elapsed() < kBackstopMs + 30000) {
            const bool read = player.waitForReadyRead(250);
            out += QString::fromLocal8Bit(player.readAllStandardError());
            ended = out.contains(QLatin1String("the queue has ended"));
            if (!read && player.state() == QProcess::NotRunning)
                break;
        }
        if (ended && player.state() == QProcess::Running) {
            const QDBusMessage quit = QDBusMessage::createMethodCall(
                QStringLiteral("org.mpris.MediaPlayer2.movraplayer"), QStringLiteral("/org/mpris/MediaPlayer2"),
                QStringLiteral("org.mpris.MediaPlayer2"), QStringLiteral("Quit"));
            QDBusConnection::sessionBus().send(quit);
        }
        result.finished = player.waitForFinished(60000);
        if (!result.finished) {
            player.kill();
            player.waitForFinished(5000);
        }
        result.crashed = player.exitStatus() == QProcess::CrashExit;
        result.exitCode = player.exitCode();
        result.standardOutput = QString::fromLocal8Bit(player.readAllStandardOutput());
        result.standardError = out + QString::fromLocal8Bit(player.readAllStandardError());
        return result;
    }

    static constexpr int kBackstopMs = 40000;

    void expectPlaysAfterInstall(const char* media, const char* componentName)
    {
        ComponentTest::Server server(serverFolder());
        const RunResult result = play(media, server.url());
        ASSERT_TRUE(result.finished);
        EXPECT_FALSE(result.crashed);
        EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
        expectPlayedAfterInstall(result.standardError, componentName);
        EXPECT_EQ(ComponentTest::readFile(work + "/components.log"), "");
    }

    void expectPlayedAfterInstall(const QString& out, const char* componentName)
    {
        // Asked for the codec, then handed the same address again, then played it through.
        const int waiting = out.indexOf(QStringLiteral("Waiting for the"));
        ASSERT_GE(waiting, 0) << out.toStdString();
        EXPECT_EQ(out.count(QStringLiteral("opening file://")), 2) << out.toStdString();
        expectPlayedThrough(out);
        EXPECT_TRUE(ComponentTest::exists(root() + "/" + componentName + "/" + componentName + ".so"));
        EXPECT_TRUE(ComponentTest::exists(root() + "/MPC/MPC.so"));
    }

    static void expectPlayedThrough(const QString& out)
    {
        const QRegularExpressionMatch frames =
            QRegularExpression(QStringLiteral("frames shown (\\d+), dropped (\\d+)")).match(out);
        ASSERT_TRUE(frames.hasMatch()) << out.toStdString();
        const int shown = frames.captured(1).toInt();
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        // A sanitizer build decodes too slowly to reach every picture in time: the clip must
        // still play, and to its end.
        EXPECT_GE(shown, 1) << out.toStdString();
        const QRegularExpressionMatch position =
            QRegularExpression(QStringLiteral("position (\\d+\\.\\d+) s")).match(out);
        ASSERT_TRUE(position.hasMatch()) << out.toStdString();
        EXPECT_GE(position.captured(1).toDouble(), 1.9) << out.toStdString();
#else
        // Every picture of the clip was reached, shown or (late) dropped, most of them shown.
        EXPECT_GE(shown + frames.captured(2).toInt(), 25) << out.toStdString();
        EXPECT_GE(shown, 25) << out.toStdString();
#endif
    }

    // A loopback port nobody listens on, for a server that is down.
    static int unusedPort()
    {
        QTcpServer probe;
        return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
    }

    std::string work = ComponentTest::makeTemporaryFolder("playback-codec-e2e");
    AppFolder folder{QStringList{QStringLiteral("MPXPlayerPlugin")}};
};

TEST_F(PlaybackCodecEndToEnd, H264PlaysAfterItsDecoderIsInstalled)
{
    expectPlaysAfterInstall("h264_aac.mp4", "AVCCodec");
}

TEST_F(PlaybackCodecEndToEnd, HevcPlaysAfterItsDecoderIsInstalled)
{
    expectPlaysAfterInstall("hevc_opus.mkv", "HEVCCodec");
}

TEST_F(PlaybackCodecEndToEnd, Mpeg4PlaysAfterItsDecoderIsInstalled)
{
    expectPlaysAfterInstall("mpeg4_mp3.avi", "MPEG4Decoder");
}

struct NextStartRow
{
    const char* name;
    const char* media;
    const char* component;
};

// Test names carry the row name; this keeps the raw bytes out of them.
void PrintTo(const NextStartRow& row, std::ostream* out)
{
    *out << row.name;
}

class PlaybackCodecNextStart : public PlaybackCodecEndToEnd, public ::testing::WithParamInterface<NextStartRow>
{
};

// A decoder installed on one run plays on the next with the component server gone: the
// second start registers the installed component's folder itself and asks for nothing.
TEST_P(PlaybackCodecNextStart, InstalledDecoderPlaysWithTheServerGone)
{
    const NextStartRow& row = GetParam();
    expectPlaysAfterInstall(row.media, row.component);
    const int port = unusedPort();
    ASSERT_GT(port, 0);
    const RunResult second = play(row.media, "http://127.0.0.1:" + std::to_string(port) + "/ok");
    ASSERT_TRUE(second.finished);
    EXPECT_FALSE(second.crashed);
    EXPECT_EQ(second.exitCode, 0) << second.standardError.toStdString();
    const QString out = second.standardError;
    EXPECT_FALSE(out.contains(QStringLiteral("Waiting for the"))) << out.toStdString();
    EXPECT_EQ(out.count(QStringLiteral("opening file://")), 1) << out.toStdString();
    expectPlayedThrough(out);
    EXPECT_EQ(ComponentTest::readFile(work + "/components.log"), "");
}

INSTANTIATE_TEST_SUITE_P(Decoders, PlaybackCodecNextStart,
                         ::testing::Values(NextStartRow{"H264", "h264_aac.mp4", "AVCCodec"},
                                           NextStartRow{"Hevc", "hevc_opus.mkv", "HEVCCodec"}),
                         [](const ::testing::TestParamInfo<NextStartRow>& info) { return std::string(info.param.name); });

// The server is down when the player asks for the decoder: the panel turns into its error
// look over the player window. Once the server is back on the same address, "Try again"
// installs the decoder and the file plays.
TEST_F(PlaybackCodecEndToEnd, TryAgainPlaysOnceTheServerIsBack)
{
    const int port = unusedPort();
    ASSERT_GT(port, 0);
    const std::string address = "http://127.0.0.1:" + std::to_string(port) + "/ok";
    // A scripted user beside the shipped player answers the panel, once the gate file exists.
    for (const char* file : {"/CodecTestUser.so", "/CodecTestUser.xml"})
        ASSERT_TRUE(QFile::link(QStringLiteral(CODEC_PLUGIN_POOL) + QLatin1String(file),
                                folder.path() + QStringLiteral("/MPXPlugins") + QLatin1String(file)));
    const QString gate = folder.path() + QStringLiteral("/server-is-back");
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("MOVRA_TEST_CODEC_ANSWERS"), QStringLiteral("retry"));
    environment.insert(QStringLiteral("MOVRA_TEST_ANSWER_WHEN"), gate);

    RunResult result;
    std::thread player([&] { result = play("h264_aac.mp4", address, environment); });

    const QString errorLook = QStringLiteral(
        "panel Error 21: Can't download Movra codec. Please check your internet connection and try again"
        " [Cancel] [Try again]");
    const QString pluginLog = folder.path() + QStringLiteral("/plugins.log");
    bool failedFirst = false;
    for (int waited = 0; waited < 30000 && !failedFirst; waited += 20) {
        failedFirst = CodecTest::readLines(pluginLog).contains(errorLook);
        if (!failedFirst)
            QThread::msleep(20);
    }
    // The server comes back on the port the player was told, and only then is the question
    // answered. Without the error look the run still ends: its window closes on its own, late.
    std::unique_ptr<ComponentTest::Server> server;
    if (failedFirst)
        server = std::make_unique<ComponentTest::Server>(serverFolder(), port);
    EXPECT_TRUE(QFile(gate).open(QIODevice::WriteOnly));
    player.join();
    ASSERT_TRUE(failedFirst) << CodecTest::readLines(pluginLog).join(QLatin1Char('\n')).toStdString()
                             << result.standardError.toStdString();

    ASSERT_TRUE(result.finished);
    EXPECT_FALSE(result.crashed);
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    // Downloading, the error, the answer, downloading again, and the panel gone with the file
    // playing. A downloading look may come and go between two looks at the panel (a refused
    // connection fails at once), so only the error, the answer and the end are required.
    const QStringList seen = CodecTest::readLines(pluginLog);
    const std::string trace = seen.join(QLatin1Char('\n')).toStdString();
    const QString downloading = QStringLiteral(
        "panel Downloading Movra codec... please be patient, this only needs to happen once.");
    const int error = seen.indexOf(errorLook);
    ASSERT_GE(error, 0) << trace;
    ASSERT_LT(error + 2, seen.size()) << trace;
    for (int i = 0; i < error; ++i)
        EXPECT_TRUE(seen.at(i).startsWith(downloading)) << trace;
    EXPECT_EQ(seen.count(errorLook), 1) << trace;
    EXPECT_EQ(seen.at(error + 1).toStdString(), "answer retry") << trace;
    EXPECT_EQ(seen.last().toStdString(), "panel gone") << trace;

    expectPlayedAfterInstall(result.standardError, "AVCCodec");
    // The refused connection was written down once; the install after it went through cleanly.
    const std::string componentsLog = ComponentTest::readFile(work + "/components.log");
    const QStringList problems =
        QString::fromStdString(componentsLog).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(problems.size(), 1) << componentsLog;
    EXPECT_TRUE(problems.first().contains(QStringLiteral("catalog.json"))) << problems.first().toStdString();
}

} // namespace

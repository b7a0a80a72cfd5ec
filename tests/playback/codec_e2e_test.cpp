// The codec road with everything real: the player with its own main window and decoder
// plug-ins, the component manager, and the build's decoder components published on a
// loopback server. A file whose decoder is not installed ends playing after the install.

#include "appfolder.h"
#include "codectestsupport.h"
#include "componenttestkit.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

using ShellTest::AppFolder;
using ShellTest::RunResult;

class PlaybackCodecEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const std::string publish = ComponentTest::appDir() + "/movra-publish";
        ASSERT_EQ(ComponentTest::run({publish, "--generate-key", work + "/key"}).status, 0);
        std::string key = ComponentTest::readFile(work + "/key.pub");
        key.pop_back();
        std::vector<std::string> args = {publish, "--key", work + "/key.key", "--out", work + "/server",
                                         "--component", "MPC", "--version", "3.1.0", "--folder", component("MPC")};
        for (const auto& [name, feature] : {std::pair<const char*, const char*>{"AVCCodec", "video_decoder.avc"},
                                            {"HEVCCodec", "video_decoder.hevc"}, {"MPEG4Decoder", "video_decoder.mpeg4"}}) {
            for (const std::string& a : {std::string("--component"), std::string(name), std::string("--version"),
                                         std::string("1.0"), std::string("--folder"), component(name),
                                         std::string("--provides"), std::string(feature), std::string("--requires"),
                                         std::string("MPC")})
                args.push_back(a);
        }
        const ComponentTest::RunResult published = ComponentTest::run(args);
        ASSERT_EQ(published.status, 0) << published.output;

        CodecTest::writeComponentManagerRecord(folder.registryDir(), ComponentTest::appDir() + "/ComponentManager",
                                               root(), key);
    }

    void TearDown() override { QDir(QString::fromStdString(work)).removeRecursively(); }

    static std::string component(const char* name) { return std::string(MOVRA_TEST_COMPONENTS_DIR "/") + name; }
    std::string root() const { return work + "/components"; }

    RunResult play(const char* media, const std::string& server)
    {
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("MOVRA_COMPONENT_SERVER"), QString::fromStdString(server));
        environment.insert(QStringLiteral("MOVRA_COMPONENTS_LOG"), QString::fromStdString(work + "/components.log"));
        environment.insert(QStringLiteral("MOVRA_COMPONENTS_TIMEOUT_MS"), QStringLiteral("5000"));
        environment.insert(QStringLiteral("MOVRA_AUDIO_OUTPUT"), QString::fromStdString("wav:" + work + "/sound.wav"));
        // Long enough for the install and the whole two-second clip; a sanitizer build decodes
        // several times slower.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        environment.insert(QStringLiteral("MOVRA_DEMO_QUIT_AFTER_MS"), QStringLiteral("25000"));
#else
        environment.insert(QStringLiteral("MOVRA_DEMO_QUIT_AFTER_MS"), QStringLiteral("6000"));
#endif
        return folder.run({QStringLiteral(MOVRA_TEST_MEDIA_DIR "/") + QLatin1String(media)}, environment, 60000);
    }

    void expectPlaysAfterInstall(const char* media, const char* componentName)
    {
        ComponentTest::Server server(work + "/server");
        const RunResult result = play(media, server.url());
        ASSERT_TRUE(result.finished);
        EXPECT_FALSE(result.crashed);
        EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
        const QString out = result.standardOutput;
        // Asked for the codec, then handed the same address again, then played it through.
        const int waiting = out.indexOf(QStringLiteral("Waiting for the"));
        ASSERT_GE(waiting, 0) << out.toStdString();
        EXPECT_EQ(out.count(QStringLiteral("opening file://")), 2) << out.toStdString();
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
        EXPECT_TRUE(ComponentTest::exists(root() + "/" + componentName + "/" + componentName + ".so"));
        EXPECT_TRUE(ComponentTest::exists(root() + "/MPC/MPC.so"));
        EXPECT_EQ(ComponentTest::readFile(work + "/components.log"), "");
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

} // namespace

// The real player, the real component manager and a component server on loopback: a file
// that needs the AVC decoder makes the player install it (and the codec pack it requires)
// and open the file again; a server whose catalogue does not verify shows its status.

#include "appfolder.h"
#include "codectestsupport.h"
#include "componenttestkit.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

using ShellTest::AppFolder;
using ShellTest::RunResult;

class ComponentEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QFile media(QString::fromStdString(mediaFile()));
        ASSERT_TRUE(media.open(QIODevice::WriteOnly));
        const std::string publish = ComponentTest::appDir() + "/movra-publish";
        ASSERT_EQ(ComponentTest::run({publish, "--generate-key", work + "/key"}).status, 0);
        std::string key = ComponentTest::readFile(work + "/key.pub");
        key.pop_back();

        // The decoder the view asks for, packed as the component "AVCCodec" needing "MPC".
        QDir().mkpath(QString::fromStdString(work + "/avc"));
        QDir().mkpath(QString::fromStdString(work + "/mpc"));
        for (const char* file : {"/CodecTestDecoder.so", "/CodecTestDecoder.xml"})
            ASSERT_TRUE(QFile::copy(QStringLiteral(CODEC_DECODER_DIR) + QLatin1String(file),
                                    QString::fromStdString(work + "/avc") + QLatin1String(file)));
        ComponentTest::writeFile(work + "/mpc/README", "codec pack");
        const ComponentTest::RunResult published = ComponentTest::run(
            {publish, "--key", work + "/key.key", "--out", work + "/server", "--component", "MPC", "--version", "3.1.0",
             "--folder", work + "/mpc", "--component", "AVCCodec", "--version", "1.0", "--folder", work + "/avc",
             "--provides", "video_decoder.avc", "--requires", "MPC"});
        ASSERT_EQ(published.status, 0) << published.output;

        CodecTest::writeComponentManagerRecord(folder.registryDir(), ComponentTest::appDir() + "/ComponentManager",
                                               root(), key);
    }

    void TearDown() override { QDir(QString::fromStdString(work)).removeRecursively(); }

    std::string root() const { return work + "/components"; }
    std::string mediaFile() const { return work + "/clip.mkv"; }

    RunResult play(const std::string& server, const QString& answers)
    {
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("MOVRA_TEST_DOWNLOAD_DIR"), QString::fromStdString(root()));
        environment.insert(QStringLiteral("MOVRA_COMPONENT_SERVER"), QString::fromStdString(server));
        environment.insert(QStringLiteral("MOVRA_COMPONENTS_LOG"), QString::fromStdString(work + "/components.log"));
        environment.insert(QStringLiteral("MOVRA_COMPONENTS_TIMEOUT_MS"), QStringLiteral("5000"));
        environment.insert(QStringLiteral("MOVRA_TEST_CODEC_ANSWERS"), answers);
        return folder.run({QString::fromStdString(mediaFile())}, environment, 60000);
    }

    std::string work = ComponentTest::makeTemporaryFolder("component-e2e");
    AppFolder folder{QStringList{QStringLiteral("CodecTestView")}};
};

TEST_F(ComponentEndToEnd, PlayerInstallsTheDecoderAndOpensTheFileAgain)
{
    ComponentTest::Server server(work + "/server");
    const RunResult result = play(server.url(), QString());
    ASSERT_TRUE(result.finished);
    EXPECT_FALSE(result.crashed);
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    const QString log = result.pluginLog.join(QLatin1Char('\n'));
    const int first = result.pluginLog.indexOf(QStringLiteral("no decoder"));
    ASSERT_GE(first, 0) << log.toStdString();
    const int obtained = result.pluginLog.indexOf(QStringLiteral("decoder obtained"), first);
    ASSERT_GT(obtained, first) << log.toStdString() << ComponentTest::readFile(work + "/components.log");
    EXPECT_EQ(result.pluginLog.value(obtained + 1), QStringLiteral("playing"));
    EXPECT_TRUE(ComponentTest::exists(root() + "/AVCCodec/CodecTestDecoder.so"));
    EXPECT_TRUE(ComponentTest::exists(root() + "/MPC/README"));
    EXPECT_EQ(ComponentTest::readFile(work + "/components.log"), "");
}

TEST_F(ComponentEndToEnd, ACatalogueThatDoesNotVerifyShowsItsStatus)
{
    std::string catalogue = ComponentTest::readFile(work + "/server/catalog.json");
    catalogue.replace(catalogue.find("\"1.0\""), 5, "\"1.1\"");
    ComponentTest::writeFile(work + "/server/catalog.json", catalogue);
    ComponentTest::Server server(work + "/server");
    const RunResult result = play(server.url(), QStringLiteral("cancel"));
    ASSERT_TRUE(result.finished);
    EXPECT_FALSE(result.crashed);
    const QString log = result.pluginLog.join(QLatin1Char('\n'));
    EXPECT_TRUE(log.contains(QStringLiteral("panel Error 22"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("decoder obtained"))) << log.toStdString();
    EXPECT_FALSE(ComponentTest::exists(root() + "/AVCCodec"));
    EXPECT_NE(ComponentTest::readFile(work + "/components.log").find("signature does not verify"), std::string::npos);
}

// A server that trickles: Cancel in the downloading panel gives the download up at once (the
// manager logs it as cancelled, 29), the panel goes with the click, and the next start of the
// manager finds nothing of it in the components folder.
TEST_F(ComponentEndToEnd, CancelDuringATricklingDownloadLeavesNothing)
{
    ComponentTest::Server server(work + "/server");
    const RunResult result = play(server.url("trickle"), QStringLiteral("cancel-download"));
    ASSERT_TRUE(result.finished);
    EXPECT_FALSE(result.crashed);
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    const QString log = result.pluginLog.join(QLatin1Char('\n'));
    const int answer = result.pluginLog.indexOf(QStringLiteral("answer cancel-download"));
    ASSERT_GE(answer, 0) << log.toStdString();
    // Hidden within the click itself (the window's contents enabled on the way).
    const int hidden = result.pluginLog.indexOf(QStringLiteral("panel hidden"), answer);
    EXPECT_GT(hidden, answer) << log.toStdString();
    EXPECT_EQ(result.pluginLog.indexOf(QStringLiteral("panel still shown")), -1) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("panel Error"))) << log.toStdString();
    EXPECT_NE(ComponentTest::readFile(work + "/components.log").find("status 29"), std::string::npos)
        << ComponentTest::readFile(work + "/components.log");

    const ComponentTest::RunResult next = ComponentTest::run(
        {"env", "MOVRA_REGISTRY_DIR=" + folder.registryDir().toStdString(),
         "MOVRA_COMPONENTS_LOG=" + work + "/components.log", ComponentTest::appDir() + "/movra-components",
         "--server", server.url(), "list"});
    EXPECT_EQ(next.status, 0) << next.output;
    const ComponentTest::RunResult left = ComponentTest::run({"ls", "-A", root()});
    EXPECT_EQ(left.output, ".catalogue-serials\n.catalogue-serials.lock\n");
}

} // namespace

// The whole road of a file that needs a codec, in the real movra-player: the test view plug-in
// cannot play, asks for the codec, the stand-in component manager "installs" the decoder
// plug-in, the player rescans and hands the same address over again.

#include "appfolder.h"
#include "codectestsupport.h"
#include "settings/registrysandbox.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QUrl>

#include <gtest/gtest.h>

#include <ctime>

namespace {

using CodecTest::readLines;
using CodecTest::standinFolder;
using ShellTest::AppFolder;
using ShellTest::RunResult;

long long monotonicMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

const QString kErrorTail =
    QStringLiteral(": Can't download Movra codec. Please check your internet connection and try again [Cancel] [Try again]");

class CodecEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir().mkpath(avcFolder());
        QFile media(mediaFile());
        ASSERT_TRUE(media.open(QIODevice::WriteOnly));
        QFile updater(updaterScript());
        ASSERT_TRUE(updater.open(QIODevice::WriteOnly));
        updater.write("#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > \"$(dirname \"$0\")/updater-arguments.txt\"\n");
        updater.close();
        updater.setPermissions(updater.permissions() | QFileDevice::ExeOwner);

        // The player's machine records, written into its private registry.
        const QByteArray previous = qgetenv("MOVRA_REGISTRY_DIR");
        qputenv("MOVRA_REGISTRY_DIR", QFile::encodeName(folder.registryDir()));
        RegistrySandbox::reconnect();
        CodecTest::writeInstallRecord(QStringLiteral("MovraComponentManager"), QStringLiteral("InstallDir"),
                                      standinFolder(QStringLiteral("full")));
        CodecTest::writeInstallRecord(QStringLiteral("AVCCodec"), QStringLiteral("InstallDir"), avcFolder());
        CodecTest::writeInstallRecord(QStringLiteral("Setup"), QStringLiteral("InstallPath"), updaterScript());
        qputenv("MOVRA_REGISTRY_DIR", previous);
        RegistrySandbox::reconnect();
    }

    QString avcFolder() const { return folder.path() + QStringLiteral("/components/avc"); }
    QString mediaFile() const { return folder.path() + QStringLiteral("/clip.mkv"); }
    QString updaterScript() const { return folder.path() + QStringLiteral("/updater.sh"); }
    QString mediaUri() const { return QStringLiteral("openUri ") + QString::fromUtf8(QUrl::fromLocalFile(mediaFile()).toEncoded()); }
    QStringList componentCalls() const { return readLines(folder.path() + QStringLiteral("/cm.log")); }

    RunResult play(const QString& plan, const QString& answers, const QProcessEnvironment& more = {}) const
    {
        QProcessEnvironment environment = more;
        environment.insert(QStringLiteral("MOVRA_TEST_CM_LOG"), folder.path() + QStringLiteral("/cm.log"));
        environment.insert(QStringLiteral("MOVRA_TEST_CM_PLAN"), plan);
        environment.insert(QStringLiteral("MOVRA_TEST_CM_COPY_FROM"),
                           QStringLiteral(CODEC_DECODER_DIR "/CodecTestDecoder.so," CODEC_DECODER_DIR "/CodecTestDecoder.xml"));
        environment.insert(QStringLiteral("MOVRA_TEST_CM_COPY_TO"), avcFolder());
        environment.insert(QStringLiteral("MOVRA_TEST_CODEC_ANSWERS"), answers);
        // A first run registers the file types through update-mime-database, which Qt starts
        // with vfork; ThreadSanitizer then takes the player for a forked child and kills it
        // when the install worker starts. And it sleeps a second at exit, which would hide
        // whether the player itself ends promptly.
        if (qEnvironmentVariableIsSet("TSAN_OPTIONS"))
            environment.insert(QStringLiteral("TSAN_OPTIONS"), qEnvironmentVariable("TSAN_OPTIONS")
                                                                   + QStringLiteral(" die_after_fork=0 atexit_sleep_ms=0"));
        return folder.run({mediaFile()}, environment, 30000);
    }

    static int indexOf(const QStringList& log, const QString& line, int from = 0)
    {
        return log.indexOf(line, from);
    }

    AppFolder folder{QStringList{QStringLiteral("CodecTestView")}};
};

TEST_F(CodecEndToEnd, InstallsTheDecoderAndReopensTheSameAddress)
{
    const RunResult result = play(QStringLiteral("sleep:300"), QString());
    ASSERT_TRUE(result.finished);
    EXPECT_FALSE(result.crashed);
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    const QStringList& log = result.pluginLog;
    const QString logText = log.join(QLatin1Char('\n'));

    const int first = indexOf(log, mediaUri());
    const int disabled = indexOf(log, QStringLiteral("window disabled"), first);
    const int downloading = indexOf(log, QStringLiteral("panel Downloading Movra codec... please be patient, this only needs to happen once. [Cancel] (animated)"), first);
    const int second = indexOf(log, mediaUri(), first + 1);
    const int removed = indexOf(log, QStringLiteral("panel removed"), second);
    const int enabled = indexOf(log, QStringLiteral("window enabled"), second);
    ASSERT_GE(first, 0) << logText.toStdString();
    EXPECT_EQ(log.at(first + 1), QStringLiteral("no decoder"));
    EXPECT_GT(disabled, first) << logText.toStdString();
    EXPECT_GT(downloading, first) << logText.toStdString();
    ASSERT_GT(second, downloading) << logText.toStdString();
    EXPECT_EQ(log.at(second + 1), QStringLiteral("decoder obtained"));
    EXPECT_EQ(log.at(second + 2), QStringLiteral("playing"));
    EXPECT_GT(removed, second) << logText.toStdString();
    EXPECT_GT(enabled, removed) << logText.toStdString();
    EXPECT_TRUE(QFile::exists(avcFolder() + QStringLiteral("/CodecTestDecoder.so")));
    EXPECT_EQ(componentCalls(), (QStringList{QStringLiteral("MCM_Initialize"),
                                            QStringLiteral("MCM_AddSpec MPC;video_decoder.avc;3.1.0"),
                                            QStringLiteral("MCM_FindComponents"), QStringLiteral("MCM_UpdateComponents MPC"),
                                            QStringLiteral("MCM_UpdateComponents done"), QStringLiteral("MCM_Shutdown")}));
}

TEST_F(CodecEndToEnd, FailuresShowTheirStatusTryAgainRetriesAndOkStartsTheUpdater)
{
    const RunResult result = play(QStringLiteral("init:5,none,update:27,update:14"), QStringLiteral("retry,retry,retry,ok"));
    ASSERT_TRUE(result.finished);
    EXPECT_FALSE(result.crashed);
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    QStringList panels;
    for (const QString& line : result.pluginLog) {
        if (line.startsWith(QStringLiteral("panel E")) || line.startsWith(QStringLiteral("panel Movra")))
            panels << line;
    }
    EXPECT_EQ(panels, (QStringList{
                          QStringLiteral("panel Error 1") + kErrorTail,
                          QStringLiteral("panel Error 3") + kErrorTail,
                          QStringLiteral("panel Error 27") + kErrorTail,
                          QStringLiteral("panel Movra Software must be updated to play this video.|Do you want to continue? [Cancel] [Ok]"),
                      }))
        << result.pluginLog.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(result.pluginLog.count(QStringLiteral("no decoder")), 1) << "retries come from the player, not the plug-in";
    EXPECT_EQ(componentCalls().count(QStringLiteral("MCM_Initialize")), 4);
    ASSERT_TRUE(CodecTest::waitFor([&] { return QFile::exists(folder.path() + QStringLiteral("/updater-arguments.txt")); }));
    EXPECT_EQ(readLines(folder.path() + QStringLiteral("/updater-arguments.txt")),
              (QStringList{QStringLiteral("1"), QStringLiteral("/update")}));
}

TEST_F(CodecEndToEnd, CancelLeavesTheWindowEnabledAndTheFileUnopened)
{
    const RunResult result = play(QStringLiteral("find:27"), QStringLiteral("cancel"));
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    const QStringList& log = result.pluginLog;
    EXPECT_EQ(log.count(mediaUri()), 1) << log.join(QLatin1Char('\n')).toStdString();
    const int answer = indexOf(log, QStringLiteral("answer cancel"));
    ASSERT_GE(answer, 0);
    EXPECT_EQ(log.lastIndexOf(QStringLiteral("window enabled")), indexOf(log, QStringLiteral("window enabled")));
    EXPECT_LT(indexOf(log, QStringLiteral("window enabled")), answer);
    EXPECT_EQ(indexOf(log, QStringLiteral("window disabled"), answer), -1);
    EXPECT_GT(indexOf(log, QStringLiteral("panel removed"), answer), answer);
    EXPECT_FALSE(QFile::exists(folder.path() + QStringLiteral("/updater-arguments.txt")));
}

// The window closes while the component manager is ten seconds into an update; the player does
// not wait for it.
TEST_F(CodecEndToEnd, QuitsPromptlyWhileAnUpdateRuns)
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("MOVRA_TEST_CLOSE_AFTER_PANEL"), QStringLiteral("300"));
    const RunResult result = play(QStringLiteral("sleep:10000"), QString(), environment);
    const long long ended = monotonicMs();
    ASSERT_TRUE(result.finished);
    EXPECT_FALSE(result.crashed);
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    long long closing = -1;
    for (const QString& line : result.pluginLog) {
        if (line.startsWith(QStringLiteral("closing ")))
            closing = line.mid(8).toLongLong();
    }
    ASSERT_GT(closing, 0) << result.pluginLog.join(QLatin1Char('\n')).toStdString();
    EXPECT_LT(ended - closing, 1000);
    const QStringList calls = componentCalls();
    EXPECT_TRUE(calls.contains(QStringLiteral("MCM_UpdateComponents MPC")));
    EXPECT_FALSE(calls.contains(QStringLiteral("MCM_UpdateComponents done")));
}

} // namespace

// The play queue in the real player: movra-player started with several files plays them one
// after the other, and what it opened stays in File › Open Recent for the next start.

#include "appfolder.h"
#include "fileserver.h"
#include "playbacksupport.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

using ShellTest::AppFolder;

class QueueEndToEnd : public ::testing::Test
{
protected:
    // Starts the player on `arguments`, waits until it says its queue has ended, and stops it.
    // Answers its status lines.
    QString playUntilTheQueueEnds(const QStringList& arguments)
    {
        QProcessEnvironment extra;
        extra.insert(QStringLiteral("MOVRA_AUDIO_OUTPUT"), QStringLiteral("wav:") + folder.path() + QStringLiteral("/out.wav"));
        extra.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("movra.player.info=true"));
        // No timed close: the test ends the run once the queue has ended.
        extra.insert(QStringLiteral("MOVRA_DEMO_QUIT_AFTER_MS"), QString());
        QProcess player;
        player.setProcessEnvironment(folder.environment(extra));
        player.setWorkingDirectory(folder.path());
        QString out;
        QObject::connect(&player, &QProcess::readyReadStandardError,
                         [&] { out += QString::fromLocal8Bit(player.readAllStandardError()); });
        player.start(folder.launcher(), arguments);
        EXPECT_TRUE(player.waitForStarted(10000));
        const bool ended = playbacktest::waitFor(
            [&] { return out.contains(QLatin1String("the queue has ended")) || player.state() == QProcess::NotRunning; },
            playbacktest::kPlayerWaitMs);
        EXPECT_TRUE(ended && player.state() == QProcess::Running) << out.toStdString();
        player.terminate();
        if (!player.waitForFinished(10000)) {
            player.kill();
            player.waitForFinished(10000);
        }
        return out;
    }

    QString copyClip(const char* name)
    {
        const QString to = folder.path() + QLatin1Char('/') + QLatin1String(name);
        EXPECT_TRUE(QFile::copy(playbacktest::media("video_only.webm"), to));
        return to;
    }

    AppFolder folder{QStringList{QStringLiteral("MPXPlayerPlugin")}};
};

TEST_F(QueueEndToEnd, TwoFilesOnTheCommandLinePlayInOrderThenStop)
{
    copyClip("first.webm");
    copyClip("second.webm");
    const QString out = playUntilTheQueueEnds({QStringLiteral("first.webm"), QStringLiteral("second.webm")});
    const QRegularExpression playing(QStringLiteral("playing (\\S+) \\((\\d) of (\\d)\\)"));
    QStringList played;
    for (const QRegularExpressionMatch& match : playing.globalMatch(out))
        played.append(match.captured(1).section(QLatin1Char('/'), -1) + QLatin1Char(' ') + match.captured(2));
    EXPECT_EQ(played, (QStringList{"first.webm 1", "second.webm 2"})) << out.toStdString();
    EXPECT_GT(out.indexOf(QLatin1String("the queue has ended")), out.indexOf(QLatin1String("second.webm (2 of 2)")));
}

TEST_F(QueueEndToEnd, RecentFilesSurviveTheRunWithoutCredentials)
{
    const QString local = copyClip("local.webm");
    playbacktest::FileServer server(playbacktest::media("video_only.webm"));
    const QString address = server.url("served.webm").replace(QLatin1String("http://"), QLatin1String("http://viewer:secret@"));
    const QString out = playUntilTheQueueEnds({local, address});
    EXPECT_TRUE(out.contains(QLatin1String("served.webm (2 of 2)"))) << out.toStdString();

    // Read back by another program from the store the next start reads.
    QProcess query;
    query.setProcessEnvironment(folder.environment());
    query.start(playbacktest::appDir() + QStringLiteral("/movra-reg"),
                {QStringLiteral("query"), QStringLiteral("HKCU\\SOFTWARE\\Movra\\Settings\\Player\\RecentFilis"),
                 QStringLiteral("/v"), QStringLiteral("RecentFiles")});
    ASSERT_TRUE(query.waitForFinished(30000));
    const QString stored = QString::fromUtf8(query.readAllStandardOutput());
    EXPECT_TRUE(stored.contains(server.url("served.webm"))) << stored.toStdString();
    EXPECT_TRUE(stored.contains(QUrl::fromLocalFile(local).toString())) << stored.toStdString();
    EXPECT_FALSE(stored.contains(QLatin1String("secret"))) << stored.toStdString();
    EXPECT_FALSE(stored.contains(QLatin1String("viewer"))) << stored.toStdString();
}

} // namespace

// Playing from an HTTP server on loopback that serves no byte ranges, as simple servers
// (python3 -m http.server) and live sources do.

#include "playbacksupport.h"

#include "mediasession.h"
#include "playerwindow.h"

#include <QFile>
#include <QSlider>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace playbacktest;
using namespace MovraReference;
using State = MediaSession::State;

namespace {

// Answers every request with the whole file from its start, whatever range it asks for.
class RangelessServer
{
public:
    enum class Mode {
        Whole,          // with its length
        Live,           // without a length, as a live source sends
        DropsHalfway,   // announces the whole length, then hangs up a quarter of the way in
    };

    RangelessServer(const char* file, Mode mode) : m_mode(mode)
    {
        QFile source(media(file));
        if (source.open(QIODevice::ReadOnly))
            m_body = source.readAll();
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                serve(socket);
        });
        m_name = QString::fromLatin1(file);
    }

    bool ready() const { return !m_body.isEmpty() && m_server.isListening(); }
    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/%2").arg(m_server.serverPort()).arg(m_name)); }
    int requests() const { return m_requests; }

private:
    void serve(QTcpSocket* socket)
    {
        auto request = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
            request->append(socket->readAll());
            if (!request->contains("\r\n\r\n") || request->isNull())
                return;
            ++m_requests;
            QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nConnection: close\r\n";
            if (m_mode != Mode::Live)
                head += "Content-Length: " + QByteArray::number(m_body.size()) + "\r\n";
            socket->write(head + "\r\n");
            socket->write(m_mode == Mode::DropsHalfway ? m_body.left(m_body.size() / 4) : m_body);
            socket->disconnectFromHost();
            *request = QByteArray();
        });
    }

    Mode m_mode;
    QByteArray m_body;
    QString m_name;
    QTcpServer m_server;
    int m_requests = 0;
};

class Network : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("MOVRA_AUDIO_OUTPUT", ("wav:" + m_dir.path() + "/out.wav").toUtf8());
    }
    void TearDown() override { qunsetenv("MOVRA_AUDIO_OUTPUT"); }

    // Seeks and waits for the picture at the target.
    static void seekAndShow(MediaSession& session, int64_t ms)
    {
        const int shown = session.statistics().framesShown;
        session.seek(ms);
        ASSERT_TRUE(waitFor([&] { return session.statistics().framesShown > shown; }, 15000));
    }

    QTemporaryDir m_dir;
};

TEST_F(Network, WithoutRangesSeeksBackByOpeningAgainAndForwardByReading)
{
    RangelessServer server("long.webm", RangelessServer::Mode::Whole);
    ASSERT_TRUE(server.ready());
    auto farm = makeFarm(false);
    MediaSession session(farm.get());
    session.open(server.url());
    ASSERT_TRUE(waitFor([&] { return session.state() == State::Playing && session.positionMs() > 3500; }, 20000))
        << qPrintable(session.problems().join(QLatin1Char('\n')));
    EXPECT_TRUE(session.isSeekable());
    const int requests = server.requests();

    // Back: the address is read again from its start, up to the target.
    seekAndShow(session, 1000);
    EXPECT_NEAR(session.positionMs(), 1000, 999);
    EXPECT_GT(server.requests(), requests);

    // Forward: read on, without a new request.
    const int requestsThen = server.requests();
    seekAndShow(session, 4500);
    EXPECT_NEAR(session.positionMs(), 4500, 999);
    EXPECT_EQ(server.requests(), requestsThen);
    EXPECT_TRUE(session.problems().isEmpty()) << qPrintable(session.problems().join(QLatin1Char('\n')));
}

TEST_F(Network, ALiveStreamCannotSeekAndTheWindowsSeekBarSaysSo)
{
    RangelessServer server("live.ts", RangelessServer::Mode::Live);
    ASSERT_TRUE(server.ready());
    auto farm = makeFarm(false);
    PlayerWindow window(farm.get());
    MediaSession* session = window.session();
    auto* seekBar = window.findChild<QSlider*>(QStringLiteral("seekBar"));
    ASSERT_TRUE(seekBar);
    window.openAddress(QString::fromUtf8(server.url().toEncoded()));
    ASSERT_TRUE(waitFor([&] { return session->statistics().framesShown > 0; }, 15000))
        << qPrintable(session->problems().join(QLatin1Char('\n')));
    EXPECT_FALSE(session->isSeekable());
    EXPECT_FALSE(seekBar->isEnabled());
    // Asked anyway, a seek leaves playback alone.
    const int64_t at = session->positionMs();
    session->seek(at + 1000);
    EXPECT_LT(session->positionMs(), at + 500);

    // The next file, which can seek, has the bar back.
    window.openAddress(QString::fromUtf8(QUrl::fromLocalFile(media("video_only.webm")).toEncoded()));
    ASSERT_TRUE(waitFor([&] { return session->state() == State::Playing; }, 10000));
    EXPECT_TRUE(session->isSeekable());
    EXPECT_TRUE(seekBar->isEnabled());
}

TEST_F(Network, AServerHangingUpMidFileEndsPlaybackWithANoticeAndTheNextFilePlays)
{
    RangelessServer server("long.webm", RangelessServer::Mode::DropsHalfway);
    ASSERT_TRUE(server.ready());
    auto farm = makeFarm(false);
    MediaSession session(farm.get());
    session.setNetworkTimeout(2000);
    session.open(server.url());
    ASSERT_TRUE(waitFor([&] { return session.state() == State::Ended || session.state() == State::Failed; }, 20000));
    EXPECT_EQ(session.state(), State::Ended);
    EXPECT_GT(session.statistics().framesShown, 0);
    EXPECT_TRUE(session.problems().join(QLatin1Char(' ')).contains(QLatin1String("ends early")))
        << qPrintable(session.problems().join(QLatin1Char('\n')));
    EXPECT_LT(session.positionMs(), 3000);

    session.open(QUrl::fromLocalFile(media("video_only.webm")));
    ASSERT_TRUE(waitFor([&] { return session.state() == State::Playing && session.statistics().framesShown > 0; }, 10000));
    EXPECT_TRUE(session.problems().isEmpty());
}

} // namespace

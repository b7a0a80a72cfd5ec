// Playback as the player does it: real decoder plug-ins from a farm, sound through the WAV
// output, pictures on the clock.

#include "playbacksupport.h"

#include "mediasession.h"
#include "playbackrun.h"
#include "videoview.h"

#include <MovraPlayerX/CodecEvents.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <thread>

#include <gtest/gtest.h>

#include <algorithm>

using namespace playbacktest;
using namespace MovraReference;
using State = MediaSession::State;

namespace {

constexpr double kClipSeconds = 2.0;

// Sound goes to a WAV file of the test's own.
class Session : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_wav = m_dir.path() + QStringLiteral("/out.wav");
        qputenv("MOVRA_AUDIO_OUTPUT", ("wav:" + m_wav).toUtf8());
    }
    void TearDown() override { qunsetenv("MOVRA_AUDIO_OUTPUT"); }

    static QUrl file(const char* name) { return QUrl::fromLocalFile(media(name)); }

    QTemporaryDir m_dir;
    QString m_wav;
};

bool settled(const MediaSession& session)
{
    const State s = session.state();
    return s == State::Ended || s == State::Failed || s == State::WaitingForCodec;
}

// What a screenshot of the picture on screen would save; null when no answer came.
struct StillAnswer
{
    QImage picture;
    bool decodedSize = false;
};
StillAnswer pictureAtDecodedSize(MediaSession& session, bool withSubtitles)
{
    StillAnswer answer;
    bool answered = false;
    const QMetaObject::Connection connection = QObject::connect(
        &session, &MediaSession::pictureAtDecodedSizeReady,
        [&](const QImage& picture, bool decodedSize, const QUrl&, qint64) {
            answer = {picture, decodedSize};
            answered = true;
        });
    if (session.requestPictureAtDecodedSize(withSubtitles))
        waitFor([&] { return answered; }, 20000);
    QObject::disconnect(connection);
    return answer;
}

struct PlayCase
{
    const char* name;
    const char* file;
    bool video;
    bool audio;
    double seconds = kClipSeconds;   // of sound
};

// AVI cannot mark the MP3 encoder's delay and padding as such: its sound is 85 whole frames
// of 1152 samples.
constexpr double kAviMp3Seconds = 85 * 1152 / 48000.0;

TEST(PictureTimer, SleepsUntilTheNextPictureIsDueButNeverPastIt)
{
    // Waking late shows a picture late (or drops it); so a wait never reaches past the time
    // the picture is to be shown, at any speed, and a picture already due wakes at once.
    struct Row
    {
        const char* name;
        int64_t nextPts;
        int64_t clock;
        double rate;
        int atMostMs;
        int atLeastMs;
    };
    for (const Row& row : {Row{"due 10 ms from now", 1010000, 1000000, 1.0, 8, 7},
                           Row{"due now", 1000000, 1000000, 1.0, 1, 1},
                           Row{"late", 900000, 1000000, 1.0, 1, 1},
                           Row{"at double speed", 1022000, 1000000, 2.0, 10, 9},
                           Row{"at quarter speed", 1006000, 1000000, 0.25, 16, 15},
                           Row{"a second ahead", 2000000, 1000000, 1.0, 20, 20},
                           Row{"none waiting", kNoPictureWaiting, 1000000, 1.0, 5, 5}}) {
        SCOPED_TRACE(row.name);
        const int ms = nextTickMs(row.nextPts, row.clock, row.rate);
        EXPECT_LE(ms, row.atMostMs);
        EXPECT_GE(ms, row.atLeastMs);
        if (row.nextPts != kNoPictureWaiting) {
            EXPECT_LE(row.clock + int64_t(ms * 1000 * row.rate),
                      std::max(row.nextPts - kEarlyUs, row.clock + int64_t(1000 * row.rate)));
        }
    }
}

TEST(LateClock, OnlyPicturesFarBehindTheClockAreLeftUnconverted)
{
    // The clock last read at 10 s, serial 3; pictures of 40 ms.
    LateClock late;
    EXPECT_FALSE(late.tooLate(0, 0, 40000, false)) << "before the clock was ever read";
    late.note(3, 10000000);
    struct Row
    {
        const char* name;
        int serial;
        int64_t pts;
        bool previousSkipped;
        bool tooLate;
    };
    for (const Row& row : {Row{"due now", 3, 10000000, false, false},
                           Row{"being shown now (its successor not yet due)", 3, 9970000, false, false},
                           Row{"ahead", 3, 10040000, false, false},
                           Row{"its successor due now: shown late, not left", 3, 9960000, false, false},
                           Row{"its successor due a moment ago", 3, 9900000, false, false},
                           Row{"its successor due the margin ago", 3, 9960000 - LateClock::kBehindUs, false, true},
                           Row{"far behind", 3, 5000000, false, true},
                           Row{"far behind, after one left already", 3, 5000000, true, false},
                           Row{"of an earlier serial (before a seek)", 2, 5000000, false, false},
                           Row{"of a later serial (the clock not yet read after a seek)", 4, 5000000, false, false}}) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(late.tooLate(row.serial, row.pts, 40000, row.previousSkipped), row.tooLate);
    }
}

TEST(FirstPictureGate, SoundGoesOnOnceReleasedAndNeverWaitsPastItsBound)
{
    {
        // Released before the sound comes to it (audio-only runs, a quick first picture).
        FirstPictureGate gate;
        gate.release();
        EXPECT_TRUE(gate.waitReleased(std::chrono::minutes(1)));
    }
    {
        // Released by the video thread while the sound waits.
        FirstPictureGate gate;
        std::thread video([&] { gate.release(); });
        EXPECT_TRUE(gate.waitReleased(std::chrono::minutes(1)));
        video.join();
    }
    {
        // A picture that never comes holds the sound only until the bound.
        FirstPictureGate gate;
        EXPECT_FALSE(gate.waitReleased(std::chrono::milliseconds(1)));
    }
}

TEST_F(Session, EachKindOfFilePlaysToTheEndOnTime)
{
    auto farm = makeFarm(true);
    for (const PlayCase& c : {PlayCase{"MP4 H.264 AAC", "h264_aac.mp4", true, true},
                              PlayCase{"MKV HEVC Opus", "hevc_opus.mkv", true, true},
                              PlayCase{"AVI MPEG-4 MP3", "mpeg4_mp3.avi", true, true, kAviMp3Seconds},
                              PlayCase{"WebM VP9 Vorbis", "vp9_vorbis.webm", true, true},
                              PlayCase{"Ogg Theora Vorbis", "theora_vorbis.ogg", true, true},
                              PlayCase{"no sound", "video_only.webm", true, false},
                              PlayCase{"no picture", "audio_only.flac", false, true}}) {
        SCOPED_TRACE(c.name);
        QFile::remove(m_wav);
        MediaSession session(farm.get());
        session.open(file(c.file));
        ASSERT_TRUE(waitFor([&] { return settled(session); }, 15000)) << int(session.state());
        ASSERT_EQ(session.state(), State::Ended) << qPrintable(session.problems().join(QLatin1Char('\n')));
        EXPECT_TRUE(session.problems().isEmpty()) << qPrintable(session.problems().join(QLatin1Char('\n')));
        EXPECT_EQ(session.hasVideo(), c.video);
        EXPECT_EQ(session.hasAudio(), c.audio);
        EXPECT_NEAR(session.positionMs(), 2000, 40);
        const MediaSession::Statistics played = session.statistics();
        if (c.video) {
            // Each of the 50 pictures is shown or, when the clock has passed it, dropped. How
            // many are late depends on the machine's load alone (a sanitizer build on a busy
            // machine drops half), so this asks only that pictures were shown; the playback
            // figures count the dropped ones on a quiet machine.
            EXPECT_EQ(played.framesShown + played.framesDropped, 50);
            EXPECT_GT(played.framesShown, 0);
            EXPECT_FALSE(session.currentFrame().isNull());
        }
        session.close();
        Wav wav;
        if (c.audio) {
            ASSERT_TRUE(readWav(m_wav, &wav));
            EXPECT_NEAR(wav.seconds(), c.seconds, c.seconds * 0.01);
            EXPECT_NEAR(frequencyOf(wav.firstChannel, wav.sampleRate), 440.0, 440.0 * 0.01);
        } else {
            EXPECT_FALSE(QFile::exists(m_wav));
        }
    }
}

TEST_F(Session, SeekPauseAndResumeMoveTheClockAsAsked)
{
    auto farm = makeFarm(false);
    MediaSession session(farm.get());
    session.open(file("vp9_vorbis.webm"));
    ASSERT_TRUE(waitFor([&] { return session.state() == State::Playing && session.positionMs() > 100; }, 10000));

    // Paused, the clock stands still.
    session.pause();
    const int64_t pausedAt = session.positionMs();
    waitFor([] { return false; }, 300);
    EXPECT_EQ(session.positionMs(), pausedAt);

    // A seek while paused lands exactly where asked and shows that picture.
    const int shownBefore = session.statistics().framesShown;
    session.seek(1000);
    EXPECT_EQ(session.positionMs(), 1000);
    ASSERT_TRUE(waitFor([&] { return session.statistics().framesShown > shownBefore; }, 5000));
    EXPECT_EQ(session.positionMs(), 1000);
    EXPECT_EQ(session.state(), State::Paused);

    // Resumed, it runs on from there, never ahead of the time that has passed.
    QElapsedTimer resumed;
    resumed.start();
    session.resume(1.0);
    ASSERT_TRUE(waitFor([&] { return session.positionMs() >= 1000 + 250; }, 10000));
    const int64_t later = session.positionMs();
    EXPECT_LE(later, 1000 + resumed.elapsed() + 100);

    // A seek while playing: the next picture shown is the one at the target, within a frame.
    session.seek(500);
    const int shown = session.statistics().framesShown;
    ASSERT_TRUE(waitFor([&] { return session.statistics().framesShown > shown; }, 5000));
    EXPECT_GE(session.positionMs(), 500);
    EXPECT_LT(session.positionMs(), 500 + 400);
    ASSERT_TRUE(waitFor([&] { return settled(session); }, 10000));
    EXPECT_EQ(session.state(), State::Ended);

    // From the end, a seek back plays again.
    session.seek(1500);
    EXPECT_EQ(session.state(), State::Playing);
    ASSERT_TRUE(waitFor([&] { return settled(session); }, 10000));
    EXPECT_EQ(session.state(), State::Ended);
}

TEST_F(Session, WithoutSoundResumeRunsTheClockAtTheGivenRate)
{
    auto farm = makeFarm(false);
    MediaSession session(farm.get());
    session.open(file("video_only.webm"));
    ASSERT_TRUE(waitFor([&] { return session.state() == State::Playing; }, 10000));
    session.pause();
    session.seek(200);
    QElapsedTimer timer;
    timer.start();
    session.resume(2.0);
    waitFor([] { return false; }, 300);
    const int64_t at = session.positionMs();
    const int64_t elapsed = timer.elapsed();
    EXPECT_NEAR(at, std::min<int64_t>(200 + 2 * elapsed, 2000), 60);
    // Back to normal speed from where it stands, without a jump.
    session.resume(1.0);
    EXPECT_NEAR(session.positionMs(), at, 60);
}

// Catches the codec requests the player posts to the application object.
class CodecRequests : public QObject
{
public:
    CodecRequests() { qApp->installEventFilter(this); }
    ~CodecRequests() override { qApp->removeEventFilter(this); }
    std::vector<std::pair<QUrl, int>> seen;

protected:
    bool eventFilter(QObject* target, QEvent* event) override
    {
        if (target == qApp && event->type() == QEvent::Type(MovraPlayerX::NeedCodecEvent::EventType)) {
            if (auto* request = dynamic_cast<MovraPlayerX::NeedCodecEvent*>(event))
                seen.emplace_back(request->url, request->codecKind);
            return true;
        }
        return false;
    }
};

TEST_F(Session, AMissingInstallableDecoderIsRequestedFromTheApplication)
{
    auto farm = makeFarm(false);
    struct Row
    {
        const char* file;
        int kind;
    };
    for (const Row& row : {Row{"h264_aac.mp4", 0}, Row{"hevc_opus.mkv", 1}, Row{"mpeg4_mp3.avi", 2}}) {
        SCOPED_TRACE(row.file);
        CodecRequests requests;
        MediaSession session(farm.get());
        session.open(file(row.file));
        ASSERT_TRUE(waitFor([&] { return settled(session); }, 10000));
        EXPECT_EQ(session.state(), State::WaitingForCodec);
        ASSERT_TRUE(waitFor([&] { return !requests.seen.empty(); }, 2000));
        ASSERT_EQ(requests.seen.size(), 1u);
        EXPECT_EQ(requests.seen[0].first, file(row.file));
        EXPECT_EQ(requests.seen[0].second, row.kind);
        ASSERT_FALSE(session.problems().isEmpty());
        EXPECT_TRUE(session.problems().last().contains(QLatin1String("Waiting"))) << qPrintable(session.problems().last());
        // Nothing plays meanwhile: the file is opened again once the decoder is there.
        EXPECT_FALSE(QFile::exists(m_wav));
    }
    // With the components discovered, the same file plays.
    auto installed = makeFarm(true);
    CodecRequests requests;
    MediaSession session(installed.get());
    session.open(file("h264_aac.mp4"));
    ASSERT_TRUE(waitFor([&] { return session.state() == State::Playing && session.statistics().framesShown > 0; }, 10000));
    EXPECT_TRUE(requests.seen.empty());
}

TEST_F(Session, WithoutOneStreamsDecoderTheOtherStreamStillPlays)
{
    // Farms that know one of the two decoders of a VP9 + Vorbis file.
    QTemporaryDir videoOnly, soundOnly;
    const QString plugins = appDir() + QStringLiteral("/MSEPlugins/");
    for (const char* suffix : {".so", ".xml"}) {
        ASSERT_TRUE(QFile::copy(plugins + QStringLiteral("VP9Decoder") + QLatin1String(suffix),
                                videoOnly.path() + QStringLiteral("/VP9Decoder") + QLatin1String(suffix)));
        ASSERT_TRUE(QFile::copy(plugins + QStringLiteral("VorbisDecoder") + QLatin1String(suffix),
                                soundOnly.path() + QStringLiteral("/VorbisDecoder") + QLatin1String(suffix)));
    }
    struct Row
    {
        const char* name;
        QString folder;
        bool video;
        const char* missing;
    };
    for (const Row& row : {Row{"pictures only", videoOnly.path(), true, "Vorbis"},
                           Row{"sound only", soundOnly.path(), false, "VP9"}}) {
        SCOPED_TRACE(row.name);
        auto farm = makeFarm(false, {row.folder});
        MediaSession session(farm.get());
        session.open(file("vp9_vorbis.webm"));
        ASSERT_TRUE(waitFor([&] { return settled(session); }, 10000));
        EXPECT_EQ(session.state(), State::Ended);
        EXPECT_EQ(session.hasVideo(), row.video);
        EXPECT_EQ(session.hasAudio(), !row.video);
        ASSERT_EQ(session.problems().size(), 1);
        EXPECT_TRUE(session.problems()[0].contains(QLatin1String(row.missing))) << qPrintable(session.problems()[0]);
    }
}

// The picture's bytes as RGB24 rows without padding, as ffmpeg writes raw pictures.
QByteArray rgbBytes(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    QByteArray bytes;
    for (int y = 0; y < rgb.height(); ++y)
        bytes.append(reinterpret_cast<const char*>(rgb.constScanLine(y)), rgb.width() * 3);
    return bytes;
}

TEST_F(Session, TurnedAndAnamorphicPicturesShowAtTheirDisplayShape)
{
    auto farm = makeFarm(true);
    struct Row
    {
        const char* file;
        const char* upright;   // ffmpeg's picture at 1.00 s
    };
    for (const Row& row : {Row{"turned90.mp4", "turned90_1s.rgb"}, Row{"turned270.mp4", "turned270_1s.rgb"}}) {
        SCOPED_TRACE(row.file);
        QFile expected(media(row.upright));
        ASSERT_TRUE(expected.open(QIODevice::ReadOnly));
        MediaSession session(farm.get());
        session.open(file(row.file));
        ASSERT_TRUE(waitFor([&] { return session.state() == State::Playing; }, 10000));
        session.pause();
        const int shown = session.statistics().framesShown;
        session.seek(1000);
        ASSERT_TRUE(waitFor([&] { return session.statistics().framesShown > shown; }, 5000));
        const QImage picture = session.currentFrame();
        EXPECT_EQ(picture.size(), QSize(240, 320));
        EXPECT_NEAR(session.currentAspect(), 240.0 / 320.0, 0.01);
        EXPECT_LT(meanDifference(rgbBytes(picture), expected.readAll()), 8);
    }

    // 480×360 pictures of 4:3 pixels are shown at 16:9, in the window as in the session.
    MediaSession session(farm.get());
    session.open(file("anamorphic.mp4"));
    ASSERT_TRUE(waitFor([&] { return session.statistics().framesShown > 0; }, 10000));
    EXPECT_EQ(session.currentFrame().size(), QSize(480, 360));
    EXPECT_NEAR(session.currentAspect(), 16.0 / 9.0, 0.01);
    VideoView view;
    view.resize(800, 600);
    view.setFrame(session.currentFrame(), session.currentAspect());
    EXPECT_EQ(view.pictureRect(), QRect(0, 75, 800, 450));
}

TEST_F(Session, PicturesAreConvertedStraightToTheSizeTheyAreShownAt)
{
    auto farm = makeFarm(true);
    // The window's area, its picture's place in it, and the picture made for that place;
    // screenshots keep the decoded size whatever the area.
    struct Row
    {
        const char* file;
        QSize area;
        QSize shown;
        QSize decoded;
    };
    for (const Row& row : {Row{"anamorphic.mp4", QSize(800, 600), QSize(800, 450), QSize(480, 360)},
                           Row{"turned90.mp4", QSize(400, 400), QSize(300, 400), QSize(240, 320)},
                           Row{"portrait.webm", QSize(640, 360), QSize(203, 360), QSize(1080, 1920)}}) {
        SCOPED_TRACE(row.file);
        MediaSession session(farm.get());
        session.setPictureArea(row.area);
        session.open(file(row.file));
        ASSERT_TRUE(waitFor([&] { return session.statistics().framesShown > 0; }, 10000));
        EXPECT_EQ(session.currentFrame().size(), row.shown);
        VideoView view;
        view.resize(row.area);
        view.setFrame(session.currentFrame(), session.currentAspect());
        EXPECT_EQ(view.pictureRect().size(), row.shown);
        const StillAnswer still = pictureAtDecodedSize(session, false);
        EXPECT_TRUE(still.decodedSize);
        EXPECT_EQ(still.picture.size(), row.decoded);
    }
}

TEST_F(Session, RasterPicturesHoldNothingOfTheDecoderOnceConverted)
{
    auto farm = makeFarm(true);
    // Every picture shown passed through the queue: on the raster path none of them keeps
    // the decoder's planes beside its conversion; where the window draws the planes, all do.
    for (const bool drawsPlanes : {false, true}) {
        SCOPED_TRACE(drawsPlanes ? "planes" : "raster");
        MediaSession session(farm.get());
        session.setDrawsPlanes(drawsPlanes);
        session.setPictureArea(QSize(320, 180));
        int shown = 0;
        int holdingPlanes = 0;
        QObject::connect(&session, &MediaSession::frameChanged, [&] {
            if (!session.hasPicture())
                return;
            ++shown;
            holdingPlanes += session.currentPicture() != nullptr;
        });
        session.open(file("video_only.webm"));
        ASSERT_TRUE(waitFor([&] { return settled(session); }, 15000));
        ASSERT_GT(shown, 10);
        EXPECT_EQ(holdingPlanes, drawsPlanes ? shown : 0);
    }
}

TEST_F(Session, APausedPictureIsMadeAgainForANewSizeAndStaysThePicture)
{
    auto farm = makeFarm(true);
    MediaSession session(farm.get());
    session.setPictureArea(QSize(160, 90));
    session.open(file("video_only.webm"));
    ASSERT_TRUE(waitFor([&] { return session.statistics().framesShown > 5; }, 10000));
    session.pause();
    ASSERT_EQ(session.currentFrame().size(), QSize(120, 90));
    const int64_t pts = session.currentFramePtsUs();
    // Not painted enlarged from the small one: converted again from the decoded picture.
    session.setPictureArea(QSize(640, 360));
    ASSERT_TRUE(waitFor([&] { return session.currentFrame().size() == QSize(480, 360); }, 20000))
        << session.currentFrame().width();
    EXPECT_EQ(session.currentFramePtsUs(), pts);
    EXPECT_EQ(session.state(), State::Paused);
    const StillAnswer still = pictureAtDecodedSize(session, false);
    ASSERT_TRUE(still.decodedSize);
    EXPECT_LT(meanDifference(rgbBytes(still.picture.scaled(480, 360, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)),
                             rgbBytes(session.currentFrame())),
              6.0);
}

TEST_F(Session, AScreenshotOfAFileGoneSinceItOpenedIsThePictureAsShown)
{
    auto farm = makeFarm(true);
    const QString copy = m_dir.filePath(QStringLiteral("going.webm"));
    ASSERT_TRUE(QFile::copy(media("video_only.webm"), copy));
    MediaSession session(farm.get());
    session.setPictureArea(QSize(160, 90));
    session.open(QUrl::fromLocalFile(copy));
    ASSERT_TRUE(waitFor([&] { return session.statistics().framesShown > 0; }, 10000));
    session.pause();
    ASSERT_TRUE(QFile::remove(copy));
    const StillAnswer still = pictureAtDecodedSize(session, false);
    EXPECT_FALSE(still.decodedSize);
    EXPECT_EQ(still.picture.size(), session.videoFrame().size());
    EXPECT_EQ(still.picture, session.videoFrame());
    EXPECT_LE(still.picture.width(), 160);
    // While one is being answered, a second request is refused.
    ASSERT_TRUE(session.requestPictureAtDecodedSize(false));
    EXPECT_FALSE(session.requestPictureAtDecodedSize(false));
}

TEST_F(Session, APhonePortraitClipPlaysToItsEnd)
{
    auto farm = makeFarm(true);
    MediaSession session(farm.get());
    session.open(file("portrait.webm"));
    ASSERT_TRUE(waitFor([&] { return settled(session); }, 20000));
    EXPECT_EQ(session.state(), State::Ended) << qPrintable(session.problems().join(QLatin1Char('\n')));
    EXPECT_TRUE(session.problems().isEmpty()) << qPrintable(session.problems().join(QLatin1Char('\n')));
    EXPECT_GT(session.statistics().framesShown, 0);
    EXPECT_EQ(session.currentFrame().size(), QSize(1080, 1920));
}

TEST_F(Session, AFileCutShortEndsAtItsLastPictureWithANotice)
{
    auto farm = makeFarm(false);
    MediaSession session(farm.get());
    QStringList told;
    QObject::connect(&session, &MediaSession::problemReported, [&](const QString& text) { told << text; });
    session.open(file("truncated.webm"));   // the first half of a two-second file
    ASSERT_TRUE(waitFor([&] { return settled(session); }, 15000));
    EXPECT_EQ(session.state(), State::Ended);
    EXPECT_NEAR(session.durationMs(), 2000, 50);
    EXPECT_TRUE(told.join(QLatin1Char(' ')).contains(QLatin1String("The file ends early"))) << qPrintable(told.join(QLatin1Char('\n')));
    // Where the last picture was, not the announced end, and there it stays.
    const int64_t end = session.positionMs();
    EXPECT_GT(end, 200);
    EXPECT_LT(end, 1500);
    waitFor([] { return false; }, 100);
    EXPECT_EQ(session.positionMs(), end);
}

TEST_F(Session, PicturesChangingSizeMidStreamPlayOnAndTheNextFilePlays)
{
    auto farm = makeFarm(false);
    MediaSession session(farm.get());
    QSize firstSize;
    QObject::connect(&session, &MediaSession::frameChanged, [&] {
        if (firstSize.isEmpty())
            firstSize = session.currentFrame().size();
    });
    session.open(file("sizes.ts"));
    ASSERT_TRUE(waitFor([&] { return settled(session); }, 15000));
    EXPECT_EQ(session.state(), State::Ended) << qPrintable(session.problems().join(QLatin1Char('\n')));
    EXPECT_EQ(firstSize, QSize(320, 240));
    EXPECT_EQ(session.currentFrame().size(), QSize(176, 144));

    session.open(file("video_only.webm"));
    ASSERT_TRUE(waitFor([&] { return settled(session); }, 15000));
    EXPECT_EQ(session.state(), State::Ended);
    EXPECT_TRUE(session.problems().isEmpty()) << qPrintable(session.problems().join(QLatin1Char('\n')));
}

struct BadCase
{
    const char* name;
    QString address;
    bool mayPlayPartly;   // damaged but readable files play what can be played
    const char* words;    // some word of the message, when it fails
};

TEST_F(Session, BadInputIsToldInWordsWithoutHangingTheWindow)
{
    // An address that accepts connections and never answers.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    std::vector<QTcpSocket*> held;
    QObject::connect(&silent, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* socket = silent.nextPendingConnection())
            held.push_back(socket);
    });
    QTemporaryDir folder;
    const QString silentUrl = QStringLiteral("http://127.0.0.1:%1/film.mp4").arg(silent.serverPort());

    auto farm = makeFarm(true);
    for (const BadCase& c : {BadCase{"truncated", media("truncated.webm"), true, nullptr},
                             BadCase{"bytes flipped", media("corrupt.avi"), true, nullptr},
                             BadCase{"empty", media("empty.mkv"), false, "empty"},
                             BadCase{"not media", media("notmedia.mp4"), false, "not a media file"},
                             BadCase{"folder", folder.path(), false, "folder"},
                             BadCase{"missing", folder.path() + QStringLiteral("/gone.mkv"), false, "does not exist"},
                             BadCase{"enormous pictures", media("huge.ivf"), false, "decoded"},
                             BadCase{"silent server", silentUrl, false, "in time"}}) {
        SCOPED_TRACE(c.name);
        MediaSession session(farm.get());
        session.setNetworkTimeout(1000);
        // The GUI thread keeps running its events the whole time.
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(50);
        const QUrl url = c.address.startsWith(QLatin1String("http")) ? QUrl(c.address) : QUrl::fromLocalFile(c.address);
        session.open(url);
        ASSERT_TRUE(waitFor([&] { return settled(session); }, 15000)) << int(session.state());
        if (c.address == silentUrl) {
            EXPECT_GT(ticks, 5);
        }
        if (c.mayPlayPartly) {
            EXPECT_TRUE(session.state() == State::Ended || session.state() == State::Failed);
        } else {
            EXPECT_EQ(session.state(), State::Failed);
            ASSERT_FALSE(session.problems().isEmpty());
            EXPECT_TRUE(session.problems().join(QLatin1Char(' ')).contains(QLatin1String(c.words), Qt::CaseInsensitive))
                << qPrintable(session.problems().join(QLatin1Char('\n')));
        }
        session.close();
    }
    qDeleteAll(held);
}

TEST_F(Session, DecodersAreLoadedWhileAFileNeedsThemAndUnloadedAfter)
{
    auto farm = makeFarm(false);
    EXPECT_EQ(loadedLibraries(*farm), 0u);
    {
        MediaSession session(farm.get());
        session.open(file("vp9_vorbis.webm"));
        ASSERT_TRUE(waitFor([&] { return session.state() == State::Playing; }, 10000));
        EXPECT_EQ(loadedLibraries(*farm), 2u);   // VP9 and Vorbis, nothing else
        session.close();
    }
    // The cleaner unloads libraries idle for about five seconds.
    EXPECT_TRUE(waitFor([&] { return loadedLibraries(*farm) == 0; }, 9000));
}

} // namespace

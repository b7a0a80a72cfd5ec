// Subtitles, tracks and speed in real playback: decoder plug-ins from a farm, sound through
// the WAV output, pictures on the clock, subtitles looked for in the pictures shown.

#include "playbacksupport.h"

#include "mediasession.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

using namespace playbacktest;
using namespace MovraReference;
using State = MediaSession::State;

namespace {

// A sanitizer build decodes too slowly on a loaded machine to show every picture in time:
// late ones are dropped, and a whole second of them may be. What is shown must still be right.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kEveryStretchShown = false;
#else
constexpr bool kEveryStretchShown = true;
#endif

bool settled(const MediaSession& session)
{
    const State s = session.state();
    return s == State::Ended || s == State::Failed || s == State::WaitingForCodec;
}

// Light pixels in the lower third of the dark test picture: drawn subtitle text.
int subtitlePixels(const QImage& picture)
{
    int count = 0;
    for (int y = picture.height() * 2 / 3; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb c = picture.pixel(x, y);
            count += qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) > 200;
        }
    }
    return count;
}

int redPixels(const QImage& picture)
{
    int count = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb c = picture.pixel(x, y);
            count += qRed(c) > 180 && qGreen(c) < 80 && qBlue(c) < 80;
        }
    }
    return count;
}

// Every picture shown, by its time, and whether it carried subtitle text.
struct Shown
{
    int64_t ptsMs;
    bool text;
    int red;
};

class Recorder
{
public:
    explicit Recorder(MediaSession& session) : m_session(session)
    {
        QObject::connect(&session, &MediaSession::frameChanged, &m_context, [this] {
            const QImage picture = m_session.currentFrame();
            if (!picture.isNull())
                shown.push_back({m_session.currentFramePtsMs(), subtitlePixels(picture) > 30, redPixels(picture)});
        });
    }
    std::vector<Shown> shown;

    // Pictures in [from, to) of the media's time all show text, those outside none: the
    // first picture shown at or after from carries it, whichever that is (under load some
    // are dropped). At least one inside is shown when required.
    void expectTextExactlyIn(int64_t from, int64_t to, std::size_t since = 0, bool someInside = kEveryStretchShown) const
    {
        int inside = 0;
        for (std::size_t i = since; i < shown.size(); ++i) {
            const Shown& s = shown[i];
            const bool within = s.ptsMs >= from && s.ptsMs < to;
            EXPECT_EQ(s.text, within) << "picture at " << s.ptsMs << " ms";
            inside += within;
        }
        if (someInside) {
            EXPECT_GT(inside, 0) << dump(since);
        }
    }

    std::string dump(std::size_t since) const
    {
        std::string out;
        for (std::size_t i = since; i < shown.size(); ++i)
            out += std::to_string(shown[i].ptsMs) + (shown[i].text ? "* " : " ");
        return out;
    }

private:
    MediaSession& m_session;
    QObject m_context;
};

class MediaFeatures : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_wav = m_dir.filePath(QStringLiteral("out.wav"));
        qputenv("MOVRA_AUDIO_OUTPUT", ("wav:" + m_wav).toUtf8());
    }
    void TearDown() override { qunsetenv("MOVRA_AUDIO_OUTPUT"); }

    // The clip under another name in the test's folder, so files can be put beside it.
    QString film(const char* clip, const QString& name = QStringLiteral("film.mkv"))
    {
        const QString path = m_dir.filePath(name);
        QFile::remove(path);
        EXPECT_TRUE(QFile::copy(media(clip), path));
        return path;
    }
    void write(const QString& name, const QByteArray& bytes)
    {
        QFile f(m_dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QTemporaryDir m_dir;
    QString m_wav;
};

const QByteArray kSrt = "1\n00:00:01,000 --> 00:00:02,000\nHELLO THERE\n";

TEST_F(MediaFeatures, SubtitlesBesideTheFilmShowInTheirTimeAlsoAfterASeekBackAndAtDoubleSpeed)
{
    auto farm = makeFarm(false);
    const QString path = film("dark.mkv");
    write(QStringLiteral("film.srt"), kSrt);
    for (double speed : {1.0, 2.0}) {
        SCOPED_TRACE(speed);
        MediaSession session(farm.get());
        session.setSpeed(speed);
        Recorder recorder(session);
        session.open(QUrl::fromLocalFile(path));
        ASSERT_TRUE(waitFor([&] { return session.positionMs() >= 2300 || settled(session); }, 10000));
        ASSERT_EQ(session.subtitleTracks().size(), 1);
        EXPECT_EQ(session.subtitleTrack(), 0);
        recorder.expectTextExactlyIn(1000, 2000);

        // Back, paused: each picture a seek shows carries the text of its own time.
        session.pause();
        for (int64_t at : {1500, 2500, 800, 1100, 1950, 2050}) {
            SCOPED_TRACE(at);
            session.seek(at);
            ASSERT_TRUE(waitFor([&] { return std::abs(session.currentFramePtsMs() - at) <= 40; }, 5000));
            EXPECT_EQ(subtitlePixels(session.currentFrame()) > 30, at >= 1000 && at < 2000);
        }
        // And played on from before the text.
        const std::size_t sinceSeek = recorder.shown.size();
        session.seek(500);
        session.resume(speed);
        ASSERT_TRUE(waitFor([&] { return session.positionMs() >= 2300 || settled(session); }, 10000));
        recorder.expectTextExactlyIn(1000, 2000, sinceSeek + 1, false);
        EXPECT_TRUE(session.problems().isEmpty()) << qPrintable(session.problems().join(QLatin1Char('\n')));
    }
}

TEST_F(MediaFeatures, DelayAndOffMoveAndHideTheSubtitles)
{
    auto farm = makeFarm(false);
    const QString path = film("dark.mkv");
    write(QStringLiteral("film.srt"), kSrt);
    MediaSession session(farm.get());
    session.open(QUrl::fromLocalFile(path));
    ASSERT_TRUE(waitFor([&] { return session.positionMs() >= 1300; }, 10000));
    session.pause();
    ASSERT_TRUE(waitFor([&] { return subtitlePixels(session.currentFrame()) > 30; }, 2000));
    // Later by a second: the picture at ~1.3 s is before the text's new start.
    session.setSubtitleDelay(1000);
    EXPECT_EQ(subtitlePixels(session.currentFrame()), 0);
    session.setSubtitleDelay(0);
    EXPECT_GT(subtitlePixels(session.currentFrame()), 30);
    session.selectSubtitleTrack(-1);
    ASSERT_TRUE(waitFor([&] { return subtitlePixels(session.currentFrame()) == 0; }, 2000));
    EXPECT_EQ(subtitlePixels(session.videoFrame()), 0);
}

TEST_F(MediaFeatures, AnAssLineWithARedPrimaryColourDrawsRed)
{
    auto farm = makeFarm(false);
    const QString path = film("dark.mkv");
    write(QStringLiteral("film.ass"),
          "[Script Info]\nScriptType: v4.00+\nPlayResX: 320\nPlayResY: 240\n\n[V4+ Styles]\n"
          "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, "
          "Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, "
          "MarginR, MarginV, Encoding\n"
          "Style: Red,sans-serif,40,&H000000FF,&H000000FF,&H00000000,&H00000000,1,0,0,0,100,100,0,0,1,1,0,5,10,10,10,1\n\n"
          "[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n"
          "Dialogue: 0,0:00:00.50,0:00:01.50,Red,,0,0,0,,RED\n");
    MediaSession session(farm.get());
    Recorder recorder(session);
    session.open(QUrl::fromLocalFile(path));
    ASSERT_TRUE(waitFor([&] { return session.positionMs() >= 1800 || settled(session); }, 10000));
    int redInside = 0;
    for (const Shown& s : recorder.shown) {
        if (s.ptsMs >= 500 && s.ptsMs < 1500)
            redInside += s.red > 100;
        else
            EXPECT_LT(s.red, 10) << s.ptsMs;
    }
    EXPECT_GT(redInside, kEveryStretchShown ? 5 : 0);
}

TEST_F(MediaFeatures, AnEmbeddedSubRipTrackShowsAndIsListedWithItsLanguage)
{
    auto farm = makeFarm(false);
    MediaSession session(farm.get());
    session.setPreferredLanguages({QStringLiteral("en")}, {QStringLiteral("en")});
    Recorder recorder(session);
    session.open(QUrl::fromLocalFile(media("dark_srt.mkv")));
    ASSERT_TRUE(waitFor([&] { return session.state() == State::Playing; }, 10000));
    ASSERT_EQ(session.subtitleTracks().size(), 1);
    EXPECT_EQ(session.subtitleTracks()[0].language, QStringLiteral("eng"));
    // The sound's language is not known, so the subtitles in the user's language show.
    EXPECT_EQ(session.subtitleTrack(), 0);
    ASSERT_TRUE(waitFor([&] { return session.positionMs() >= 3700 || settled(session); }, 10000));
    int withText = 0;
    for (const Shown& s : recorder.shown) {
        const bool within = (s.ptsMs >= 1000 && s.ptsMs < 2000) || (s.ptsMs >= 3000 && s.ptsMs < 3500);
        EXPECT_EQ(s.text, within) << s.ptsMs;
        withText += s.text;
    }
    EXPECT_GT(withText, kEveryStretchShown ? 10 : 0);

    // Chosen again after a seek back, the same track shows the same lines once.
    session.selectSubtitleTrack(-1);
    session.seek(800);
    session.selectSubtitleTrack(0);
    const std::size_t since = recorder.shown.size();
    ASSERT_TRUE(waitFor([&] { return session.positionMs() >= 2300 || settled(session); }, 10000));
    recorder.expectTextExactlyIn(1000, 2000, since + 1, false);
}

// Frequency of the WAV's sound in a window starting at the given second.
double frequencyAt(const Wav& wav, double second, double length = 0.1)
{
    const auto from = std::size_t(second * wav.sampleRate);
    const auto to = std::min(wav.firstChannel.size(), from + std::size_t(length * wav.sampleRate));
    if (from >= to)
        return 0;
    return frequencyOf(std::vector<int16_t>(wav.firstChannel.begin() + long(from), wav.firstChannel.begin() + long(to)),
                       wav.sampleRate);
}

TEST_F(MediaFeatures, AnotherAudioTrackIsHeardWithinHalfASecondWithThePositionKept)
{
    auto farm = makeFarm(false);
    MediaSession session(farm.get());
    session.setPreferredLanguages({QStringLiteral("en")}, {});
    session.open(QUrl::fromLocalFile(media("two_audio.mkv")));
    ASSERT_TRUE(waitFor([&] { return session.positionMs() >= 1000; }, 10000));
    const QList<MediaTrack> tracks = session.audioTracks();
    ASSERT_EQ(tracks.size(), 2);
    EXPECT_EQ(session.audioTrack(), 0);
    EXPECT_EQ(trackLabel(tracks[1], 2), QStringLiteral("French — Commentary"));

    const int64_t before = session.positionMs();
    session.selectAudioTrack(1);
    EXPECT_EQ(session.audioTrack(), 1);
    EXPECT_NEAR(session.positionMs(), before, 50);
    ASSERT_TRUE(waitFor([&] { return settled(session); }, 10000));
    EXPECT_EQ(session.state(), State::Ended);
    EXPECT_TRUE(session.problems().isEmpty()) << qPrintable(session.problems().join(QLatin1Char('\n')));
    session.close();

    Wav wav;
    ASSERT_TRUE(readWav(m_wav, &wav));
    const double switchedAt = before / 1000.0;
    EXPECT_NEAR(frequencyAt(wav, switchedAt - 0.3), 300, 10);
    EXPECT_NEAR(frequencyAt(wav, switchedAt + 0.5), 600, 10);
    EXPECT_NEAR(frequencyAt(wav, 3.5), 600, 10);
    // Nothing was played twice or left out: the sound is as long as the film.
    EXPECT_NEAR(wav.seconds(), 4.0, 0.25);
}

TEST_F(MediaFeatures, AtOtherSpeedsTheSoundKeepsItsPitchAndTheFilmEndsSoonerOrLater)
{
    auto farm = makeFarm(false);
    for (double speed : {2.0, 0.5}) {
        SCOPED_TRACE(speed);
        QFile::remove(m_wav);
        MediaSession session(farm.get());
        session.setSpeed(speed);
        session.open(QUrl::fromLocalFile(media("vp9_vorbis.webm")));
        ASSERT_TRUE(waitFor([&] { return settled(session); }, 15000));
        ASSERT_EQ(session.state(), State::Ended) << qPrintable(session.problems().join(QLatin1Char('\n')));
        EXPECT_NEAR(session.positionMs(), 2000, 40);
        const MediaSession::Statistics played = session.statistics();
        EXPECT_EQ(played.framesShown + played.framesDropped, 50);
        session.close();
        Wav wav;
        ASSERT_TRUE(readWav(m_wav, &wav));
        // The WAV output is written at the pace a device plays: its length is the time taken.
        EXPECT_NEAR(wav.seconds(), 2.0 / speed, 0.05 * 2.0 / speed);
        EXPECT_NEAR(frequencyOf(wav.firstChannel, wav.sampleRate), 440.0, 10.0);
    }
}

TEST_F(MediaFeatures, BadSubtitleFilesAndATrackChangeDuringASeekLeaveTheRestPlaying)
{
    auto farm = makeFarm(false);
    const QString path = film("two_audio.mkv");
    // Legacy 8-bit text, a damaged SubRip file beside it, and one that is not subtitles.
    write(QStringLiteral("film.en.srt"), QByteArray("1\n00:00:01,000 --> 00:00:02,000\nD\xe9j\xe0 vu\n\n2\nbroken\n"));
    write(QStringLiteral("film.fr.srt"), QByteArray("\x01\x02\x03\xff\xfe garbage", 13));
    MediaSession session(farm.get());
    session.setPreferredLanguages({QStringLiteral("en")}, {QStringLiteral("en")});
    session.open(QUrl::fromLocalFile(path));
    ASSERT_TRUE(waitFor([&] { return session.state() == State::Playing; }, 10000));
    // The readable file is offered and shown; the other is named in a notice.
    ASSERT_EQ(session.subtitleTracks().size(), 1);
    EXPECT_EQ(session.subtitleTrack(), 0);
    const QString notices = session.problems().join(QLatin1Char('\n'));
    EXPECT_TRUE(notices.contains(QStringLiteral("film.en.srt"))) << qPrintable(notices);
    EXPECT_TRUE(notices.contains(QStringLiteral("film.fr.srt"))) << qPrintable(notices);

    // Tracks changed while seeks are under way, and a file that cannot be read.
    session.seek(2500);
    session.selectAudioTrack(1);
    session.seek(300);
    session.selectAudioTrack(0);
    session.selectSubtitleTrack(-1);
    session.seek(1200);
    session.selectAudioTrack(1);
    EXPECT_FALSE(session.loadSubtitleFile(m_dir.filePath(QStringLiteral("missing.srt"))));
    EXPECT_TRUE(session.loadSubtitleFile(m_dir.filePath(QStringLiteral("film.en.srt"))));
    EXPECT_EQ(session.subtitleTrack(), 1);
    ASSERT_TRUE(waitFor([&] { return settled(session); }, 15000));
    EXPECT_EQ(session.state(), State::Ended);
    session.close();
    Wav wav;
    ASSERT_TRUE(readWav(m_wav, &wav));
    EXPECT_NEAR(frequencyAt(wav, wav.seconds() - 0.5), 600, 10);
}

} // namespace

#include "mediamenus.h"
#include "playerwindow.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTest>

namespace {

QStringList texts(QMenu* menu)
{
    QStringList out;
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator())
            out.append(action->text());
    }
    return out;
}

QAction* actionNamed(QMenu* menu, const QString& text)
{
    for (QAction* action : menu->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

TEST_F(MediaFeatures, TheWindowsMenusAndKeysChangeTracksSpeedAndDelay)
{
    auto farm = makeFarm(false);
    const QString path = film("two_audio.mkv");
    write(QStringLiteral("film.en.srt"), kSrt);
    PlayerWindow window(farm.get());
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    MediaSession* session = window.session();
    session->setPreferredLanguages({QStringLiteral("en")}, {QStringLiteral("en")});
    window.openAddress(QString::fromUtf8(QUrl::fromLocalFile(path).toEncoded()));
    ASSERT_TRUE(waitFor([&] { return session->positionMs() > 300; }, 10000));

    auto* audioTracks = window.findChild<QMenu*>(QStringLiteral("audioTrackMenu"));
    auto* subtitleTracks = window.findChild<QMenu*>(QStringLiteral("subtitleTrackMenu"));
    ASSERT_TRUE(audioTracks && subtitleTracks);
    emit audioTracks->aboutToShow();
    EXPECT_EQ(texts(audioTracks), (QStringList{"English", "French — Commentary"}));
    emit subtitleTracks->aboutToShow();
    EXPECT_EQ(texts(subtitleTracks), (QStringList{"&Off", "English (film.en.srt)"}));
    EXPECT_TRUE(actionNamed(subtitleTracks, QStringLiteral("English (film.en.srt)"))->isChecked());

    actionNamed(audioTracks, QStringLiteral("French — Commentary"))->trigger();
    EXPECT_EQ(session->audioTrack(), 1);
    actionNamed(subtitleTracks, QStringLiteral("&Off"))->trigger();
    EXPECT_EQ(session->subtitleTrack(), -1);

    auto* badge = window.findChild<QLabel*>(QStringLiteral("speedBadge"));
    ASSERT_TRUE(badge);
    EXPECT_FALSE(badge->isVisible());
    QTest::keyClick(&window, Qt::Key_BracketRight);
    EXPECT_DOUBLE_EQ(session->speed(), 1.25);
    EXPECT_TRUE(badge->isVisible());
    EXPECT_TRUE(badge->text().startsWith(QStringLiteral("1.25")));
    QTest::keyClick(&window, Qt::Key_BracketLeft);
    QTest::keyClick(&window, Qt::Key_BracketLeft);
    EXPECT_DOUBLE_EQ(session->speed(), 0.75);
    QTest::keyClick(&window, Qt::Key_Backspace);
    EXPECT_DOUBLE_EQ(session->speed(), 1.0);
    EXPECT_FALSE(badge->isVisible());

    QTest::keyClick(&window, Qt::Key_X);
    QTest::keyClick(&window, Qt::Key_X);
    QTest::keyClick(&window, Qt::Key_Z);
    EXPECT_EQ(session->subtitleDelayMs(), 100);
    // The speed steps stop at their ends.
    EXPECT_DOUBLE_EQ(MediaMenus::stepSpeed(4.0, +1), 4.0);
    EXPECT_DOUBLE_EQ(MediaMenus::stepSpeed(0.25, -1), 0.25);
    EXPECT_DOUBLE_EQ(MediaMenus::stepSpeed(1.1, +1), 1.25);
    EXPECT_DOUBLE_EQ(MediaMenus::stepSpeed(1.1, -1), 1.0);
}

} // namespace

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

// A film with a DVD subtitle track: the dark clip's pictures and one white box from 1 s to
// 2 s, encoded with libavcodec's DVD subtitle encoder (ffmpeg's command line cannot make
// picture subtitles from nothing).
bool makeDvdSubtitleFilm(const QString& from, const QString& to)
{
    AVFormatContext* in = nullptr;
    AVFormatContext* out = nullptr;
    if (avformat_open_input(&in, QFile::encodeName(from).constData(), nullptr, nullptr) < 0
        || avformat_find_stream_info(in, nullptr) < 0)
        return false;
    bool ok = avformat_alloc_output_context2(&out, nullptr, "matroska", QFile::encodeName(to).constData()) >= 0;
    const int video = av_find_best_stream(in, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    AVStream* videoOut = ok ? avformat_new_stream(out, nullptr) : nullptr;
    ok = ok && video >= 0 && videoOut && avcodec_parameters_copy(videoOut->codecpar, in->streams[video]->codecpar) >= 0;
    if (videoOut)
        videoOut->codecpar->codec_tag = 0;

    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVD_SUBTITLE);
    AVCodecContext* encoder = codec ? avcodec_alloc_context3(codec) : nullptr;
    AVStream* subtitleOut = ok ? avformat_new_stream(out, nullptr) : nullptr;
    if (encoder) {
        encoder->width = 320;
        encoder->height = 240;
        encoder->time_base = AVRational{1, 1000};
    }
    ok = ok && encoder && subtitleOut && avcodec_open2(encoder, codec, nullptr) >= 0
         && avcodec_parameters_from_context(subtitleOut->codecpar, encoder) >= 0;
    if (subtitleOut)
        subtitleOut->time_base = AVRational{1, 1000};
    ok = ok && avio_open(&out->pb, QFile::encodeName(to).constData(), AVIO_FLAG_WRITE) >= 0
         && avformat_write_header(out, nullptr) >= 0;

    AVPacket* packet = av_packet_alloc();
    while (ok && av_read_frame(in, packet) >= 0) {
        if (packet->stream_index == video) {
            av_packet_rescale_ts(packet, in->streams[video]->time_base, videoOut->time_base);
            packet->stream_index = videoOut->index;
            ok = av_interleaved_write_frame(out, packet) >= 0;
        }
        av_packet_unref(packet);
    }
    if (ok) {
        std::vector<uint8_t> indices(120 * 30, 1);
        uint32_t palette[4] = {0x00000000, 0xFFFFFFFF, 0xFF000000, 0xFF808080};
        AVSubtitleRect rect = {};
        rect.type = SUBTITLE_BITMAP;
        rect.x = 100;
        rect.y = 180;
        rect.w = 120;
        rect.h = 30;
        rect.nb_colors = 4;
        rect.data[0] = indices.data();
        rect.linesize[0] = 120;
        rect.data[1] = reinterpret_cast<uint8_t*>(palette);
        AVSubtitleRect* rects[1] = {&rect};
        AVSubtitle subtitle = {};
        subtitle.num_rects = 1;
        subtitle.rects = rects;
        subtitle.start_display_time = 0;
        subtitle.end_display_time = 1000;
        subtitle.pts = 1000000;
        std::vector<uint8_t> buffer(65536);
        const int size = avcodec_encode_subtitle(encoder, buffer.data(), int(buffer.size()), &subtitle);
        ok = size > 0 && av_new_packet(packet, size) >= 0;
        if (ok) {
            std::memcpy(packet->data, buffer.data(), size_t(size));
            packet->stream_index = subtitleOut->index;
            packet->pts = packet->dts = av_rescale_q(1000, AVRational{1, 1000}, subtitleOut->time_base);
            packet->duration = av_rescale_q(1000, AVRational{1, 1000}, subtitleOut->time_base);
            ok = av_interleaved_write_frame(out, packet) >= 0;
        }
    }
    ok = ok && av_write_trailer(out) >= 0;
    av_packet_free(&packet);
    avcodec_free_context(&encoder);
    if (out && out->pb)
        avio_closep(&out->pb);
    avformat_free_context(out);
    avformat_close_input(&in);
    return ok;
}

TEST_F(MediaFeatures, APictureSubtitleTrackShowsInItsTime)
{
    const QString path = m_dir.filePath(QStringLiteral("dvd.mkv"));
    ASSERT_TRUE(makeDvdSubtitleFilm(media("dark.mkv"), path));
    auto farm = makeFarm(false);
    MediaSession session(farm.get());
    session.setPreferredLanguages({QStringLiteral("en")}, {QStringLiteral("en")});
    Recorder recorder(session);
    session.open(QUrl::fromLocalFile(path));
    ASSERT_TRUE(waitFor([&] { return session.state() == State::Playing; }, 10000));
    ASSERT_EQ(session.subtitleTracks().size(), 1);
    EXPECT_TRUE(session.subtitleTracks()[0].bitmap);
    // Nothing marks the track for this user: it is chosen by hand.
    EXPECT_EQ(session.subtitleTrack(), -1);
    session.selectSubtitleTrack(0);
    const std::size_t since = recorder.shown.size();
    ASSERT_TRUE(waitFor([&] { return session.positionMs() >= 2300 || settled(session); }, 10000));
    recorder.expectTextExactlyIn(1000, 2000, since + 1);
    EXPECT_TRUE(session.problems().isEmpty()) << qPrintable(session.problems().join(QLatin1Char('\n')));
}

} // namespace

#include "settings/applicationsettings.h"
#include "settings/registrysandbox.h"

namespace {

TEST_F(MediaFeatures, PreferredLanguagesAndFilesBesideComeFromTheSettingsStore)
{
    RegistrySandbox sandbox;
    auto farm = makeFarm(false);
    const QString path = film("two_audio.mkv");
    write(QStringLiteral("film.srt"), kSrt);
    auto& settings = MovraPlayerX::ApplicationSettings::application();
    ASSERT_TRUE(settings.set(MovraPlayerX::kAudioLanguage, QStringLiteral("ja, fr")));
    ASSERT_TRUE(settings.set(MovraPlayerX::kUseExternalSubtitles, false));
    PlayerWindow window(farm.get());
    window.useSettings();
    window.openAddress(QString::fromUtf8(QUrl::fromLocalFile(path).toEncoded()));
    MediaSession* session = window.session();
    ASSERT_TRUE(waitFor([&] { return session->state() == State::Playing; }, 10000));
    EXPECT_EQ(session->audioTrack(), 1);
    EXPECT_TRUE(session->subtitleTracks().isEmpty());
    window.close();
}

} // namespace

// Playback measured against FFmpeg's command-line tools on the same clips:
//   decode     1080p30 H.264 decoded through the decoder plug-in ÷ `ffmpeg -benchmark -f null`
//              (wall-clock time; goal ≥ 0.9)
//   playback   30 s of 720p H.264 + AAC played offscreen on the sound clock: pictures dropped
//              (goal 0) and the median distance between picture and sound (goal < 20 ms)
//   first      address received → first picture shown, beside `ffplay -autoexit` on a
//              one-picture clip (its whole run: start, first picture, exit)
// Usage: playback_bench [decode|playback|first]... (all by default). The clips are made with
// ffmpeg in a temporary folder.

#include "playbacksupport.h"

#include "decoderfinder.h"
#include "mediasession.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cstdio>

using namespace playbacktest;
using namespace MovraReference;
using namespace MovraStreamEngine;

namespace {

bool ffmpeg(const QStringList& arguments, QByteArray* errorOutput = nullptr)
{
    QProcess process;
    process.start(QStringLiteral("ffmpeg"), QStringList{QStringLiteral("-nostdin"), QStringLiteral("-y")} + arguments);
    process.waitForFinished(-1);
    if (errorOutput)
        *errorOutput = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QStringList split(const char* text)
{
    return QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// Demuxes the clip and decodes its video through the plug-in; seconds of wall time.
double decodeThroughPlugin(MSE::Farm& farm, const QString& clip, int* frames)
{
    QElapsedTimer timer;
    timer.start();
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, QFile::encodeName(clip).constData(), nullptr, nullptr) < 0)
        return -1;
    avformat_find_stream_info(format, nullptr);
    const int index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const StreamDescription description = describeStream(format->streams[index]->codecpar);
    DecoderLookup lookup = openDecoder(&farm, description.parameters);
    if (lookup.outcome != DecoderLookup::Found) {
        std::fprintf(stderr, "no decoder: %s\n", qPrintable(lookup.error));
        return -1;
    }
    IDecoder* decoder = lookup.decoder.get();
    AVPacket* packet = av_packet_alloc();
    *frames = 0;
    const auto drain = [&] {
        VideoFrame frame;
        while (decoder->receiveVideoFrame(&frame) == kDecoderOk)
            ++*frames;
    };
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == index) {
            Packet p;
            p.data = packet->data;
            p.size = packet->size;
            p.pts = packet->pts;
            p.dts = packet->dts;
            while (decoder->sendPacket(&p) == kDecoderOutputFirst)
                drain();
            drain();
        }
        av_packet_unref(packet);
    }
    decoder->sendPacket(nullptr);
    drain();
    av_packet_free(&packet);
    avformat_close_input(&format);
    return timer.nsecsElapsed() / 1e9;
}

int benchDecode(const QString& dir)
{
    const QString clip = dir + QStringLiteral("/1080p30.mp4");
    if (!ffmpeg(split("-f lavfi -i testsrc2=size=1920x1080:rate=30:duration=10 -c:v libx264 -preset veryfast -pix_fmt yuv420p") << clip))
        return 1;
    QByteArray report;
    ffmpeg(QStringList{QStringLiteral("-benchmark"), QStringLiteral("-i"), clip} + split("-an -f null -"), &report);
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("rtime=([0-9.]+)s")).match(QString::fromLatin1(report));
    if (!m.hasMatch())
        return 1;
    const double theirs = m.captured(1).toDouble();
    auto farm = makeFarm(true);
    int frames = 0;
    decodeThroughPlugin(*farm, clip, &frames);   // warm the caches once
    double ours = 1e9;
    for (int i = 0; i < 3; ++i)
        ours = std::min(ours, decodeThroughPlugin(*farm, clip, &frames));
    std::printf("decode    1080p30 H.264, %d frames: plug-in %.3f s, ffmpeg %.3f s, ratio %.2f (goal >= 0.9)\n", frames,
                ours, theirs, theirs / ours);
    return 0;
}

int benchPlayback(const QString& dir)
{
    const QString clip = dir + QStringLiteral("/720p.mp4");
    if (!ffmpeg(split("-f lavfi -i testsrc2=size=1280x720:rate=30:duration=30 -f lavfi -i sine=frequency=440:duration=30 "
                      "-c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac") << clip))
        return 1;
    qputenv("MOVRA_AUDIO_OUTPUT", (QStringLiteral("wav:") + dir + QStringLiteral("/720p.wav")).toUtf8());
    auto farm = makeFarm(true);
    MediaSession session(farm.get());
    session.open(QUrl::fromLocalFile(clip));
    waitFor([&] { return session.state() == MediaSession::State::Ended || session.state() == MediaSession::State::Failed; },
            60000);
    MediaSession::Statistics played = session.statistics();
    std::vector<int64_t> offsets = played.avOffsetsUs;
    std::sort(offsets.begin(), offsets.end());
    const double median = offsets.empty() ? -1 : offsets[offsets.size() / 2] / 1000.0;
    std::printf("playback  30 s of 720p30 H.264 + AAC: %d shown, %d dropped (goal 0), A/V offset median %.1f ms "
                "(goal < 20), %s\n",
                played.framesShown, played.framesDropped, median,
                session.state() == MediaSession::State::Ended ? "ended" : "did not end");
    return 0;
}

int benchFirstPicture(const QString& dir)
{
    const QString clip = dir + QStringLiteral("/one.webm");
    if (!ffmpeg(split("-f lavfi -i testsrc=size=640x360:rate=25:duration=1 -c:v libvpx-vp9 -deadline realtime") << clip))
        return 1;
    auto farm = makeFarm(false);
    double ours = 1e9;
    for (int i = 0; i < 5; ++i) {
        MediaSession session(farm.get());
        QElapsedTimer timer;
        timer.start();
        session.open(QUrl::fromLocalFile(clip));
        waitFor([&] { return session.statistics().framesShown > 0; }, 10000);
        ours = std::min(ours, timer.nsecsElapsed() / 1e6);
    }
    const QString single = dir + QStringLiteral("/single.webm");
    ffmpeg(QStringList{QStringLiteral("-i"), clip} + split("-frames:v 1 -c:v libvpx-vp9 -deadline realtime") << single);
    double theirs = 1e9;
    for (int i = 0; i < 3; ++i) {
        QProcess ffplay;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("SDL_VIDEODRIVER"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
        ffplay.setProcessEnvironment(environment);
        QElapsedTimer timer;
        timer.start();
        ffplay.start(QStringLiteral("ffplay"), split("-autoexit -loglevel quiet -an") << single);
        if (!ffplay.waitForFinished(20000)) {
            ffplay.kill();
            ffplay.waitForFinished();
            break;
        }
        theirs = std::min(theirs, timer.nsecsElapsed() / 1e6);
    }
    if (theirs > 1e8)
        std::printf("first     address → first picture: %.1f ms (ffplay did not run here)\n", ours);
    else
        std::printf("first     address → first picture: %.1f ms; ffplay -autoexit, whole run of one picture: %.1f ms; "
                    "ratio %.2f\n",
                    ours, theirs, theirs / ours);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QStringList which = app.arguments().mid(1);
    if (which.isEmpty())
        which = {QStringLiteral("decode"), QStringLiteral("playback"), QStringLiteral("first")};
    int status = 0;
    for (const QString& name : which) {
        if (name == QLatin1String("decode"))
            status |= benchDecode(dir.path());
        else if (name == QLatin1String("playback"))
            status |= benchPlayback(dir.path());
        else if (name == QLatin1String("first"))
            status |= benchFirstPicture(dir.path());
    }
    return status;
}

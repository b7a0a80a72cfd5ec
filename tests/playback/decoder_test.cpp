// The decoder plug-ins, reached as the player reaches them: through a farm's format queries.

#include "playbacksupport.h"

#include "decoderfinder.h"

#include <MovraStreamEngine/Decoder.h>

#include <QFile>

extern "C" {
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <gtest/gtest.h>

using namespace playbacktest;
using namespace MovraReference;
using namespace MovraStreamEngine;

namespace {

// A file opened with libavformat, for feeding one stream to a decoder.
class Demuxer
{
public:
    explicit Demuxer(const QString& path)
    {
        if (avformat_open_input(&m_format, QFile::encodeName(path).constData(), nullptr, nullptr) == 0)
            avformat_find_stream_info(m_format, nullptr);
    }
    ~Demuxer() { avformat_close_input(&m_format); }

    // As a caller built against an older interface says it.
    uint32_t videoFrameSize = sizeof(VideoFrame);
    static constexpr int32_t kUntouched = -7;

    int stream(AVMediaType type) const { return m_format ? av_find_best_stream(m_format, type, -1, -1, nullptr, 0) : -1; }
    AVStream* at(int index) const { return m_format->streams[index]; }

    // Feeds every packet of the stream, then the end, to decoder; take sees each frame.
    template <class Take>
    bool decodeAll(int index, IDecoder* decoder, Take take)
    {
        AVPacket* packet = av_packet_alloc();
        const AVRational tb = at(index)->time_base;
        bool ok = true;
        const auto drain = [&] {
            for (;;) {
                int32_t r;
                if (at(index)->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
                    VideoFrame f;
                    f.structSize = videoFrameSize;
                    f.colorMatrix = kUntouched;
                    r = decoder->receiveVideoFrame(&f);
                    if (r == kDecoderOk && !take(&f, nullptr))
                        return false;
                } else {
                    AudioFrame f;
                    r = decoder->receiveAudioFrame(&f);
                    if (r == kDecoderOk && !take(nullptr, &f))
                        return false;
                }
                if (r != kDecoderOk)
                    return true;
            }
        };
        while (ok && av_read_frame(m_format, packet) >= 0) {
            if (packet->stream_index == index) {
                av_packet_rescale_ts(packet, tb, AVRational{1, 1000000});
                Packet p;
                p.data = packet->data;
                p.size = packet->size;
                p.pts = packet->pts == AV_NOPTS_VALUE ? kNoTimestamp : packet->pts;
                p.dts = packet->dts == AV_NOPTS_VALUE ? kNoTimestamp : packet->dts;
                p.flags = (packet->flags & AV_PKT_FLAG_KEY) ? kPacketKeyFrame : 0;
                while (decoder->sendPacket(&p) == kDecoderOutputFirst)
                    ok = drain();
                ok = ok && drain();
            }
            av_packet_unref(packet);
        }
        if (ok) {
            decoder->sendPacket(nullptr);
            drain();
        }
        av_packet_free(&packet);
        return true;
    }

private:
    AVFormatContext* m_format = nullptr;
};

QByteArray toRgb(const VideoFrame& f)
{
    const AVPixelFormat formats[] = {AV_PIX_FMT_NONE, AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV422P, AV_PIX_FMT_YUV444P,
                                     AV_PIX_FMT_NV12, AV_PIX_FMT_GRAY8, AV_PIX_FMT_BGRA};
    SwsContext* sws = sws_getContext(f.width, f.height, formats[f.pixelFormat], f.width, f.height, AV_PIX_FMT_RGB24,
                                     SWS_BILINEAR, nullptr, nullptr, nullptr);
    QByteArray rgb(f.width * f.height * 3, '\0');
    uint8_t* dst[4] = {reinterpret_cast<uint8_t*>(rgb.data())};
    int dstStride[4] = {f.width * 3};
    sws_scale(sws, f.planes, f.strides, 0, f.height, dst, dstStride);
    sws_freeContext(sws);
    return rgb;
}

TEST(DecoderPlugins, ShippedFormatsAreFoundAndTheInstallableOnesOnlyAsComponents)
{
    auto shipped = makeFarm(false);
    auto everything = makeFarm(true);
    struct Row
    {
        const char* fourCC;
        bool shipped;
    };
    for (const Row& row : {Row{"VP80", true}, Row{"VP90", true}, Row{"AV01", true}, Row{"THEO", true},
                           Row{"MPG1", true}, Row{"MPG2", true}, Row{"H264", false}, Row{"HEVC", false},
                           Row{"MP4V", false}}) {
        SCOPED_TRACE(row.fourCC);
        EXPECT_EQ(shipped->isVideoFormatSupported(MSE::movra_string<char>(row.fourCC)), row.shipped);
        EXPECT_TRUE(everything->isVideoFormatSupported(MSE::movra_string<char>(row.fourCC)));
    }
    for (int32_t id : {kAudioAAC, kAudioMP3, kAudioMPEGLayer12, kAudioOpus, kAudioVorbis, kAudioFLAC, kAudioPCM,
                       kAudioPCMFloat}) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(shipped->isAudioFormatSupported(id));
    }
    // Discovery reads properties documents only: no decoder is loaded before a file needs it.
    EXPECT_EQ(loadedLibraries(*shipped), 0u);
    EXPECT_EQ(loadedLibraries(*everything), 0u);
}

struct PictureCase
{
    const char* name;
    const char* file;
    double tolerance;   // mean difference per channel value, 0..255
};

TEST(DecoderPlugins, ThePictureAtOneSecondMatchesThePattern)
{
    QFile patternFile(media("pattern_1s.rgb"));
    ASSERT_TRUE(patternFile.open(QIODevice::ReadOnly));
    const QByteArray pattern = patternFile.readAll();
    auto farm = makeFarm(true);
    for (const PictureCase& c : {PictureCase{"H.264", "h264_aac.mp4", 6}, PictureCase{"HEVC", "hevc_opus.mkv", 8},
                                 PictureCase{"MPEG-4", "mpeg4_mp3.avi", 8}, PictureCase{"VP9", "vp9_vorbis.webm", 8},
                                 PictureCase{"Theora", "theora_vorbis.ogg", 10},
                                 PictureCase{"MPEG-2", "mpeg2_mp2.mpg", 8}, PictureCase{"VP8", "video_only.webm", 10},
                                 PictureCase{"AV1", "av1.mkv", 8}, PictureCase{"MPEG-1", "mpeg1.mpg", 8}}) {
        SCOPED_TRACE(c.name);
        Demuxer demuxer(media(c.file));
        const int index = demuxer.stream(AVMEDIA_TYPE_VIDEO);
        ASSERT_GE(index, 0);
        const StreamDescription description = describeStream(demuxer.at(index)->codecpar);
        ASSERT_TRUE(description.ok);
        DecoderLookup lookup = openDecoder(farm.get(), description.parameters);
        ASSERT_EQ(lookup.outcome, DecoderLookup::Found) << qPrintable(lookup.error);
        const int64_t start = demuxer.at(index)->start_time == AV_NOPTS_VALUE
                                  ? 0
                                  : av_rescale_q(demuxer.at(index)->start_time, demuxer.at(index)->time_base, {1, 1000000});
        QByteArray picture;
        int frames = 0;
        demuxer.decodeAll(index, lookup.decoder.get(), [&](const VideoFrame* f, const AudioFrame*) {
            ++frames;
            EXPECT_EQ(f->width, 320);
            EXPECT_EQ(f->height, 240);
            // The picture of the frame shown from 1.00 s on (frames last 40 ms).
            if (picture.isEmpty() && f->pts - start >= 1000000 - 20000) {
                picture = toRgb(*f);
                return false;
            }
            return true;
        });
        ASSERT_FALSE(picture.isEmpty()) << frames << " frames decoded";
        EXPECT_LT(meanDifference(picture, pattern), c.tolerance);
    }
}

TEST(DecoderPlugins, TenBitPicturesAndTheirMatrixGoOnlyToCallersThatKnowThem)
{
    auto farm = makeFarm(true);
    struct Row
    {
        const char* name;
        uint32_t frameSize;
        int32_t format;
        int32_t matrix;
    };
    for (const Row& row : {Row{"this interface", sizeof(VideoFrame), kPixelYUV420P10, kMatrixBT709},
                           Row{"the interface with the matrix", kVideoFrameMatrixSize, kPixelYUV420P10, kMatrixBT709},
                           Row{"the first interface", kVideoFrameFirstSize, kPixelYUV420P, Demuxer::kUntouched}}) {
        SCOPED_TRACE(row.name);
        Demuxer demuxer(media("tenbit.webm"));
        demuxer.videoFrameSize = row.frameSize;
        const int index = demuxer.stream(AVMEDIA_TYPE_VIDEO);
        ASSERT_GE(index, 0);
        const StreamDescription description = describeStream(demuxer.at(index)->codecpar);
        ASSERT_TRUE(description.ok);
        DecoderLookup lookup = openDecoder(farm.get(), description.parameters);
        ASSERT_EQ(lookup.outcome, DecoderLookup::Found) << qPrintable(lookup.error);
        int frames = 0;
        demuxer.decodeAll(index, lookup.decoder.get(), [&](const VideoFrame* f, const AudioFrame*) {
            ++frames;
            EXPECT_EQ(f->pixelFormat, row.format);
            // An older caller's frame ends before the field: nothing is written there.
            EXPECT_EQ(f->colorMatrix, row.matrix);
            if (row.frameSize < sizeof(VideoFrame)) {
                EXPECT_EQ(f->hold, nullptr) << "offered to a caller that cannot know of it";
            }
            return true;
        });
        EXPECT_GT(frames, 0);
    }
}

struct SoundCase
{
    const char* name;
    const char* file;
};

TEST(DecoderPlugins, HeldPicturesStayAsDecodedWhileDecodingGoesOn)
{
    // Every picture is held as it comes out and its colours taken then; after the whole
    // stream and the decoder itself are gone, each held picture must still show the same.
    auto farm = makeFarm(true);
    Demuxer demuxer(media("video_only.webm"));
    const int index = demuxer.stream(AVMEDIA_TYPE_VIDEO);
    ASSERT_GE(index, 0);
    const StreamDescription description = describeStream(demuxer.at(index)->codecpar);
    DecoderLookup lookup = openDecoder(farm.get(), description.parameters);
    ASSERT_EQ(lookup.outcome, DecoderLookup::Found) << qPrintable(lookup.error);
    struct Held
    {
        VideoFrame frame;
        void* token;
        QByteArray rgb;
    };
    std::vector<Held> held;
    demuxer.decodeAll(index, lookup.decoder.get(), [&](const VideoFrame* f, const AudioFrame*) {
        EXPECT_NE(f->hold, nullptr);
        if (!f->hold || !f->release)
            return false;
        void* token = f->hold(f->holdContext);
        EXPECT_NE(token, nullptr);
        held.push_back({*f, token, toRgb(*f)});
        return true;
    });
    lookup.decoder.reset();
    ASSERT_GT(held.size(), 10u);
    // Distinct pictures, or a decoder handing out one buffer again would pass unnoticed.
    EXPECT_NE(held.front().rgb, held.back().rgb);
    for (std::size_t i = 0; i < held.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(toRgb(held[i].frame), held[i].rgb);
        held[i].frame.release(held[i].token);
    }
}

TEST(DecoderPlugins, SoundDecodesToTheSine)
{
    auto farm = makeFarm(true);
    for (const SoundCase& c : {SoundCase{"AAC", "h264_aac.mp4"}, SoundCase{"Opus", "hevc_opus.mkv"},
                               SoundCase{"MP3", "mpeg4_mp3.avi"}, SoundCase{"Vorbis", "vp9_vorbis.webm"},
                               SoundCase{"MP2", "mpeg2_mp2.mpg"}, SoundCase{"FLAC", "audio_only.flac"},
                               SoundCase{"PCM", "audio_only.wav"}}) {
        SCOPED_TRACE(c.name);
        Demuxer demuxer(media(c.file));
        const int index = demuxer.stream(AVMEDIA_TYPE_AUDIO);
        ASSERT_GE(index, 0);
        const StreamDescription description = describeStream(demuxer.at(index)->codecpar);
        ASSERT_TRUE(description.ok);
        DecoderLookup lookup = openDecoder(farm.get(), description.parameters);
        ASSERT_EQ(lookup.outcome, DecoderLookup::Found) << qPrintable(lookup.error);
        std::vector<int16_t> samples;
        int rate = 0;
        demuxer.decodeAll(index, lookup.decoder.get(), [&](const VideoFrame*, const AudioFrame* f) {
            rate = f->sampleRate;
            for (int i = 0; i < f->samples; ++i) {
                const int at = f->planar ? i : i * f->channels;
                double v = 0;
                switch (f->sampleFormat) {
                case kSampleS16: v = reinterpret_cast<const int16_t*>(f->planes[0])[at] / 32768.0; break;
                case kSampleS32: v = reinterpret_cast<const int32_t*>(f->planes[0])[at] / 2147483648.0; break;
                case kSampleFloat: v = reinterpret_cast<const float*>(f->planes[0])[at]; break;
                case kSampleDouble: v = reinterpret_cast<const double*>(f->planes[0])[at]; break;
                case kSampleU8: v = (f->planes[0][at] - 128) / 128.0; break;
                default: ADD_FAILURE() << "sample format " << f->sampleFormat;
                }
                samples.push_back(int16_t(v * 32767));
            }
            return true;
        });
        ASSERT_EQ(rate, 48000);
        EXPECT_NEAR(frequencyOf(samples, rate), 440.0, 440.0 * 0.01);
        // Encoders add a few priming and padding samples; the player trims by time stamps.
        EXPECT_NEAR(double(samples.size()) / rate, 2.0, 0.06);
    }
}

TEST(DecoderPlugins, OpenRefusesWhatThePlugInDoesNotHandle)
{
    auto farm = makeFarm(false);
    StreamParameters vp9;
    vp9.mediaKind = kMediaVideo;
    std::strcpy(vp9.fourCC, kFourCCVP9);
    vp9.width = 320;
    vp9.height = 240;
    DecoderLookup lookup = openDecoder(farm.get(), vp9);
    ASSERT_EQ(lookup.outcome, DecoderLookup::Found);
    IDecoder* decoder = lookup.decoder.get();

    struct Row
    {
        const char* name;
        int width, height;
    };
    // A second open of one object fails; the object stays usable.
    EXPECT_EQ(decoder->open(&vp9), kDecoderFailed);
    EXPECT_STRNE(decoder->lastError().c_str(), "");

    // An object of the VP9 plug-in refuses a format its document does not declare, though
    // the codec library behind it could decode it.
    MSE::List<MSE::PluginInfo*> infos;
    ASSERT_EQ(farm->getPluginInfos(&infos, MSE::PluginContext::PluginNameFilter("com.movra.streamengine.plugin.VP9Decoder")), 0);
    MSE::Plugin* plugin = nullptr;
    ASSERT_EQ(farm->createPlugin(infos.at(0), &plugin), 0);
    void* face = nullptr;
    ASSERT_EQ(plugin->getInterface(MSE::movra_string<char>(kDecoderInterface), &face), 0);
    StreamParameters h264 = vp9;
    std::strcpy(h264.fourCC, kFourCCH264);
    EXPECT_EQ(static_cast<IDecoder*>(face)->open(&h264), kDecoderUnsupported);
    EXPECT_EQ(plugin->getInterface(MSE::movra_string<char>("com.example.other"), &face), MSE::kResultFailed);
    plugin->release();

    // Fresh objects of the same plug-in, as the player makes one per stream.
    for (const Row& row : {Row{"huge", 65535, 65535}, Row{"too many pixels", 16000, 16000}, Row{"negative", -5, 240}}) {
        SCOPED_TRACE(row.name);
        StreamParameters p = vp9;
        p.width = row.width;
        p.height = row.height;
        const DecoderLookup refused = openDecoder(farm.get(), p);
        EXPECT_EQ(refused.outcome, DecoderLookup::Failed);
        EXPECT_TRUE(refused.error.contains(QLatin1String("large")) || refused.error.contains(QLatin1String("refused")))
            << qPrintable(refused.error);
    }

    // After close nothing works, and nothing crashes.
    decoder->close();
    Packet packet;
    uint8_t byte = 0;
    packet.data = &byte;
    packet.size = 1;
    EXPECT_EQ(decoder->sendPacket(&packet), kDecoderFailed);
    VideoFrame frame;
    EXPECT_EQ(decoder->receiveVideoFrame(&frame), kDecoderFailed);
    AudioFrame sound;
    EXPECT_EQ(decoder->receiveAudioFrame(&sound), kDecoderInvalidArgument);
}

} // namespace

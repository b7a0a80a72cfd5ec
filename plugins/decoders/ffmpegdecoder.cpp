#include "ffmpegdecoder.h"
#include "codecmap.h"

#include <MSE/PluginObject.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/cpu.h>
#include <libavutil/imgutils.h>
#include <libavutil/intreadwrite.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>
#include <string>

namespace MovraDecoders {
namespace {

using namespace MovraStreamEngine;

// Pictures beyond this are refused before anything is allocated for them: a damaged or
// hostile header must not make the decoder ask for gigabytes.
constexpr int kMaxSide = 16384;
constexpr int64_t kMaxPixels = 8192LL * 4320LL;

constexpr AVRational kMicroseconds = {1, 1000000};

std::string errorText(int code)
{
    char buffer[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buffer, sizeof buffer);
    return buffer;
}

// A held picture is a new reference to the codec's frame; libavutil frees the planes with
// the last reference, on whichever thread drops it.
void* holdFrame(void* frame)
{
    return av_frame_clone(static_cast<const AVFrame*>(frame));
}

void releaseFrame(void* token)
{
    auto* frame = static_cast<AVFrame*>(token);
    av_frame_free(&frame);
}

int32_t pixelFormatOf(int format, int32_t* range, bool tenBit)
{
    *range = kRangeLimited;
    if (tenBit) {
        switch (format) {
        case AV_PIX_FMT_YUV420P10LE:
            return kPixelYUV420P10;
        case AV_PIX_FMT_YUV422P10LE:
            return kPixelYUV422P10;
        case AV_PIX_FMT_YUV444P10LE:
            return kPixelYUV444P10;
        default:
            break;
        }
    }
    switch (format) {
    case AV_PIX_FMT_YUVJ420P:
        *range = kRangeFull;
        return kPixelYUV420P;
    case AV_PIX_FMT_YUV420P:
        return kPixelYUV420P;
    case AV_PIX_FMT_YUVJ422P:
        *range = kRangeFull;
        return kPixelYUV422P;
    case AV_PIX_FMT_YUV422P:
        return kPixelYUV422P;
    case AV_PIX_FMT_YUVJ444P:
        *range = kRangeFull;
        return kPixelYUV444P;
    case AV_PIX_FMT_YUV444P:
        return kPixelYUV444P;
    case AV_PIX_FMT_NV12:
        return kPixelNV12;
    case AV_PIX_FMT_GRAY8:
        return kPixelGray8;
    case AV_PIX_FMT_BGRA:
        *range = kRangeFull;
        return kPixelBGRA;
    default:
        return kPixelUnknown;
    }
}

int32_t colorMatrixOf(AVColorSpace space)
{
    switch (space) {
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M:
        return kMatrixBT601;
    case AVCOL_SPC_BT709:
        return kMatrixBT709;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
        return kMatrixBT2020;
    default:
        return kMatrixUnspecified;
    }
}

bool sampleFormatOf(int format, int32_t* sdkFormat, int32_t* planar)
{
    *planar = av_sample_fmt_is_planar(static_cast<AVSampleFormat>(format)) ? 1 : 0;
    switch (av_get_packed_sample_fmt(static_cast<AVSampleFormat>(format))) {
    case AV_SAMPLE_FMT_U8:
        *sdkFormat = kSampleU8;
        return true;
    case AV_SAMPLE_FMT_S16:
        *sdkFormat = kSampleS16;
        return true;
    case AV_SAMPLE_FMT_S32:
        *sdkFormat = kSampleS32;
        return true;
    case AV_SAMPLE_FMT_FLT:
        *sdkFormat = kSampleFloat;
        return true;
    case AV_SAMPLE_FMT_DBL:
        *sdkFormat = kSampleDouble;
        return true;
    default:
        return false;
    }
}

int64_t toMicroseconds(int64_t value)
{
    return value == AV_NOPTS_VALUE ? kNoTimestamp : value;
}

int64_t fromMicroseconds(int64_t value)
{
    return value == kNoTimestamp ? AV_NOPTS_VALUE : value;
}

class FFmpegDecoder final : public MSE::PluginObject, public IDecoder
{
public:
    FFmpegDecoder(MSE::PluginContext* context, const AcceptedFormat* accepted)
        : PluginObject(context), m_accepted(accepted)
    {
    }

    ~FFmpegDecoder() override { close(); }

    int32_t getInterface(const MSE::movra_string<char>& id, void** out) override
    {
        if (!out)
            return MSE::kResultMissingArgument;
        if (!(id == kDecoderInterface))
            return MSE::kResultFailed;
        *out = static_cast<IDecoder*>(this);
        return MSE::kResultOk;
    }

    int32_t open(const StreamParameters* parameters) override
    {
        if (!parameters || parameters->structSize < sizeof(StreamParameters))
            return fail(kDecoderInvalidArgument, "no stream parameters");
        if (m_context)
            return fail(kDecoderFailed, "the decoder is already open");
        if (!accepts(*parameters))
            return fail(kDecoderUnsupported, "this decoder does not handle the stream's format");
        const CodecChoice choice = codecFor(*parameters);
        if (choice.id == AV_CODEC_ID_NONE)
            return fail(kDecoderUnsupported, "unknown format");
        const AVCodec* codec = choice.preferredName ? avcodec_find_decoder_by_name(choice.preferredName) : nullptr;
        if (!codec)
            codec = avcodec_find_decoder(static_cast<AVCodecID>(choice.id));
        if (!codec)
            return fail(kDecoderUnsupported, "the codec library has no decoder for this format");
        m_mediaKind = parameters->mediaKind;
        if (m_mediaKind == kMediaVideo) {
            if (parameters->width < 0 || parameters->height < 0 || parameters->width > kMaxSide
                || parameters->height > kMaxSide
                || int64_t(parameters->width) * parameters->height > kMaxPixels)
                return fail(kDecoderUnsupported, "the picture is too large (" + std::to_string(parameters->width) + "×"
                                                     + std::to_string(parameters->height) + ")");
        } else {
            if (parameters->channels < 0 || parameters->channels > 8)
                return fail(kDecoderUnsupported, "more than 8 audio channels");
            if (parameters->sampleRate < 0 || parameters->sampleRate > 768000)
                return fail(kDecoderUnsupported, "implausible sample rate");
        }

        m_context = avcodec_alloc_context3(codec);
        m_packet = av_packet_alloc();
        m_frame = av_frame_alloc();
        if (!m_context || !m_packet || !m_frame) {
            close();
            return fail(kDecoderFailed, "out of memory");
        }
        m_context->codec_type = m_mediaKind == kMediaVideo ? AVMEDIA_TYPE_VIDEO : AVMEDIA_TYPE_AUDIO;
        m_context->codec_id = codec->id;
        m_context->codec_tag = parameters->codecTag;
        m_context->pkt_timebase = kMicroseconds;
        m_context->bit_rate = parameters->bitRate;
        m_context->profile = parameters->profile;
        m_context->level = parameters->level;
        m_context->max_pixels = kMaxPixels;
        if (parameters->extraData && parameters->extraDataSize > 0) {
            m_context->extradata = static_cast<uint8_t*>(av_mallocz(size_t(parameters->extraDataSize) + AV_INPUT_BUFFER_PADDING_SIZE));
            if (!m_context->extradata) {
                close();
                return fail(kDecoderFailed, "out of memory");
            }
            std::memcpy(m_context->extradata, parameters->extraData, size_t(parameters->extraDataSize));
            m_context->extradata_size = parameters->extraDataSize;
        }
        if (m_mediaKind == kMediaVideo) {
            m_context->width = parameters->width;
            m_context->height = parameters->height;
            m_context->sample_aspect_ratio = AVRational{parameters->sampleAspectNum, parameters->sampleAspectDen};
            // Up to full high definition, one frame thread per processor: each holds a picture
            // in flight and a context of its own, and one more than the processors only adds
            // memory. Larger pictures keep libavcodec's choice (one more): their decoding is
            // near real time on a small machine, and on a busy one the extra thread keeps the
            // decoder's share of the processors.
            const bool large = int64_t(parameters->width) * parameters->height > 1920 * 1088;
            m_context->thread_count = large ? 0 : std::clamp(av_cpu_count(), 1, 16);
        } else {
            m_context->sample_rate = parameters->sampleRate;
            if (parameters->channelMask && av_popcount64(parameters->channelMask) == parameters->channels)
                av_channel_layout_from_mask(&m_context->ch_layout, parameters->channelMask);
            else if (parameters->channels > 0)
                av_channel_layout_default(&m_context->ch_layout, parameters->channels);
            m_context->bits_per_coded_sample = parameters->bitsPerSample;
            m_context->block_align = parameters->blockAlign;
        }
        const int result = avcodec_open2(m_context, codec, nullptr);
        if (result < 0) {
            close();
            return fail(kDecoderUnsupported, "the decoder refused the stream: " + errorText(result));
        }
        m_codecName = codec->name;
        m_error.clear();
        return kDecoderOk;
    }

    int32_t sendPacket(const Packet* packet) override
    {
        if (!m_context)
            return fail(kDecoderFailed, "the decoder is not open");
        int result;
        if (!packet) {
            result = avcodec_send_packet(m_context, nullptr);
        } else {
            if (packet->structSize < sizeof(Packet) || packet->size < 0 || (packet->size > 0 && !packet->data))
                return fail(kDecoderInvalidArgument, "malformed packet");
            av_packet_unref(m_packet);
            // The codec reads past the end of the data in steps: the copy gets the padding it needs.
            if (av_new_packet(m_packet, packet->size) < 0)
                return fail(kDecoderFailed, "out of memory");
            if (packet->size > 0)
                std::memcpy(m_packet->data, packet->data, size_t(packet->size));
            m_packet->pts = fromMicroseconds(packet->pts);
            m_packet->dts = fromMicroseconds(packet->dts);
            m_packet->duration = packet->duration;
            if (packet->flags & kPacketKeyFrame)
                m_packet->flags |= AV_PKT_FLAG_KEY;
            if (packet->discardStartSamples > 0 || packet->discardEndSamples > 0) {
                if (uint8_t* skip = av_packet_new_side_data(m_packet, AV_PKT_DATA_SKIP_SAMPLES, 10)) {
                    AV_WL32(skip, uint32_t(std::max(packet->discardStartSamples, 0)));
                    AV_WL32(skip + 4, uint32_t(std::max(packet->discardEndSamples, 0)));
                }
            }
            result = avcodec_send_packet(m_context, m_packet);
            av_packet_unref(m_packet);
        }
        if (result == AVERROR(EAGAIN))
            return kDecoderOutputFirst;
        if (result == AVERROR_EOF)
            return kDecoderOk;   // already draining: nothing more to take
        if (result == AVERROR_INVALIDDATA)
            return fail(kDecoderInvalidData, "damaged data: " + errorText(result));
        if (result < 0)
            return fail(kDecoderFailed, errorText(result));
        return kDecoderOk;
    }

    int32_t receiveVideoFrame(VideoFrame* out) override
    {
        if (!out || out->structSize < kVideoFrameFirstSize)
            return fail(kDecoderInvalidArgument, "no frame to fill");
        // A caller built before the colour matrix was added knows no 10-bit formats either.
        const bool knowsMatrix = out->structSize >= kVideoFrameMatrixSize;
        const bool knowsHold = out->structSize >= sizeof(VideoFrame);
        if (m_mediaKind != kMediaVideo)
            return fail(kDecoderInvalidArgument, "not a video decoder");
        const int32_t received = receive();
        if (received != kDecoderOk)
            return received;
        int32_t range = kRangeLimited;
        int32_t format = pixelFormatOf(m_frame->format, &range, knowsMatrix);
        const uint8_t* const* planes = m_frame->data;
        const int* strides = m_frame->linesize;
        if (format == kPixelUnknown) {
            if (!convertPicture())
                return kDecoderFailed;
            format = kPixelYUV420P;
            range = kRangeLimited;
            planes = m_converted;
            strides = m_convertedStrides;
        }
        out->width = m_frame->width;
        out->height = m_frame->height;
        out->pixelFormat = format;
        out->colorRange = m_frame->color_range == AVCOL_RANGE_JPEG ? kRangeFull : range;
        for (int i = 0; i < 4; ++i) {
            out->planes[i] = planes[i];
            out->strides[i] = strides[i];
        }
        out->sampleAspectNum = m_frame->sample_aspect_ratio.num;
        out->sampleAspectDen = m_frame->sample_aspect_ratio.den ? m_frame->sample_aspect_ratio.den : 1;
        out->pts = toMicroseconds(m_frame->best_effort_timestamp);
        out->duration = m_frame->pkt_duration;
        out->flags = m_frame->key_frame ? kFrameKeyFrame : 0;
        if (knowsMatrix)
            out->colorMatrix = colorMatrixOf(m_frame->colorspace);
        if (knowsHold) {
            // The codec's frames are reference counted and never written again while a
            // reference lives, so holding one is a new reference; a converted picture lives in
            // this object's own buffer and must be copied.
            const bool ownBuffer = planes == m_converted;
            out->hold = ownBuffer ? nullptr : &holdFrame;
            out->release = ownBuffer ? nullptr : &releaseFrame;
            out->holdContext = ownBuffer ? nullptr : m_frame;
        }
        return kDecoderOk;
    }

    int32_t receiveAudioFrame(AudioFrame* out) override
    {
        if (!out || out->structSize < sizeof(AudioFrame))
            return fail(kDecoderInvalidArgument, "no frame to fill");
        if (m_mediaKind != kMediaAudio)
            return fail(kDecoderInvalidArgument, "not an audio decoder");
        const int32_t received = receive();
        if (received != kDecoderOk)
            return received;
        int32_t format = kSampleUnknown;
        int32_t planar = 0;
        const int channels = m_frame->ch_layout.nb_channels;
        if (!sampleFormatOf(m_frame->format, &format, &planar))
            return fail(kDecoderFailed, std::string("unsupported sample format ")
                                            + (av_get_sample_fmt_name(AVSampleFormat(m_frame->format)) ?: "?"));
        if (channels <= 0 || channels > 8)
            return fail(kDecoderFailed, "unsupported channel count " + std::to_string(channels));
        out->sampleFormat = format;
        out->planar = planar;
        out->sampleRate = m_frame->sample_rate;
        out->channels = channels;
        out->channelMask = m_frame->ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? m_frame->ch_layout.u.mask : 0;
        out->samples = m_frame->nb_samples;
        for (int i = 0; i < 8; ++i)
            out->planes[i] = (planar ? i < channels : i == 0) ? m_frame->extended_data[i] : nullptr;
        out->pts = toMicroseconds(m_frame->best_effort_timestamp);
        return kDecoderOk;
    }

    void flush() override
    {
        if (m_context)
            avcodec_flush_buffers(m_context);
    }

    void close() override
    {
        avcodec_free_context(&m_context);
        av_packet_free(&m_packet);
        av_frame_free(&m_frame);
        sws_freeContext(m_scaler);
        m_scaler = nullptr;
        av_freep(&m_converted[0]);
    }

    MSE::movra_string<char> lastError() override { return MSE::movra_string<char>(m_error.c_str()); }
    MSE::movra_string<char> codecName() override { return MSE::movra_string<char>(m_codecName.c_str()); }

private:
    int32_t fail(int32_t code, const std::string& text)
    {
        m_error = text;
        return code;
    }

    bool accepts(const StreamParameters& parameters) const
    {
        for (const AcceptedFormat* format = m_accepted; format && format->mediaKind >= 0; ++format) {
            if (format->mediaKind != parameters.mediaKind)
                continue;
            if (format->mediaKind == kMediaVideo ? std::strncmp(format->fourCC, parameters.fourCC, sizeof parameters.fourCC) == 0
                                                 : format->formatId == parameters.formatId)
                return true;
        }
        return false;
    }

    int32_t receive()
    {
        if (!m_context)
            return fail(kDecoderFailed, "the decoder is not open");
        av_frame_unref(m_frame);
        const int result = avcodec_receive_frame(m_context, m_frame);
        if (result == AVERROR(EAGAIN))
            return kDecoderNeedMoreInput;
        if (result == AVERROR_EOF)
            return kDecoderEndOfStream;
        if (result == AVERROR_INVALIDDATA)
            return fail(kDecoderInvalidData, "damaged data: " + errorText(result));
        if (result < 0)
            return fail(kDecoderFailed, errorText(result));
        return kDecoderOk;
    }

    // Pictures in formats the interface does not name (10-bit, odd chroma layouts) are handed
    // out as 8-bit 4:2:0.
    bool convertPicture()
    {
        const int width = m_frame->width;
        const int height = m_frame->height;
        if (!m_converted[0] || width != m_convertedWidth || height != m_convertedHeight) {
            av_freep(&m_converted[0]);
            if (av_image_alloc(m_converted, m_convertedStrides, width, height, AV_PIX_FMT_YUV420P, 32) < 0) {
                fail(kDecoderFailed, "out of memory");
                return false;
            }
            m_convertedWidth = width;
            m_convertedHeight = height;
        }
        m_scaler = sws_getCachedContext(m_scaler, width, height, AVPixelFormat(m_frame->format), width, height,
                                        AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!m_scaler) {
            const char* name = av_get_pix_fmt_name(AVPixelFormat(m_frame->format));
            fail(kDecoderFailed, std::string("cannot convert pictures of format ") + (name ? name : "?"));
            return false;
        }
        sws_scale(m_scaler, m_frame->data, m_frame->linesize, 0, height, m_converted, m_convertedStrides);
        return true;
    }

    const AcceptedFormat* m_accepted;
    int32_t m_mediaKind = kMediaVideo;
    AVCodecContext* m_context = nullptr;
    AVPacket* m_packet = nullptr;
    AVFrame* m_frame = nullptr;
    SwsContext* m_scaler = nullptr;
    uint8_t* m_converted[4] = {};
    int m_convertedStrides[4] = {};
    int m_convertedWidth = 0;
    int m_convertedHeight = 0;
    std::string m_error;
    std::string m_codecName;
};

} // namespace

extern "C" MSE::Plugin* MovraDecoders_create(MSE::PluginContext* context, const AcceptedFormat* accepted)
{
    return new (std::nothrow) FFmpegDecoder(context, accepted);
}

} // namespace MovraDecoders

#include "decoderfinder.h"

#include <MSE/PluginContext.h>
#include <MSE/PluginInfo.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

#include <cstdlib>
#include <cstring>

namespace MovraReference {
namespace {

using namespace MovraStreamEngine;

constexpr char kVideoInputFormats[] =
    "/properties/plugin/StreamEngine//port[@media=\"video\" and @type=\"in\"]/format[@fourCC]/@fourCC";
constexpr char kAudioInputFormats[] =
    "/properties/plugin/StreamEngine//port[@media=\"audio\" and @type=\"in\"]/format[@id]/@id";

struct VideoRow
{
    AVCodecID id;
    const char* fourCC;
};
const VideoRow kVideo[] = {
    {AV_CODEC_ID_VP8, kFourCCVP8},         {AV_CODEC_ID_VP9, kFourCCVP9},   {AV_CODEC_ID_AV1, kFourCCAV1},
    {AV_CODEC_ID_THEORA, kFourCCTheora},   {AV_CODEC_ID_MPEG1VIDEO, kFourCCMPEG1},
    {AV_CODEC_ID_MPEG2VIDEO, kFourCCMPEG2}, {AV_CODEC_ID_H264, kFourCCH264}, {AV_CODEC_ID_HEVC, kFourCCHEVC},
    {AV_CODEC_ID_MPEG4, kFourCCMPEG4},
};

struct AudioRow
{
    AVCodecID id;
    int32_t formatId;
    uint32_t flags;
};
const AudioRow kAudio[] = {
    {AV_CODEC_ID_AAC, kAudioAAC, 0},           {AV_CODEC_ID_MP3, kAudioMP3, 0},
    {AV_CODEC_ID_MP2, kAudioMPEGLayer12, 0},   {AV_CODEC_ID_MP1, kAudioMPEGLayer12, 0},
    {AV_CODEC_ID_OPUS, kAudioOpus, 0},         {AV_CODEC_ID_VORBIS, kAudioVorbis, 0},
    {AV_CODEC_ID_FLAC, kAudioFLAC, 0},         {AV_CODEC_ID_PCM_U8, kAudioPCM, kPcmUnsigned},
    {AV_CODEC_ID_PCM_S8, kAudioPCM, 0},        {AV_CODEC_ID_PCM_S16LE, kAudioPCM, 0},
    {AV_CODEC_ID_PCM_S16BE, kAudioPCM, kPcmBigEndian}, {AV_CODEC_ID_PCM_U16LE, kAudioPCM, kPcmUnsigned},
    {AV_CODEC_ID_PCM_U16BE, kAudioPCM, kPcmUnsigned | kPcmBigEndian},
    {AV_CODEC_ID_PCM_S24LE, kAudioPCM, 0},     {AV_CODEC_ID_PCM_S24BE, kAudioPCM, kPcmBigEndian},
    {AV_CODEC_ID_PCM_S32LE, kAudioPCM, 0},     {AV_CODEC_ID_PCM_S32BE, kAudioPCM, kPcmBigEndian},
    {AV_CODEC_ID_PCM_F32LE, kAudioPCMFloat, 0}, {AV_CODEC_ID_PCM_F32BE, kAudioPCMFloat, kPcmBigEndian},
    {AV_CODEC_ID_PCM_F64LE, kAudioPCMFloat, 0}, {AV_CODEC_ID_PCM_F64BE, kAudioPCMFloat, kPcmBigEndian},
};

// Decimal, or hexadecimal after 0x / 0X, as the farm reads audio format identifiers.
bool parseFormatId(const char* text, int32_t* out)
{
    if (!text || !*text)
        return false;
    const bool hex = (text[0] == '0' && (text[1] == 'x' || text[1] == 'X') && text[2]);
    char* end = nullptr;
    const long long value = std::strtoll(hex ? text + 2 : text, &end, hex ? 16 : 10);
    if (!end || *end)
        return false;
    *out = int32_t(value);
    return true;
}

bool declares(MSE::PluginInfo* info, const StreamParameters& parameters)
{
    if (!info->interfaces.contains(MSE::movra_string<char>(kDecoderInterface)))
        return false;
    const bool video = parameters.mediaKind == kMediaVideo;
    for (const MSE::movra_string<char>& value : info->getPropertyValues(video ? kVideoInputFormats : kAudioInputFormats)) {
        if (video) {
            if (std::strcmp(value.c_str(), parameters.fourCC) == 0)
                return true;
        } else {
            int32_t id = 0;
            if (parseFormatId(value.c_str(), &id) && id == parameters.formatId)
                return true;
        }
    }
    return false;
}

QString text(const MSE::movra_string<char>& s)
{
    return QString::fromUtf8(s.c_str(), int(s.length()));
}

} // namespace

StreamDescription describeStream(const AVCodecParameters* codec)
{
    StreamDescription d;
    StreamParameters& p = d.parameters;
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(codec->codec_id);
    d.name = descriptor ? QString::fromUtf8(descriptor->long_name ? descriptor->long_name : descriptor->name)
                        : QStringLiteral("unknown codec");
    p.codecTag = codec->codec_tag;
    p.extraData = codec->extradata;
    p.extraDataSize = codec->extradata_size;
    p.profile = codec->profile;
    p.level = codec->level;
    p.bitRate = codec->bit_rate;
    if (codec->codec_type == AVMEDIA_TYPE_VIDEO) {
        p.mediaKind = kMediaVideo;
        p.width = codec->width;
        p.height = codec->height;
        p.sampleAspectNum = codec->sample_aspect_ratio.num;
        p.sampleAspectDen = codec->sample_aspect_ratio.den ? codec->sample_aspect_ratio.den : 1;
        for (const VideoRow& row : kVideo) {
            if (row.id == codec->codec_id) {
                std::strncpy(p.fourCC, row.fourCC, sizeof p.fourCC - 1);
                d.ok = true;
            }
        }
    } else if (codec->codec_type == AVMEDIA_TYPE_AUDIO) {
        p.mediaKind = kMediaAudio;
        p.sampleRate = codec->sample_rate;
        p.channels = codec->ch_layout.nb_channels;
        p.channelMask = codec->ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? codec->ch_layout.u.mask : 0;
        p.bitsPerSample = codec->bits_per_coded_sample;
        p.blockAlign = codec->block_align;
        for (const AudioRow& row : kAudio) {
            if (row.id == codec->codec_id) {
                p.formatId = row.formatId;
                p.flags = row.flags;
                d.ok = true;
            }
        }
        if (p.formatId == kAudioPCM || p.formatId == kAudioPCMFloat)
            p.bitsPerSample = av_get_bits_per_sample(codec->codec_id);
    }
    return d;
}

int installableCodecKind(const StreamParameters& parameters)
{
    if (parameters.mediaKind != kMediaVideo)
        return -1;
    const char* installable[] = {kFourCCH264, kFourCCHEVC, kFourCCMPEG4};
    for (int kind = 0; kind < 3; ++kind) {
        if (std::strcmp(parameters.fourCC, installable[kind]) == 0)
            return kind;
    }
    return -1;
}

DecoderHandle& DecoderHandle::operator=(DecoderHandle&& other) noexcept
{
    if (this != &other) {
        reset();
        m_plugin = other.m_plugin;
        m_decoder = other.m_decoder;
        other.m_plugin = nullptr;
        other.m_decoder = nullptr;
    }
    return *this;
}

void DecoderHandle::reset()
{
    if (m_decoder)
        m_decoder->close();
    if (m_plugin)
        m_plugin->release();
    m_plugin = nullptr;
    m_decoder = nullptr;
}

DecoderLookup openDecoder(MSE::PluginContext* context, const StreamParameters& parameters)
{
    DecoderLookup lookup;
    if (!context)
        return lookup;
    const bool video = parameters.mediaKind == kMediaVideo;
    const bool supported = video ? context->isVideoFormatSupported(MSE::movra_string<char>(parameters.fourCC))
                                 : context->isAudioFormatSupported(parameters.formatId);
    if (!supported)
        return lookup;
    for (MSE::PluginInfo* info : context->pluginInfos) {
        if (!declares(info, parameters))
            continue;
        MSE::Plugin* plugin = nullptr;
        if (context->createPlugin(info, &plugin) != MSE::kResultOk || !plugin) {
            lookup.outcome = DecoderLookup::Failed;
            lookup.error = QStringLiteral("the decoder %1 could not be loaded").arg(text(info->name));
            continue;
        }
        void* face = nullptr;
        if (plugin->getInterface(MSE::movra_string<char>(kDecoderInterface), &face) != MSE::kResultOk || !face) {
            plugin->release();
            lookup.outcome = DecoderLookup::Failed;
            lookup.error = QStringLiteral("%1 offers no decoder").arg(text(info->name));
            continue;
        }
        auto* decoder = static_cast<IDecoder*>(face);
        if (decoder->open(&parameters) != kDecoderOk) {
            lookup.outcome = DecoderLookup::Failed;
            lookup.error = text(decoder->lastError());
            decoder->close();
            plugin->release();
            continue;
        }
        lookup.outcome = DecoderLookup::Found;
        lookup.decoder = DecoderHandle(plugin, decoder);
        lookup.error.clear();
        return lookup;
    }
    return lookup;
}

} // namespace MovraReference

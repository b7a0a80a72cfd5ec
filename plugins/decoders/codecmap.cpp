#include "codecmap.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cstring>

namespace MovraDecoders {
namespace {

using namespace MovraStreamEngine;

struct VideoRow
{
    const char* fourCC;
    AVCodecID id;
    const char* preferredName;
};

// dav1d is the fast AV1 decoder; libavcodec's own needs hardware.
const VideoRow kVideo[] = {
    {kFourCCVP8, AV_CODEC_ID_VP8, nullptr},       {kFourCCVP9, AV_CODEC_ID_VP9, nullptr},
    {kFourCCAV1, AV_CODEC_ID_AV1, "libdav1d"},    {kFourCCTheora, AV_CODEC_ID_THEORA, nullptr},
    {kFourCCMPEG1, AV_CODEC_ID_MPEG1VIDEO, nullptr}, {kFourCCMPEG2, AV_CODEC_ID_MPEG2VIDEO, nullptr},
    {kFourCCH264, AV_CODEC_ID_H264, nullptr},     {kFourCCHEVC, AV_CODEC_ID_HEVC, nullptr},
    {kFourCCMPEG4, AV_CODEC_ID_MPEG4, nullptr},
};

struct AudioRow
{
    int32_t formatId;
    AVCodecID id;
};

const AudioRow kAudio[] = {
    {kAudioMPEGLayer12, AV_CODEC_ID_MP2}, {kAudioMP3, AV_CODEC_ID_MP3},       {kAudioAAC, AV_CODEC_ID_AAC},
    {kAudioVorbis, AV_CODEC_ID_VORBIS},   {kAudioOpus, AV_CODEC_ID_OPUS},     {kAudioFLAC, AV_CODEC_ID_FLAC},
};

AVCodecID pcmCodec(const StreamParameters& p)
{
    const bool big = p.flags & kPcmBigEndian;
    if (p.formatId == kAudioPCMFloat) {
        if (p.bitsPerSample == 32)
            return big ? AV_CODEC_ID_PCM_F32BE : AV_CODEC_ID_PCM_F32LE;
        if (p.bitsPerSample == 64)
            return big ? AV_CODEC_ID_PCM_F64BE : AV_CODEC_ID_PCM_F64LE;
        return AV_CODEC_ID_NONE;
    }
    switch (p.bitsPerSample) {
    case 8:
        return (p.flags & kPcmUnsigned) ? AV_CODEC_ID_PCM_U8 : AV_CODEC_ID_PCM_S8;
    case 16:
        if (p.flags & kPcmUnsigned)
            return big ? AV_CODEC_ID_PCM_U16BE : AV_CODEC_ID_PCM_U16LE;
        return big ? AV_CODEC_ID_PCM_S16BE : AV_CODEC_ID_PCM_S16LE;
    case 24:
        return big ? AV_CODEC_ID_PCM_S24BE : AV_CODEC_ID_PCM_S24LE;
    case 32:
        return big ? AV_CODEC_ID_PCM_S32BE : AV_CODEC_ID_PCM_S32LE;
    default:
        return AV_CODEC_ID_NONE;
    }
}

} // namespace

CodecChoice codecFor(const StreamParameters& parameters)
{
    if (parameters.mediaKind == kMediaVideo) {
        for (const VideoRow& row : kVideo) {
            if (std::strncmp(row.fourCC, parameters.fourCC, sizeof parameters.fourCC) == 0)
                return {row.id, row.preferredName};
        }
        return {AV_CODEC_ID_NONE, nullptr};
    }
    if (parameters.formatId == kAudioPCM || parameters.formatId == kAudioPCMFloat)
        return {pcmCodec(parameters), nullptr};
    for (const AudioRow& row : kAudio) {
        if (row.formatId == parameters.formatId)
            return {row.id, nullptr};
    }
    return {AV_CODEC_ID_NONE, nullptr};
}

} // namespace MovraDecoders

#pragma once
// Which libavcodec decoder serves a stream described in the SDK's terms.

#include <MovraStreamEngine/Decoder.h>

namespace MovraDecoders {

struct CodecChoice
{
    int id;                     // AVCodecID; AV_CODEC_ID_NONE when the format is unknown
    const char* preferredName;  // a decoder to try before the library's default; may be null
};

CodecChoice codecFor(const MovraStreamEngine::StreamParameters& parameters);

} // namespace MovraDecoders

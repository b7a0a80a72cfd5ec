#pragma once
// The one decoder every decoder plug-in of ours is: libavcodec behind the SDK's IDecoder.
// Each plug-in library differs only in the formats it declares and accepts.

#include <MSE/PluginContext.h>
#include <MovraStreamEngine/Decoder.h>

#ifndef MOVRA_DECODER_API
#define MOVRA_DECODER_API
#endif

namespace MovraDecoders {

// One format a plug-in accepts; a table of them ends with mediaKind -1.
struct AcceptedFormat
{
    int32_t mediaKind;
    const char* fourCC;
    int32_t formatId;
};

// A new decoder object holding one reference, accepting only the formats of the table (which
// must outlive it); null when memory is short.
extern "C" MOVRA_DECODER_API MSE::Plugin* MovraDecoders_create(MSE::PluginContext* context,
                                                               const AcceptedFormat* accepted);

} // namespace MovraDecoders

// An H.264 decoder whose first packet overflows the stack of the thread that hands it over:
// the player's video thread, one of the threads that parse untrusted media.

#include <MSE/PluginObject.h>
#include <MovraStreamEngine/Decoder.h>

#include <limits>

using namespace MovraStreamEngine;

namespace {

// The bound is never reached: the stack ends long before.
__attribute__((noinline)) int recurse(int depth)
{
    volatile char frame[256];
    frame[depth % 256] = static_cast<char>(depth);
    if (depth == std::numeric_limits<int>::max())
        return frame[0];
    return recurse(depth + 1) + frame[0];
}

class OverflowingDecoder final : public MSE::PluginObject, public IDecoder
{
public:
    explicit OverflowingDecoder(MSE::PluginContext* context) : PluginObject(context) {}

    int32_t getInterface(const MSE::movra_string<char>& id, void** out) override
    {
        if (!out)
            return 1;
        if (!(id == kDecoderInterface))
            return 3;
        *out = static_cast<IDecoder*>(this);
        return 0;
    }

    int32_t open(const StreamParameters*) override { return kDecoderOk; }
    int32_t sendPacket(const Packet* packet) override { return packet ? recurse(0) : kDecoderOk; }
    int32_t receiveVideoFrame(VideoFrame*) override { return kDecoderNeedMoreInput; }
    int32_t receiveAudioFrame(AudioFrame*) override { return kDecoderFailed; }
    void flush() override {}
    void close() override {}
    MSE::movra_string<char> lastError() override { return MSE::movra_string<char>(""); }
    MSE::movra_string<char> codecName() override { return MSE::movra_string<char>("overflow"); }
};

} // namespace

extern "C" __attribute__((visibility("default"))) int32_t _getPlugin(MSE::PluginContext* context,
                                                                     MSE::Plugin** plugin)
{
    if (!context || !plugin)
        return 1;
    *plugin = new OverflowingDecoder(context);
    return 0;
}

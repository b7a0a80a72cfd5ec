#pragma once
// Decoders come from the plug-in farm: the stream's format is looked up with the framework's
// format queries, and a fresh object of the plug-in that declares the format decodes it.
// Nothing here names a decoder library.

#include <MovraStreamEngine/Decoder.h>

#include <QString>

struct AVCodecParameters;

namespace MSE {
class Plugin;
class PluginContext;
class PluginInfo;
} // namespace MSE

namespace MovraReference {

// A stream's description in the decoder interface's terms. ok is false for a codec that no
// decoder of the interface can be named for; name is always the codec's readable name.
struct StreamDescription
{
    MovraStreamEngine::StreamParameters parameters;
    bool ok = false;
    QString name;
};
StreamDescription describeStream(const AVCodecParameters* codec);

// The codec kinds the shell can install: 0 H.264, 1 H.265, 2 MPEG-4 Part 2; -1 for others.
int installableCodecKind(const MovraStreamEngine::StreamParameters& parameters);

// Holds one decoder object; releases it when destroyed.
class DecoderHandle
{
public:
    DecoderHandle() = default;
    DecoderHandle(MSE::Plugin* plugin, MovraStreamEngine::IDecoder* decoder) : m_plugin(plugin), m_decoder(decoder) {}
    DecoderHandle(DecoderHandle&& other) noexcept { *this = std::move(other); }
    DecoderHandle& operator=(DecoderHandle&& other) noexcept;
    ~DecoderHandle() { reset(); }

    MovraStreamEngine::IDecoder* operator->() const { return m_decoder; }
    MovraStreamEngine::IDecoder* get() const { return m_decoder; }
    explicit operator bool() const { return m_decoder != nullptr; }
    void reset();

private:
    MSE::Plugin* m_plugin = nullptr;
    MovraStreamEngine::IDecoder* m_decoder = nullptr;
};

struct DecoderLookup
{
    enum Outcome { Found, NoPlugin, Failed };
    Outcome outcome = NoPlugin;
    DecoderHandle decoder;
    QString error;   // Failed: what the plug-in said
};

// Opens a decoder for the stream. Must run on the thread that may change the farm's catalogue
// (the GUI thread): the catalogue is read without a lock.
DecoderLookup openDecoder(MSE::PluginContext* context, const MovraStreamEngine::StreamParameters& parameters);

// The record of the plug-in openDecoder tries first for the stream, or nullptr; for telling
// the user which library decodes what. Same thread rule as openDecoder.
MSE::PluginInfo* decoderPluginFor(MSE::PluginContext* context, const MovraStreamEngine::StreamParameters& parameters);

} // namespace MovraReference

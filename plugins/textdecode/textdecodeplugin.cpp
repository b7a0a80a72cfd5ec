// The stream engine's subtitle text decoder. Loading it builds the table of text codecs
// the decoder will need, which is what the player's cache initialisation asks of it.

#include <MSE/PluginObject.h>

#include <QStringConverter>

#include <cstring>

namespace {

constexpr char kTextDecodeInterface[] = "com.movra.streamengine.pluginInterface.TextDecode";

// Decodes subtitle text in a named encoding to UTF-8.
class ITextDecode
{
public:
    virtual ~ITextDecode() {}
    virtual int32_t decode(const char* encoding, const char* data, int32_t size, char* out, int32_t outSize) = 0;
};

class TextDecodePlugin final : public MSE::PluginObject, public ITextDecode
{
public:
    using PluginObject::PluginObject;

    int32_t getInterface(const MSE::movra_string<char>& id, void** out) override
    {
        if (!out)
            return MSE::kResultMissingArgument;
        if (!(id == kTextDecodeInterface))
            return MSE::kResultFailed;
        *out = static_cast<ITextDecode*>(this);
        return MSE::kResultOk;
    }

    // Returns the number of UTF-8 bytes written (without NUL), or -1 for an unknown
    // encoding or a destination that is too small.
    int32_t decode(const char* encoding, const char* data, int32_t size, char* out, int32_t outSize) override
    {
        if (!encoding || !data || size < 0 || !out || outSize <= 0)
            return -1;
        QStringDecoder decoder(encoding);
        if (!decoder.isValid())
            return -1;
        const QByteArray utf8 = QString(decoder.decode(QByteArrayView(data, size))).toUtf8();
        if (utf8.size() >= outSize)
            return -1;
        std::memcpy(out, utf8.constData(), static_cast<size_t>(utf8.size()));
        out[utf8.size()] = '\0';
        return static_cast<int32_t>(utf8.size());
    }

};

} // namespace

extern "C" __attribute__((visibility("default"))) int32_t _getPlugin(MSE::PluginContext* context,
                                                                     MSE::Plugin** plugin)
{
    if (!context || !plugin)
        return MSE::kResultMissingArgument;
    *plugin = new TextDecodePlugin(context);
    return MSE::kResultOk;
}

#pragma once
// Decoders as stream-engine plug-ins.
//
// A decoder plug-in turns the compressed packets of one elementary stream into pictures or
// sound. The player never links a decoder: it asks the framework which plug-in declares the
// stream's format, creates a fresh object of that plug-in for each stream it plays, and
// reaches the decoder through MSE::Plugin::getInterface(kDecoderInterface, ...).
//
// Declaring formats. The properties document beside the library lists what the decoder
// accepts on its input ports, and the interface identifier:
//
//     <properties version="1.0">
//       <type>plugin</type>
//       <plugin>
//         <name>com.example.streamengine.plugin.MyVP9Decoder</name>
//         <interfaces>
//           <interface><name>com.movra.streamengine.pluginInterface.Decoder</name></interface>
//         </interfaces>
//         <StreamEngine>
//           <port media="video" type="in"><format fourCC="VP90"/></port>
//           <port media="video" type="out"><format fourCC="I420"/></port>
//         </StreamEngine>
//       </plugin>
//     </properties>
//
// Audio formats are declared by number: <port media="audio" type="in"><format id="0x55"/>.
// The names and numbers the player uses are the constants below; PluginContext's
// isVideoFormatSupported / isAudioFormatSupported answer whether any plug-in declares one.
//
// One object decodes one stream. The calls come from one thread at a time (not necessarily
// the thread that created the object), in this order:
//
//     open(parameters)                                  once; nothing else works before it
//     { sendPacket(p); while (receive...(f) == 0) use f; }   for each packet
//     flush()                                           after a seek; open state is kept
//     sendPacket(nullptr); drain with receive...        at the end of the stream
//     close()                                           or simply release the object
//
// Stability across compilers: the class below has a virtual destructor and then its
// operations, in a fixed order that new versions only extend at the end; the structs are
// plain data whose first member is their own size, so a caller built against an older, shorter
// struct is recognised. No C++ library or Qt type crosses the boundary; text comes back as
// MSE::movra_string, which frees itself through the allocator that made it.

#include <MSE/String.h>

#include <cstddef>
#include <cstdint>

namespace MovraStreamEngine {

constexpr char kDecoderInterface[] = "com.movra.streamengine.pluginInterface.Decoder";

// Video formats, by the FOURCC a decoder declares.
constexpr char kFourCCVP8[] = "VP80";
constexpr char kFourCCVP9[] = "VP90";
constexpr char kFourCCAV1[] = "AV01";
constexpr char kFourCCTheora[] = "THEO";
constexpr char kFourCCMPEG1[] = "MPG1";
constexpr char kFourCCMPEG2[] = "MPG2";
constexpr char kFourCCH264[] = "H264";
constexpr char kFourCCHEVC[] = "HEVC";
constexpr char kFourCCMPEG4[] = "MP4V";

// Audio formats, by number (the WAVE format tags where one exists).
enum AudioFormatId : int32_t {
    kAudioPCM = 0x0001,       // integer PCM; bitsPerSample and kPcmBigEndian say which
    kAudioPCMFloat = 0x0003,  // IEEE float PCM
    kAudioMPEGLayer12 = 0x0050,
    kAudioMP3 = 0x0055,
    kAudioAAC = 0x00FF,
    kAudioVorbis = 0x566F,
    kAudioOpus = 0x704F,
    kAudioFLAC = 0xF1AC,
};

enum MediaKind : int32_t {
    kMediaVideo = 0,
    kMediaAudio = 1,
};

// A time stamp that is not known.
constexpr int64_t kNoTimestamp = INT64_MIN;

// Results of the operations.
enum DecoderResult : int32_t {
    kDecoderOk = 0,
    kDecoderNeedMoreInput = 1,   // receive: nothing to hand out until more packets arrive
    kDecoderOutputFirst = 2,     // sendPacket: take the waiting frames out, then send again
    kDecoderEndOfStream = 3,     // receive: drained completely after sendPacket(nullptr)
    kDecoderUnsupported = 4,     // open: the format or its parameters are not handled
    kDecoderInvalidArgument = 5,
    kDecoderInvalidData = 6,     // the packet could not be decoded; later ones may be fine
    kDecoderFailed = 7,          // anything else; lastError() says what
};

enum StreamFlags : uint32_t {
    kPcmBigEndian = 1u << 0,     // PCM samples are stored big-endian
    kPcmUnsigned = 1u << 1,      // PCM samples are unsigned (8-bit PCM always is)
};

// What the demuxer knows of the stream before the first packet.
struct StreamParameters
{
    uint32_t structSize = sizeof(StreamParameters);
    int32_t mediaKind = kMediaVideo;
    // Video: the declared FOURCC, NUL-terminated. Audio: formatId.
    char fourCC[8] = {};
    int32_t formatId = 0;
    // The container's own tag for the codec, when it has one; 0 otherwise.
    uint32_t codecTag = 0;
    // Codec-specific set-up data (decoder configuration records, Vorbis headers...), valid
    // during open() only.
    const uint8_t* extraData = nullptr;
    int32_t extraDataSize = 0;
    int32_t profile = -1;
    int32_t level = -1;
    int64_t bitRate = 0;
    // Video.
    int32_t width = 0;
    int32_t height = 0;
    int32_t sampleAspectNum = 0;
    int32_t sampleAspectDen = 1;
    // Audio.
    int32_t sampleRate = 0;
    int32_t channels = 0;
    uint64_t channelMask = 0;   // speaker bits as in WAVE_FORMAT_EXTENSIBLE; 0: unknown
    int32_t bitsPerSample = 0;
    int32_t blockAlign = 0;
    uint32_t flags = 0;         // StreamFlags
};

// One compressed packet. The data stays valid during sendPacket only: a decoder that needs it
// later copies it.
struct Packet
{
    uint32_t structSize = sizeof(Packet);
    const uint8_t* data = nullptr;
    int32_t size = 0;
    uint32_t flags = 0;                 // kPacketKeyFrame
    int64_t pts = kNoTimestamp;         // microseconds
    int64_t dts = kNoTimestamp;         // microseconds
    int64_t duration = 0;               // microseconds; 0: unknown
    // Samples of this packet's sound that are not to be played: an encoder's priming at the
    // start of a stream, its padding at the end. Audio only.
    int32_t discardStartSamples = 0;
    int32_t discardEndSamples = 0;
};
constexpr uint32_t kPacketKeyFrame = 1u << 0;

enum PixelFormat : int32_t {
    kPixelUnknown = 0,
    kPixelYUV420P = 1,    // planes Y, U, V; chroma halved both ways
    kPixelYUV422P = 2,    // chroma halved horizontally
    kPixelYUV444P = 3,
    kPixelNV12 = 4,       // planes Y, interleaved UV
    kPixelGray8 = 5,
    kPixelBGRA = 6,       // one plane, 4 bytes per pixel
    // 10 bits in the low bits of 16-bit little-endian samples, planes as their 8-bit kin.
    // Handed out only to callers whose VideoFrame has the colorMatrix field (see there).
    kPixelYUV420P10 = 7,
    kPixelYUV422P10 = 8,
    kPixelYUV444P10 = 9,
};

enum ColorRange : int32_t {
    kRangeLimited = 0,    // 16..235 luma, as video usually is
    kRangeFull = 1,
};

// Which matrix turns the picture's YUV into RGB.
enum ColorMatrix : int32_t {
    kMatrixUnspecified = 0,   // the stream does not say: BT.601 for standard definition, BT.709 above
    kMatrixBT601 = 1,
    kMatrixBT709 = 2,
    kMatrixBT2020 = 3,        // non-constant luminance
};

// A decoded picture. Planes and strides belong to the decoder and stay valid until the next
// call on it; a caller that keeps the picture copies it, or holds it where the decoder offers
// that (hold below).
struct VideoFrame
{
    uint32_t structSize = sizeof(VideoFrame);
    int32_t width = 0;
    int32_t height = 0;
    int32_t pixelFormat = kPixelUnknown;
    int32_t colorRange = kRangeLimited;
    const uint8_t* planes[4] = {};
    int32_t strides[4] = {};
    int32_t sampleAspectNum = 0;        // 0: square pixels
    int32_t sampleAspectDen = 1;
    int64_t pts = kNoTimestamp;         // microseconds, as the packets carried them
    int64_t duration = 0;               // microseconds; 0: unknown
    uint32_t flags = 0;                 // kFrameKeyFrame
    // Added after the first release. A decoder fills it only when the caller's structSize
    // covers it, and hands such a caller the 10-bit formats too; callers built before know
    // neither and get 8-bit pictures as they always did.
    int32_t colorMatrix = kMatrixUnspecified;
    // Added after the colour matrix, filled only for callers whose structSize covers them.
    // When hold is set, the picture can be kept without a copy: hold(holdContext) answers a
    // token that keeps the planes valid and unchanged, whatever the decoder does next, until
    // release(token); null when it cannot (copy the planes then). A token may be released on
    // any thread and after the decoder object is gone, but before its library is unloaded.
    void* (*hold)(void* holdContext) = nullptr;
    void (*release)(void* token) = nullptr;
    void* holdContext = nullptr;
};
constexpr uint32_t kFrameKeyFrame = 1u << 0;
// The size of VideoFrame as first released: decoders accept callers of at least this size.
constexpr uint32_t kVideoFrameFirstSize = offsetof(VideoFrame, colorMatrix);
// The size of a caller that knows the colour matrix (and the 10-bit formats), not yet holding.
constexpr uint32_t kVideoFrameMatrixSize = offsetof(VideoFrame, hold);

enum SampleFormat : int32_t {
    kSampleUnknown = 0,
    kSampleU8 = 1,
    kSampleS16 = 2,
    kSampleS32 = 3,
    kSampleFloat = 4,
    kSampleDouble = 5,
};

// Decoded sound. Interleaved: planes[0] holds every channel's samples in turn. Planar:
// planes[c] holds channel c. Lifetime as for VideoFrame.
struct AudioFrame
{
    uint32_t structSize = sizeof(AudioFrame);
    int32_t sampleFormat = kSampleUnknown;
    int32_t planar = 0;                 // 1: one plane per channel
    int32_t sampleRate = 0;
    int32_t channels = 0;
    uint64_t channelMask = 0;           // 0: the usual layout for that many channels
    int32_t samples = 0;                // per channel
    const uint8_t* planes[8] = {};      // up to 8 channels planar; more are refused by open()
    int64_t pts = kNoTimestamp;         // microseconds
};

class IDecoder
{
public:
    virtual ~IDecoder() {}

    // Prepares decoding of one stream. kDecoderOk, or kDecoderUnsupported when this plug-in
    // does not handle the parameters (lastError() says why). Called once per object.
    virtual int32_t open(const StreamParameters* parameters) = 0;
    // Hands over one packet, or nullptr to say no more packets follow. kDecoderOutputFirst:
    // the packet was not taken; receive the waiting frames and send it again.
    virtual int32_t sendPacket(const Packet* packet) = 0;
    // The next decoded picture or sound. kDecoderOk with *frame filled, kDecoderNeedMoreInput,
    // kDecoderEndOfStream, or an error. Each decoder answers only the call of its media kind.
    virtual int32_t receiveVideoFrame(VideoFrame* frame) = 0;
    virtual int32_t receiveAudioFrame(AudioFrame* frame) = 0;
    // Forgets every packet and frame in flight (after a seek); the decoder stays open.
    virtual void flush() = 0;
    // Frees the codec; later calls answer kDecoderFailed. Releasing the object closes too.
    virtual void close() = 0;
    // What went wrong last, in words, for the user; empty when nothing did.
    virtual MSE::movra_string<char> lastError() = 0;
    // The codec's name as the decoder knows it ("vp9", "aac"), for messages and logs.
    virtual MSE::movra_string<char> codecName() = 0;
};

} // namespace MovraStreamEngine

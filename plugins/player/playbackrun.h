#pragma once
// The shared context of one playback run: the opened address, the streams with their packet
// queues and decoders, the pictures and sound waiting to be played, and the threads that fill
// them. The functions that work on it are declared here, grouped by the file that defines
// them; the public session object (mediasession.h) owns one run at a time.

#include "audiobuffer.h"
#include "audiooutput.h"
#include "decoderfinder.h"
#include "framequeue.h"
#include "packetqueue.h"
#include "subtitledecoder.h"

#include <MovraStreamEngine/Decoder.h>

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QUrl>

extern "C" {
#include <libavformat/avformat.h>
}

struct SwsContext;
struct AVBufferPool;

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace MovraReference {

class MediaSession;

inline constexpr AVRational kMicroseconds = {1, 1000000};
// The demuxer reads ahead until every stream has this much media time waiting, or until all
// waiting packets together reach the byte limit, whichever comes first: a second of sound is
// a few kilobytes, a second of 4K video several megabytes.
inline constexpr int64_t kReadAheadUs = 1000000;
inline constexpr int64_t kMaxQueuedBytes = 16 * 1024 * 1024;
// For a stream whose packets tell no time at all, a count stands in for the duration.
inline constexpr std::size_t kEnoughPackets = 50;
// Pictures decoded ahead wait in a queue of at most this many bytes (on the raster path
// only the converted pictures count, as nothing else is held: one shown at 1920×1080 is
// 8 MiB; on the GL path the decoder's planes, 3 MiB at 1080p, 12 MiB at 4K), though always
// room for two (a very large picture still has one behind it) and never more than four (small
// ones would run far ahead of the clock and of a seek; in a window, pictures of any source
// size come to four).
inline constexpr std::size_t kQueuedPictureBytes = 12 * 1024 * 1024;
inline constexpr std::size_t kQueuedPicturesAtLeast = 2;
inline constexpr std::size_t kQueuedPicturesAtMost = 4;
inline constexpr int kAudioBufferMs = 400;
// Pictures wider than this are scaled down as they are decoded, so the picture queue stays small.
inline constexpr int kMaxShownWidth = 3840;
// Damaged packets are skipped quietly until this many come in a row.
inline constexpr int kDamagedPacketsToReport = 25;

// One stream being decoded: its packets, its decoder and the thread that drives it.
struct DecodedStream
{
    int index = -1;
    AVRational timeBase = {1, 1};
    DecoderHandle decoder;
    PacketQueue packets;
    std::thread thread;
    // The serial whose end the decoder reached; an end before the latest seek does not count.
    std::atomic<int> endedSerial{-1};
    std::atomic<bool> failed{false};
    int framesOut = 0;   // decoder thread only
};

// The clock as the GUI thread last read it while playing, for the video decoder to leave
// pictures too late to be shown unconverted.
class LateClock
{
public:
    void note(int serial, int64_t clockUs)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_serial = serial;
        m_clockUs = clockUs;
    }
    // Whether a picture of the serial at pts, shown for duration, is past saving: even its
    // successor (due at pts + duration) was due kBehindUs before the clock as last read, and
    // the clock only moves on. A decoder a moment behind (a busy start, a hiccup) catches up
    // by itself and the window shows its pictures late rather than not at all; one that far
    // behind is overloaded. Never two in a row, so that it still shows pictures.
    static constexpr int64_t kBehindUs = 100000;
    bool tooLate(int serial, int64_t pts, int64_t duration, bool previousSkipped) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return !previousSkipped && serial == m_serial && m_clockUs != INT64_MIN && duration > 0
               && pts + duration + kBehindUs <= m_clockUs;
    }

private:
    mutable std::mutex m_mutex;
    int m_serial = -1;
    int64_t m_clockUs = INT64_MIN;
};

// The sound of a run holds back until the run's first picture is ready. The sound is the
// clock: a video decoder that takes a while to warm up (4K, with a thread per frame in
// flight) would otherwise find the clock gone ahead and leave its first pictures as too late.
// Released by the first picture queued, by a video that can give none (no video, failed,
// ended) and by the run's end; the sound waits at most a bound, so that a stalled picture
// never holds it for long.
class FirstPictureGate
{
public:
    void release()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_released = true;
        }
        m_changed.notify_all();
    }
    // True when released, false when the bound ran out first.
    bool waitReleased(std::chrono::milliseconds bound)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, bound, [this] { return m_released; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_released = false;
};
inline constexpr std::chrono::milliseconds kFirstPictureWait{1500};

// Whether reading ahead may rest: the queues of the streams being played (null for a stream
// the file lacks or the player does not play).
bool readAheadIsEnough(const PacketQueue* video, const PacketQueue* audio);

// videopath.cpp
// From a stream's display matrix (nine 32-bit values, as libavutil's display.h has them);
// null or a matrix that is no multiple of a quarter turn leaves the picture as decoded.
PictureOrientation orientationOf(const int32_t* displayMatrix);
QImage oriented(const QImage& image, const PictureOrientation& orientation);

// Converts decoded pictures to the 32-bit pictures the window shows: straight to the size
// they are shown at, in one step, or at their own size (at most kMaxShownWidth wide) when no
// size is asked for. The scaler and the pictures' buffers are kept between pictures, so one
// converter serves one thread.
class PictureConverter
{
public:
    PictureConverter() = default;
    PictureConverter(const PictureConverter&) = delete;
    PictureConverter& operator=(const PictureConverter&) = delete;
    ~PictureConverter();
    // Null for a picture of a format or size that cannot be converted.
    QImage convert(const MovraStreamEngine::VideoFrame& frame, QSize size = QSize());
    QImage convert(const Picture& picture, QSize size = QSize()) { return convert(picture.frame(), size); }

private:
    bool convertPlanar420(const MovraStreamEngine::VideoFrame& frame, int32_t matrix, uint8_t* target,
                          int targetStride, int width, int height);
    bool scaleWithSwscale(const MovraStreamEngine::VideoFrame& frame, int source, int32_t matrix, uint8_t* target,
                          int targetStride, int width, int height);

    // What the scaler was made for.
    struct ScalerShape
    {
        int sourceWidth = 0, sourceHeight = 0, sourceFormat = -1, width = 0, height = 0, flags = 0;
        bool operator==(const ScalerShape& o) const
        {
            return sourceWidth == o.sourceWidth && sourceHeight == o.sourceHeight && sourceFormat == o.sourceFormat
                   && width == o.width && height == o.height && flags == o.flags;
        }
    };
    ::SwsContext* m_scaler = nullptr;
    ScalerShape m_shape;
    int32_t m_range = -1;
    int32_t m_matrix = -1;
    ::AVBufferPool* m_buffers = nullptr;
    std::size_t m_bufferSize = 0;
    // The planes averaged down to the shown size, before their conversion.
    std::vector<uint8_t> m_planes;
};

// The size a picture of the given display aspect (width / height) takes in an area, its
// aspect kept: as wide or as high as the area. Empty for an empty area.
QSize fittedSize(QSize area, double aspect);

// demuxer.cpp
int64_t nowMs();

// What stops an input's blocking libavformat calls: its owner giving up, at any time, and
// while it opens, its deadline.
struct InputInterrupt
{
    explicit InputInterrupt(const std::atomic<bool>* aborted) : aborted(aborted) {}
    const std::atomic<bool>* aborted;
    std::atomic<int64_t> openDeadlineMs{0};
    bool overran() const
    {
        const int64_t deadline = openDeadlineMs.load();
        return deadline > 0 && nowMs() > deadline;
    }
};

// Opens location into a new *format that `interrupt` can stop, with reads given up after
// timeoutMs without data. The opening deadline is set, and stays set: the caller clears it
// once the rest of its opening (reading the streams) is done. Returns libavformat's result;
// *format is null after a failure.
int openInterruptibleInput(AVFormatContext** format, const char* location, int timeoutMs, InputInterrupt* interrupt);

// Everything of one opened address that the threads share. Made and destroyed on the GUI
// thread; destroyed only after every thread has been joined.
struct PlaybackRun
{
    PlaybackRun()
    {
        video.packets.setRoomSignal(&demuxWake);
        audio.packets.setRoomSignal(&demuxWake);
    }

    int id = 0;
    QUrl url;
    QByteArray location;
    int networkTimeoutMs = 15000;
    MediaSession* session = nullptr;

    std::atomic<bool> aborted{false};
    InputInterrupt interrupt{&aborted};
    AVFormatContext* format = nullptr;
    std::thread demuxThread;
    // Wakes the demuxer while it rests (read far enough ahead, or at the end): room in a packet
    // queue, a seek or track change asked for, the run aborted.
    WakeSignal demuxWake;

    // The GUI thread's answer to the probe: go on reading, or stop.
    std::mutex gateMutex;
    std::condition_variable gate;
    bool proceed = false;

    DecodedStream video;
    // Set before the video thread starts; the thread alone changes it after.
    PictureOrientation videoOrientation;
    // The container's sample aspect ratio; 0/1 when it gives none and the pictures' own counts.
    AVRational containerAspect = {0, 1};
    DecodedStream audio;
    FrameQueue pictures{kQueuedPictureBytes, kQueuedPicturesAtLeast, kQueuedPicturesAtMost};
    LateClock lateClock;
    // Pictures the decoder left because they were too late; the GUI thread counts them dropped.
    std::atomic<int> picturesSkipped{0};
    FirstPictureGate firstPicture;
    // Where the window shows pictures, in device pixels, packed as width << 32 | height (0:
    // no window; pictures keep their own size). Set by the GUI thread at any time; pictures
    // already queued keep the size they were made for.
    std::atomic<uint64_t> pictureArea{0};
    // The window draws the decoded planes itself (as textures): no raster picture is made.
    std::atomic<bool> texturesOnly{false};
    std::shared_ptr<AudioBuffer> sound;
    std::unique_ptr<AudioOutput> output;

    // Seeks asked for by the GUI thread, carried out by the demuxer.
    std::mutex seekMutex;
    bool seekPending = false;
    int64_t seekTargetUs = 0;
    int serial = 0;   // GUI thread only
    int seekSerial = 0;

    // Set by the demuxer before the probe is reported: whether the input seeks by bytes.
    bool byteSeekable = true;
    // Reading ended before the announced duration: the file is cut short.
    std::atomic<bool> endedEarly{false};
    // Track changes asked for by the GUI thread, under seekMutex. The demuxer routes packets
    // by its own copies of the stream numbers and takes a change over as it comes to it; the
    // audio decoder takes its new decoder with the flush of the seek that goes with the change.
    bool audioChangePending = false;
    int nextAudioIndex = -1;
    DecoderHandle nextAudioDecoder;
    int nextAudioSerial = 0;
    bool subtitleChangePending = false;
    int nextSubtitleIndex = -1;   // -1: no embedded track
    std::unique_ptr<SubtitleDecoder> nextSubtitles;
    SubtitleRenderer* nextRenderer = nullptr;
    // Decoders replaced on a decoder thread; their plug-ins are released on the GUI thread.
    std::vector<DecoderHandle> retiredDecoders;
    // The demuxer's own.
    int routedAudioIndex = -1;
    int routedSubtitleIndex = -1;
    std::unique_ptr<SubtitleDecoder> subtitles;
    // Where subtitles are drawn; the session's, outlives the run.
    SubtitleRenderer* renderer = nullptr;
    int damagedSubtitles = 0;
    // The playback speed the sound is stretched to.
    std::atomic<double> tempo{1.0};

    // demuxer.cpp
    void demux();
    // Opens location into format; libavformat's error code, and whether the time ran out.
    int openInput(bool* timedOut);
    void reportStreamProblem(const QString& text);
    // videopath.cpp
    void decodeVideo();
    // audiopath.cpp
    void decodeAudio();
    // subtitlepath.cpp
    void applyTrackChange_locked();
    void decodeSubtitle(const AVPacket* packet);
};


// mediasession.cpp
// Text shown in the window, translated in the window's context.
QString tx(const char* text);
QString avError(int code);

// Decoding, shared by videopath.cpp and audiopath.cpp.
MovraStreamEngine::Packet packetOf(const AVPacket* p);

// Sends one packet (null: end of stream) and hands every frame that comes out to take.
// False when the decoder failed for good; the text says why.
template <class Take>
bool feed(MovraStreamEngine::IDecoder* decoder, const MovraStreamEngine::Packet* packet, Take take, bool video,
          QString* why, bool* damaged)
{
    using namespace MovraStreamEngine;
    for (;;) {
        const int32_t sent = decoder->sendPacket(packet);
        for (;;) {
            int32_t got;
            if (video) {
                VideoFrame frame;
                got = decoder->receiveVideoFrame(&frame);
                if (got == kDecoderOk && !take(&frame, nullptr))
                    return true;
            } else {
                AudioFrame frame;
                got = decoder->receiveAudioFrame(&frame);
                if (got == kDecoderOk && !take(nullptr, &frame))
                    return true;
            }
            if (got == kDecoderInvalidData) {
                *damaged = true;
                *why = QString::fromUtf8(decoder->lastError().c_str());
            }
            if (got == kDecoderOk || got == kDecoderInvalidData)
                continue;
            if (got == kDecoderNeedMoreInput || got == kDecoderEndOfStream)
                break;
            *why = QString::fromUtf8(decoder->lastError().c_str());
            return false;
        }
        if (sent == kDecoderOutputFirst)
            continue;
        if (sent == kDecoderInvalidData) {
            *damaged = true;
            *why = QString::fromUtf8(decoder->lastError().c_str());
        }
        if (sent == kDecoderOk || sent == kDecoderInvalidData)
            return true;
        *why = QString::fromUtf8(decoder->lastError().c_str());
        return false;
    }
}

} // namespace MovraReference

#include "mediasession.h"

#include "audiobuffer.h"
#include "audiooutput.h"
#include "decoderfinder.h"
#include "packetqueue.h"
#include "playerlog.h"

#include <MSE/PluginContext.h>
#include <MovraPlayerX/CodecEvents.h>

#include <QCoreApplication>
#include <QFileInfo>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/intreadwrite.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

namespace MovraReference {

using namespace MovraStreamEngine;

namespace {

constexpr AVRational kMicroseconds = {1, 1000000};
// The demuxer reads ahead until every stream has this many packets waiting, or until all
// waiting packets together reach the byte limit, whichever comes first.
constexpr std::size_t kEnoughPackets = 50;
constexpr int64_t kMaxQueuedBytes = 16 * 1024 * 1024;
constexpr std::size_t kQueuedPictures = 3;
constexpr int kAudioBufferMs = 400;
// Pictures wider than this are scaled down as they are decoded, so the picture queue stays small.
constexpr int kMaxShownWidth = 3840;
// Damaged packets are skipped quietly until this many come in a row.
constexpr int kDamagedPacketsToReport = 25;

QString tx(const char* text)
{
    return QCoreApplication::translate("MovraPlayerWindow", text);
}

QString avError(int code)
{
    char buffer[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buffer, sizeof buffer);
    return QString::fromUtf8(buffer);
}

AVPixelFormat avPixelFormat(const VideoFrame& frame)
{
    switch (frame.pixelFormat) {
    case kPixelYUV420P:
        return AV_PIX_FMT_YUV420P;
    case kPixelYUV422P:
        return AV_PIX_FMT_YUV422P;
    case kPixelYUV444P:
        return AV_PIX_FMT_YUV444P;
    case kPixelNV12:
        return AV_PIX_FMT_NV12;
    case kPixelGray8:
        return AV_PIX_FMT_GRAY8;
    case kPixelBGRA:
        return AV_PIX_FMT_BGRA;
    default:
        return AV_PIX_FMT_NONE;
    }
}

AVSampleFormat avSampleFormat(const AudioFrame& frame)
{
    AVSampleFormat packed;
    switch (frame.sampleFormat) {
    case kSampleU8:
        packed = AV_SAMPLE_FMT_U8;
        break;
    case kSampleS16:
        packed = AV_SAMPLE_FMT_S16;
        break;
    case kSampleS32:
        packed = AV_SAMPLE_FMT_S32;
        break;
    case kSampleFloat:
        packed = AV_SAMPLE_FMT_FLT;
        break;
    case kSampleDouble:
        packed = AV_SAMPLE_FMT_DBL;
        break;
    default:
        return AV_SAMPLE_FMT_NONE;
    }
    return frame.planar ? av_get_planar_sample_fmt(packed) : packed;
}

} // namespace

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

// Everything of one opened address that the threads share. Made and destroyed on the GUI
// thread; destroyed only after every thread has been joined.
struct PlaybackRun
{
    int id = 0;
    QUrl url;
    QByteArray location;
    int networkTimeoutMs = 15000;
    MediaSession* session = nullptr;

    std::atomic<bool> aborted{false};
    std::atomic<int64_t> openDeadlineMs{0};
    AVFormatContext* format = nullptr;
    std::thread demuxThread;

    // The GUI thread's answer to the probe: go on reading, or stop.
    std::mutex gateMutex;
    std::condition_variable gate;
    bool proceed = false;

    DecodedStream video;
    DecodedStream audio;
    FrameQueue pictures{kQueuedPictures};
    std::shared_ptr<AudioBuffer> sound;
    std::unique_ptr<AudioOutput> output;

    // Seeks asked for by the GUI thread, carried out by the demuxer.
    std::mutex seekMutex;
    bool seekPending = false;
    int64_t seekTargetUs = 0;
    int serial = 0;   // GUI thread only
    int seekSerial = 0;

    void demux();
    void decodeVideo();
    void decodeAudio();
    void reportStreamProblem(const QString& text);
};

namespace {

int64_t nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int interruptRead(void* opaque)
{
    auto* run = static_cast<PlaybackRun*>(opaque);
    if (run->aborted.load())
        return 1;
    const int64_t deadline = run->openDeadlineMs.load();
    return deadline > 0 && nowMs() > deadline ? 1 : 0;
}

} // namespace

void PlaybackRun::reportStreamProblem(const QString& text)
{
    QMetaObject::invokeMethod(
        session, [s = session, id = id, text] { s->onStreamProblem(id, text); }, Qt::QueuedConnection);
}

void PlaybackRun::demux()
{
    const auto fail = [this](const QString& text) {
        QMetaObject::invokeMethod(
            session, [s = session, id = id, text] { s->onFailed(id, text); }, Qt::QueuedConnection);
    };
    format = avformat_alloc_context();
    if (!format) {
        fail(tx("Out of memory."));
        return;
    }
    format->interrupt_callback.callback = interruptRead;
    format->interrupt_callback.opaque = this;
    AVDictionary* options = nullptr;
    av_dict_set_int(&options, "rw_timeout", int64_t(networkTimeoutMs) * 1000, 0);
    openDeadlineMs.store(nowMs() + networkTimeoutMs);
    int result = avformat_open_input(&format, location.constData(), nullptr, &options);
    av_dict_free(&options);
    if (result >= 0)
        result = avformat_find_stream_info(format, nullptr);
    const bool timedOut = openDeadlineMs.load() > 0 && nowMs() > openDeadlineMs.load();
    openDeadlineMs.store(0);
    if (aborted.load())
        return;
    if (result < 0) {
        if (timedOut)
            fail(tx("The address did not answer in time."));
        else if (result == AVERROR_INVALIDDATA)
            fail(tx("This is not a media file the player can read."));
        else
            fail(tx("The file could not be opened: %1").arg(avError(result)));
        return;
    }
    QMetaObject::invokeMethod(
        session, [s = session, id = id] { s->onProbed(id); }, Qt::QueuedConnection);
    {
        std::unique_lock<std::mutex> lock(gateMutex);
        gate.wait(lock, [this] { return proceed || aborted.load(); });
    }

    AVPacket* packet = av_packet_alloc();
    bool atEnd = false;
    while (!aborted.load() && packet) {
        {
            std::unique_lock<std::mutex> lock(seekMutex);
            if (seekPending) {
                seekPending = false;
                const int64_t target = seekTargetUs;
                const int serialNow = seekSerial;
                lock.unlock();
                avformat_seek_file(format, -1, INT64_MIN, target, target, 0);
                for (DecodedStream* stream : {&video, &audio}) {
                    if (stream->index >= 0)
                        stream->packets.putMarker(PacketQueue::Kind::Flush, serialNow, true, target);
                }
                atEnd = false;
            }
        }
        const bool enough =
            video.packets.bytes() + audio.packets.bytes() > kMaxQueuedBytes
            || ((video.index < 0 || video.packets.count() >= kEnoughPackets)
                && (audio.index < 0 || audio.packets.count() >= kEnoughPackets));
        if (atEnd || enough) {
            std::this_thread::sleep_for(std::chrono::milliseconds(atEnd ? 20 : 5));
            continue;
        }
        result = av_read_frame(format, packet);
        if (result < 0) {
            if (aborted.load())
                break;
            if (result != AVERROR_EOF && result != AVERROR(EAGAIN) && !avio_feof(format->pb))
                reportStreamProblem(tx("Reading stopped early: %1").arg(avError(result)));
            if (result == AVERROR(EAGAIN))
                continue;
            int serialNow;
            {
                std::lock_guard<std::mutex> lock(seekMutex);
                serialNow = seekSerial;
            }
            for (DecodedStream* stream : {&video, &audio}) {
                if (stream->index >= 0)
                    stream->packets.putMarker(PacketQueue::Kind::End, serialNow, false);
            }
            atEnd = true;
            continue;
        }
        DecodedStream* target = packet->stream_index == video.index   ? &video
                                : packet->stream_index == audio.index ? &audio
                                                                      : nullptr;
        if (!target) {
            av_packet_unref(packet);
            continue;
        }
        AVPacket* kept = av_packet_clone(packet);
        av_packet_unref(packet);
        if (!kept)
            continue;
        av_packet_rescale_ts(kept, target->timeBase, kMicroseconds);
        int serialNow;
        {
            std::lock_guard<std::mutex> lock(seekMutex);
            serialNow = seekSerial;
        }
        target->packets.putPacket(kept, serialNow);
    }
    av_packet_free(&packet);
}

namespace {

// Sends one packet (null: end of stream) and hands every frame that comes out to take.
// False when the decoder failed for good; the text says why.
template <class Take>
bool feed(IDecoder* decoder, const Packet* packet, Take take, bool video, QString* why, bool* damaged)
{
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

Packet packetOf(const AVPacket* p)
{
    Packet packet;
    packet.data = p->data;
    packet.size = p->size;
    packet.flags = (p->flags & AV_PKT_FLAG_KEY) ? kPacketKeyFrame : 0;
    packet.pts = p->pts == AV_NOPTS_VALUE ? kNoTimestamp : p->pts;
    packet.dts = p->dts == AV_NOPTS_VALUE ? kNoTimestamp : p->dts;
    packet.duration = p->duration;
    size_t size = 0;
    if (const uint8_t* skip = av_packet_get_side_data(p, AV_PKT_DATA_SKIP_SAMPLES, &size); skip && size >= 8) {
        packet.discardStartSamples = int32_t(AV_RL32(skip));
        packet.discardEndSamples = int32_t(AV_RL32(skip + 4));
    }
    return packet;
}

} // namespace

void PlaybackRun::decodeVideo()
{
    IDecoder* decoder = video.decoder.get();
    SwsContext* scaler = nullptr;
    int32_t scalerRange = -1;
    int serialNow = 0;
    int64_t skipBeforeUs = INT64_MIN;
    int64_t lastPts = 0;
    const auto take = [&](const VideoFrame* frame, const AudioFrame*) -> bool {
        const int64_t pts = frame->pts != kNoTimestamp ? frame->pts : lastPts;
        const int64_t duration = frame->duration > 0 ? frame->duration : 40000;
        lastPts = pts + duration;
        if (pts + duration <= skipBeforeUs)
            return true;
        const AVPixelFormat source = avPixelFormat(*frame);
        if (source == AV_PIX_FMT_NONE || frame->width <= 0 || frame->height <= 0)
            return true;
        int width = frame->width;
        int height = frame->height;
        if (width > kMaxShownWidth) {
            height = int(int64_t(height) * kMaxShownWidth / width);
            width = kMaxShownWidth;
        }
        SwsContext* const previous = scaler;
        scaler = sws_getCachedContext(scaler, frame->width, frame->height, source, width, std::max(height, 1),
                                      AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
        QImage image(width, std::max(height, 1), QImage::Format_RGB32);
        if (!scaler || image.isNull())
            return true;
        if (scaler != previous)
            scalerRange = -1;
        if (frame->colorRange != scalerRange) {
            int* inverse = nullptr;
            int* table = nullptr;
            int sourceRange = 0, targetRange = 0, brightness = 0, contrast = 0, saturation = 0;
            sws_getColorspaceDetails(scaler, &inverse, &sourceRange, &table, &targetRange, &brightness, &contrast, &saturation);
            sws_setColorspaceDetails(scaler, inverse, frame->colorRange == kRangeFull ? 1 : 0, table, 1, brightness,
                                     contrast, saturation);
            scalerRange = frame->colorRange;
        }
        uint8_t* target[4] = {image.bits(), nullptr, nullptr, nullptr};
        int targetStride[4] = {int(image.bytesPerLine()), 0, 0, 0};
        sws_scale(scaler, frame->planes, frame->strides, 0, frame->height, target, targetStride);
        ShownFrame shown;
        shown.image = std::move(image);
        shown.pts = pts;
        shown.duration = duration;
        const double sar = frame->sampleAspectNum > 0 && frame->sampleAspectDen > 0
                               ? double(frame->sampleAspectNum) / frame->sampleAspectDen
                               : 1.0;
        shown.aspect = double(frame->width) * sar / double(frame->height);
        shown.serial = serialNow;
        ++video.framesOut;
        return pictures.put(std::move(shown)) || !aborted.load();
    };
    PacketQueue::Item item;
    bool failed = false;
    int damagedInARow = 0;
    while (video.packets.take(&item)) {
        if (item.kind == PacketQueue::Kind::Flush) {
            decoder->flush();
            serialNow = item.serial;
            skipBeforeUs = item.target;
            failed = false;
            continue;
        }
        if (item.serial != serialNow || failed) {
            av_packet_free(&item.packet);
            if (item.kind == PacketQueue::Kind::End && item.serial == serialNow)
                video.endedSerial = serialNow;
            continue;
        }
        QString why;
        if (item.kind == PacketQueue::Kind::End) {
            bool damaged = false;
            if (!feed(decoder, nullptr, take, true, &why, &damaged))
                reportStreamProblem(tx("The video decoder failed: %1").arg(why));
            video.endedSerial = serialNow;
            // Ready for a seek after the end: the decoder starts over after its flush.
            continue;
        }
        const Packet packet = packetOf(item.packet);
        bool damaged = false;
        const bool ok = feed(decoder, &packet, take, true, &why, &damaged);
        av_packet_free(&item.packet);
        damagedInARow = damaged ? damagedInARow + 1 : 0;
        if (damagedInARow == kDamagedPacketsToReport)
            reportStreamProblem(tx("The video is damaged and cannot be decoded: %1").arg(why));
        if (!ok) {
            reportStreamProblem(video.framesOut == 0 ? tx("The video could not be decoded: %1").arg(why)
                                                   : tx("The video decoder failed: %1").arg(why));
            failed = true;
            video.failed = true;
            video.endedSerial = serialNow;
        }
    }
    sws_freeContext(scaler);
}

void PlaybackRun::decodeAudio()
{
    IDecoder* decoder = audio.decoder.get();
    SwrContext* resampler = nullptr;
    AVSampleFormat inFormat = AV_SAMPLE_FMT_NONE;
    int inRate = 0;
    int inChannels = 0;
    uint64_t inMask = 0;
    int serialNow = 0;
    int64_t skipBeforeUs = INT64_MIN;
    int64_t nextPts = 0;
    const int outRate = sound->sampleRate();
    const int outChannels = sound->channels();
    QString conversionProblem;
    const auto take = [&](const VideoFrame*, const AudioFrame* frame) -> bool {
        const AVSampleFormat format = avSampleFormat(*frame);
        if (format == AV_SAMPLE_FMT_NONE || frame->samples <= 0 || frame->sampleRate <= 0)
            return true;
        if (!resampler || format != inFormat || frame->sampleRate != inRate || frame->channels != inChannels
            || frame->channelMask != inMask) {
            swr_free(&resampler);
            AVChannelLayout inLayout = {};
            if (frame->channelMask && av_popcount64(frame->channelMask) == frame->channels)
                av_channel_layout_from_mask(&inLayout, frame->channelMask);
            else
                av_channel_layout_default(&inLayout, frame->channels);
            AVChannelLayout outLayout = {};
            av_channel_layout_default(&outLayout, outChannels);
            swr_alloc_set_opts2(&resampler, &outLayout, AV_SAMPLE_FMT_S16, outRate, &inLayout, format,
                                frame->sampleRate, 0, nullptr);
            av_channel_layout_uninit(&inLayout);
            av_channel_layout_uninit(&outLayout);
            if (!resampler || swr_init(resampler) < 0) {
                swr_free(&resampler);
                conversionProblem = tx("The sound cannot be converted for the output.");
                return true;
            }
            inFormat = format;
            inRate = frame->sampleRate;
            inChannels = frame->channels;
            inMask = frame->channelMask;
        }
        const int64_t pts = frame->pts != kNoTimestamp ? frame->pts : nextPts;
        const int capacity = swr_get_out_samples(resampler, frame->samples);
        if (capacity <= 0)
            return true;
        QByteArray pcm(capacity * outChannels * 2, Qt::Uninitialized);
        uint8_t* out[1] = {reinterpret_cast<uint8_t*>(pcm.data())};
        const uint8_t* in[8];
        for (int i = 0; i < 8; ++i)
            in[i] = frame->planes[i];
        const int converted = swr_convert(resampler, out, capacity, in, frame->samples);
        if (converted <= 0)
            return true;
        pcm.truncate(converted * outChannels * 2);
        nextPts = pts + int64_t(frame->samples) * 1000000 / frame->sampleRate;
        int64_t chunkPts = pts;
        if (pts < skipBeforeUs) {
            // Only the sound from the seek's target on is played.
            const int64_t skipFrames = (skipBeforeUs - pts) * outRate / 1000000;
            if (skipFrames >= converted)
                return true;
            pcm.remove(0, int(skipFrames * outChannels * 2));
            chunkPts = pts + skipFrames * 1000000 / outRate;
        }
        ++audio.framesOut;
        return sound->put(chunkPts, std::move(pcm), serialNow) || !aborted.load();
    };
    PacketQueue::Item item;
    bool failed = false;
    int damagedInARow = 0;
    while (audio.packets.take(&item)) {
        if (item.kind == PacketQueue::Kind::Flush) {
            decoder->flush();
            if (resampler)
                swr_init(resampler);
            serialNow = item.serial;
            skipBeforeUs = item.target;
            nextPts = item.target;
            failed = false;
            continue;
        }
        if (item.serial != serialNow || failed) {
            av_packet_free(&item.packet);
            if (item.kind == PacketQueue::Kind::End && item.serial == serialNow)
                audio.endedSerial = serialNow;
            continue;
        }
        QString why;
        if (item.kind == PacketQueue::Kind::End) {
            bool damaged = false;
            if (!feed(decoder, nullptr, take, false, &why, &damaged))
                reportStreamProblem(tx("The audio decoder failed: %1").arg(why));
            audio.endedSerial = serialNow;
            continue;
        }
        const Packet packet = packetOf(item.packet);
        bool damaged = false;
        const bool ok = feed(decoder, &packet, take, false, &why, &damaged);
        av_packet_free(&item.packet);
        damagedInARow = damaged ? damagedInARow + 1 : 0;
        if (damagedInARow == kDamagedPacketsToReport)
            reportStreamProblem(tx("The audio is damaged and cannot be decoded: %1").arg(why));
        if (!ok) {
            reportStreamProblem(audio.framesOut == 0 ? tx("The audio could not be decoded: %1").arg(why)
                                                   : tx("The audio decoder failed: %1").arg(why));
            failed = true;
            audio.failed = true;
            audio.endedSerial = serialNow;
        }
        if (!conversionProblem.isEmpty()) {
            reportStreamProblem(conversionProblem);
            conversionProblem.clear();
        }
    }
    swr_free(&resampler);
}

MediaSession::MediaSession(MSE::PluginContext* context, QObject* parent)
    : QObject(parent), m_context(context)
{
    avformat_network_init();
    // The player reports what went wrong in its window; the libraries' chatter stays quiet.
    av_log_set_level(AV_LOG_ERROR);
    m_ticker.setTimerType(Qt::PreciseTimer);
    m_ticker.setInterval(5);
    connect(&m_ticker, &QTimer::timeout, this, &MediaSession::tick);
}

MediaSession::~MediaSession()
{
    stopRun();
    avformat_network_deinit();
}

void MediaSession::open(const QUrl& url)
{
    stopRun();
    m_url = url;
    m_problems.clear();
    m_frame = ShownFrame();
    m_statistics = Statistics();
    m_hasVideo = m_hasAudio = false;
    m_durationUs = 0;
    m_paused = false;
    m_rate = 1.0;
    m_anchorUs = 0;
    emit frameChanged();

    QByteArray location;
    if (url.isLocalFile()) {
        const QString path = url.toLocalFile();
        const QFileInfo info(path);
        if (info.isDir()) {
            report(tx("%1 is a folder, not a media file.").arg(path));
            setState(State::Failed);
            return;
        }
        if (!info.exists()) {
            report(tx("The file %1 does not exist.").arg(path));
            setState(State::Failed);
            return;
        }
        if (info.size() == 0) {
            report(tx("The file %1 is empty.").arg(path));
            setState(State::Failed);
            return;
        }
        location = QFile::encodeName(path);
    } else {
        location = url.toEncoded();
    }

    m_run = std::make_unique<PlaybackRun>();
    m_run->id = m_nextRunId++;
    m_run->url = url;
    m_run->location = location;
    m_run->networkTimeoutMs = m_networkTimeoutMs;
    m_run->session = this;
    setState(State::Opening);
    PlaybackRun* run = m_run.get();
    run->demuxThread = std::thread([run] { run->demux(); });
}

void MediaSession::onProbed(int runId)
{
    if (!m_run || m_run->id != runId)
        return;
    PlaybackRun* run = m_run.get();
    AVFormatContext* format = run->format;
    m_durationUs = format->duration != AV_NOPTS_VALUE ? format->duration : 0;
    m_details = describeMedia(format, m_context, m_url);

    struct Choice
    {
        AVMediaType type;
        DecodedStream* stream;
    };
    bool playable = false;
    for (const Choice& choice : {Choice{AVMEDIA_TYPE_VIDEO, &run->video}, Choice{AVMEDIA_TYPE_AUDIO, &run->audio}}) {
        const int index = av_find_best_stream(format, choice.type, -1, -1, nullptr, 0);
        if (index < 0)
            continue;
        AVStream* stream = format->streams[index];
        if (choice.type == AVMEDIA_TYPE_VIDEO && (stream->disposition & AV_DISPOSITION_ATTACHED_PIC))
            continue;
        const StreamDescription description = describeStream(stream->codecpar);
        if (!description.ok) {
            report(tx("No decoder for %1 is available.").arg(description.name));
            continue;
        }
        DecoderLookup lookup = openDecoder(m_context, description.parameters);
        if (lookup.outcome == DecoderLookup::NoPlugin) {
            const int kind = installableCodecKind(description.parameters);
            if (kind >= 0) {
                // The shell installs the decoder and opens the address again.
                QCoreApplication::postEvent(QCoreApplication::instance(), new MovraPlayerX::NeedCodecEvent(m_url, kind));
                report(tx("Waiting for the %1 decoder to be installed…").arg(description.name));
                stopRun();
                setState(State::WaitingForCodec);
                return;
            }
            report(tx("No decoder for %1 is installed.").arg(description.name));
            continue;
        }
        if (lookup.outcome == DecoderLookup::Failed) {
            report(tx("The %1 decoder could not play this stream: %2").arg(description.name, lookup.error));
            continue;
        }
        if (choice.type == AVMEDIA_TYPE_AUDIO) {
            AudioOutputChoice output = chooseAudioOutput(description.parameters.sampleRate > 0 ? description.parameters.sampleRate : 48000,
                                                         description.parameters.channels > 0 ? description.parameters.channels : 2);
            if (!output.output) {
                qCWarning(lcPlayer, "Movra Player: %s", qUtf8Printable(output.warning));
                continue;
            }
            run->sound = std::make_shared<AudioBuffer>(output.sampleRate, output.channels, kAudioBufferMs);
            attachAudioBuffer(output.output.get(), run->sound);
            QString why;
            if (!output.output->start(&why)) {
                qCWarning(lcPlayer, "Movra Player: the sound output failed (%s): playing without sound", qUtf8Printable(why));
                run->sound.reset();
                continue;
            }
            run->output = std::move(output.output);
            m_hasAudio = true;
        } else {
            m_hasVideo = true;
        }
        choice.stream->index = index;
        choice.stream->timeBase = stream->time_base;
        choice.stream->decoder = std::move(lookup.decoder);
        playable = true;
    }
    if (!playable) {
        if (m_problems.isEmpty())
            report(tx("The file holds nothing the player can play."));
        stopRun();
        setState(State::Failed);
        return;
    }
    if (run->video.index >= 0)
        run->video.thread = std::thread([run] { run->decodeVideo(); });
    if (run->audio.index >= 0)
        run->audio.thread = std::thread([run] { run->decodeAudio(); });
    applyGain();
    m_sinceAnchor.start();
    m_anchorUs = 0;
    {
        std::lock_guard<std::mutex> lock(run->gateMutex);
        run->proceed = true;
    }
    run->gate.notify_all();
    m_ticker.start();
    emit durationChanged(durationMs());
    setState(State::Playing);
}

void MediaSession::onFailed(int runId, const QString& text)
{
    if (!m_run || m_run->id != runId)
        return;
    report(text);
    stopRun();
    setState(State::Failed);
}

void MediaSession::onStreamProblem(int runId, const QString& text)
{
    if (m_run && m_run->id == runId)
        report(text);
}

void MediaSession::stopRun()
{
    m_ticker.stop();
    if (!m_run)
        return;
    PlaybackRun* run = m_run.get();
    run->aborted = true;
    {
        std::lock_guard<std::mutex> lock(run->gateMutex);
        run->gate.notify_all();
    }
    run->video.packets.abort();
    run->audio.packets.abort();
    run->pictures.abort();
    if (run->sound)
        run->sound->abort();
    if (run->demuxThread.joinable())
        run->demuxThread.join();
    for (DecodedStream* stream : {&run->video, &run->audio}) {
        if (stream->thread.joinable())
            stream->thread.join();
        stream->decoder.reset();
    }
    if (run->output)
        run->output->stop();
    m_statistics.audioBytesPlayed = run->sound ? run->sound->totalBytesRead() : 0;
    avformat_close_input(&run->format);
    m_run.reset();
}

void MediaSession::close()
{
    stopRun();
    m_frame = ShownFrame();
    emit frameChanged();
    setState(State::Idle);
}

bool MediaSession::audioIsClock() const
{
    return m_run && m_run->output && m_rate == 1.0
           && !(m_run->audio.endedSerial == m_run->serial && m_run->sound->available() == 0);
}

int64_t MediaSession::clockUs()
{
    if (m_paused || m_state == State::Ended)
        return m_pausedAtUs;
    if (audioIsClock()) {
        const int64_t heard = m_run->sound->readPts() - m_run->output->latencyUs();
        m_anchorUs = heard;
        m_sinceAnchor.restart();
        return heard;
    }
    return m_anchorUs + int64_t(double(m_sinceAnchor.nsecsElapsed()) / 1000.0 * m_rate);
}

int64_t MediaSession::positionMs()
{
    if (!m_run && m_state != State::Ended)
        return 0;
    int64_t us = clockUs();
    if (m_durationUs > 0)
        us = std::min(us, m_durationUs);
    return std::max<int64_t>(us, 0) / 1000;
}

void MediaSession::pause()
{
    if (m_state != State::Playing)
        return;
    m_pausedAtUs = clockUs();
    m_paused = true;
    if (m_run->output)
        m_run->output->setPaused(true);
    setState(State::Paused);
}

void MediaSession::resume(double rate)
{
    if (rate > 0 && rate <= 16 && rate != m_rate) {
        // The clock runs on from where it stands, at the new rate.
        if (m_state == State::Playing) {
            m_anchorUs = clockUs();
            m_sinceAnchor.restart();
        }
        m_rate = rate;
    }
    if (m_state != State::Paused)
        return;
    m_paused = false;
    m_anchorUs = m_pausedAtUs;
    m_sinceAnchor.restart();
    if (m_run->output)
        m_run->output->setPaused(false);
    setState(State::Playing);
}

void MediaSession::togglePause()
{
    if (m_state == State::Playing)
        pause();
    else if (m_state == State::Paused)
        resume(m_rate);
    else if (m_state == State::Ended && m_run) {
        seek(0);
    }
}

void MediaSession::seek(int64_t positionMs)
{
    if (!m_run || !(m_state == State::Playing || m_state == State::Paused || m_state == State::Ended))
        return;
    int64_t target = std::max<int64_t>(positionMs, 0) * 1000;
    if (m_durationUs > 0)
        target = std::min(target, m_durationUs);
    PlaybackRun* run = m_run.get();
    const int serial = ++run->serial;
    run->pictures.reset(serial);
    if (run->sound)
        run->sound->reset(serial, target);
    {
        std::lock_guard<std::mutex> lock(run->seekMutex);
        run->seekPending = true;
        run->seekTargetUs = target;
        run->seekSerial = serial;
    }
    m_anchorUs = target;
    m_sinceAnchor.restart();
    m_pausedAtUs = target;
    m_showNextFrame = true;
    if (m_state == State::Ended) {
        m_paused = false;
        m_ticker.start();
        setState(State::Playing);
    }
}

void MediaSession::setVolume(double volume)
{
    m_volume = std::clamp(volume, 0.0, 1.0);
    applyGain();
}

void MediaSession::setMuted(bool muted)
{
    m_muted = muted;
    applyGain();
}

void MediaSession::applyGain()
{
    if (m_run && m_run->sound)
        m_run->sound->setGain(m_muted ? 0.0 : m_volume);
}

double MediaSession::currentAspect() const
{
    if (m_frame.aspect > 0)
        return m_frame.aspect;
    return m_frame.image.height() > 0 ? double(m_frame.image.width()) / m_frame.image.height() : 16.0 / 9.0;
}

void MediaSession::tick()
{
    if (!m_run)
        return;
    PlaybackRun* run = m_run.get();
    const int64_t clock = clockUs();
    ShownFrame frame;
    while (run->pictures.peek(0, &frame)) {
        const bool force = m_showNextFrame;
        if (m_paused && !force)
            break;
        if (frame.pts > clock + 2000 && !force)
            break;
        ShownFrame next;
        if (!force && run->pictures.peek(1, &next) && next.pts <= clock) {
            run->pictures.pop();
            ++m_statistics.framesDropped;
            continue;
        }
        run->pictures.pop();
        m_showNextFrame = false;
        m_frame = std::move(frame);
        ++m_statistics.framesShown;
        if (m_statistics.avOffsetsUs.size() < 100000 && !force)
            m_statistics.avOffsetsUs.push_back(clock - m_frame.pts);
        emit frameChanged();
        break;
    }
    if (m_state != State::Playing)
        return;
    const bool videoDone = run->video.index < 0 || (run->video.endedSerial == run->serial && run->pictures.empty());
    const bool audioDone = run->audio.index < 0 || !run->sound
                           || (run->audio.endedSerial == run->serial && run->sound->available() == 0);
    const bool nothingDecodes = (run->video.index < 0 || run->video.failed) && (run->audio.index < 0 || run->audio.failed);
    if (nothingDecodes && m_statistics.framesShown == 0) {
        stopRun();
        setState(State::Failed);
        return;
    }
    if (videoDone && audioDone) {
        m_pausedAtUs = std::max(clock, m_durationUs);
        m_statistics.audioBytesPlayed = run->sound ? run->sound->totalBytesRead() : 0;
        setState(State::Ended);
    }
}

void MediaSession::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

void MediaSession::report(const QString& text)
{
    m_problems.append(text);
    emit problemReported(text);
}

} // namespace MovraReference

#include "mediasession.h"
#include "playbackrun.h"
#include "playerlog.h"

#include <QMetaObject>

#include <algorithm>
#include <chrono>
#include <vector>

namespace MovraReference {

int64_t nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

namespace {

int interruptInput(void* opaque)
{
    const auto* interrupt = static_cast<const InputInterrupt*>(opaque);
    return interrupt->aborted->load() || interrupt->overran() ? 1 : 0;
}

} // namespace

int openInterruptibleInput(AVFormatContext** format, const char* location, int timeoutMs, InputInterrupt* interrupt)
{
    *format = avformat_alloc_context();
    if (!*format)
        return AVERROR(ENOMEM);
    (*format)->interrupt_callback.callback = interruptInput;
    (*format)->interrupt_callback.opaque = interrupt;
    AVDictionary* options = nullptr;
    av_dict_set_int(&options, "rw_timeout", int64_t(timeoutMs) * 1000, 0);
    interrupt->openDeadlineMs.store(nowMs() + timeoutMs);
    const int result = avformat_open_input(format, location, nullptr, &options);
    av_dict_free(&options);
    return result;
}

void PlaybackRun::reportStreamProblem(const QString& text)
{
    QMetaObject::invokeMethod(
        session, [s = session, id = id, text] { s->onStreamProblem(id, text); }, Qt::QueuedConnection);
}

int PlaybackRun::openInput(bool* timedOut)
{
    int result = openInterruptibleInput(&format, location.constData(), networkTimeoutMs, &interrupt);
    if (result >= 0)
        result = avformat_find_stream_info(format, nullptr);
    *timedOut = interrupt.overran();
    interrupt.openDeadlineMs.store(0);
    return result;
}

namespace {

// How far short of the announced duration reading may end before the file counts as cut
// short: streams of a whole file end within a few frames of it.
constexpr int64_t kEarlyEndToleranceUs = 500000;

int64_t packetTimeUs(const AVPacket* packet)
{
    return packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
}

} // namespace

bool readAheadIsEnough(const PacketQueue* video, const PacketQueue* audio)
{
    if ((video ? video->bytes() : 0) + (audio ? audio->bytes() : 0) >= kMaxQueuedBytes)
        return true;
    for (const PacketQueue* queue : {video, audio}) {
        if (!queue)
            continue;
        const int64_t queued = queue->queuedUs();
        if (queued == AV_NOPTS_VALUE ? queue->packets() < kEnoughPackets : queued < kReadAheadUs)
            return false;
    }
    return true;
}

void PlaybackRun::demux()
{
    const auto fail = [this](const QString& text) {
        QMetaObject::invokeMethod(
            session, [s = session, id = id, text] { s->onFailed(id, text); }, Qt::QueuedConnection);
    };
    bool timedOut = false;
    int result = openInput(&timedOut);
    if (aborted.load())
        return;
    if (result < 0) {
        if (result == AVERROR(ENOMEM))
            fail(tx("Out of memory."));
        else if (timedOut)
            fail(tx("The address did not answer in time."));
        else if (result == AVERROR_INVALIDDATA)
            fail(tx("This is not a media file the player can read."));
        else
            fail(tx("The file could not be opened: %1").arg(avError(result)));
        return;
    }
    // Without byte seeks (a server that ignores ranges, a pipe) a seek is carried out by
    // reading: forwards by discarding, backwards by opening the address again first.
    byteSeekable = format->pb && (format->pb->seekable & AVIO_SEEKABLE_NORMAL);
    // Inputs without a byte stream of their own (network protocols of their own) seek natively.
    const bool seekByReading = format->pb && !byteSeekable;
    QMetaObject::invokeMethod(
        session, [s = session, id = id] { s->onProbed(id); }, Qt::QueuedConnection);
    {
        std::unique_lock<std::mutex> lock(gateMutex);
        gate.wait(lock, [this] { return proceed || aborted.load(); });
    }

    const int64_t startUs = format->start_time != AV_NOPTS_VALUE ? format->start_time : 0;
    // A duration worked out from the bit rate is a guess, too rough to call a file short.
    const int64_t announcedEndUs = format->duration > 0 && format->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE
                                       ? startUs + format->duration
                                       : INT64_MIN;
    int64_t readEndUs = INT64_MIN;    // the end of the latest packet read
    int64_t readUs = INT64_MIN;       // the time of the latest packet read
    // A seek by reading: packets before the target are dropped, but the video from the last
    // key frame before it is kept, for the decoder to start from.
    int64_t discardBeforeUs = INT64_MIN;
    std::vector<AVPacket*> keyFrameOn;
    int64_t keptBytes = 0;
    bool videoCaughtUp = true;
    bool audioCaughtUp = true;
    const auto dropKept = [&keyFrameOn, &keptBytes] {
        for (AVPacket*& kept : keyFrameOn)
            av_packet_free(&kept);
        keyFrameOn.clear();
        keptBytes = 0;
    };

    AVPacket* packet = av_packet_alloc();
    bool atEnd = false;
    while (packet) {
        // Noted before anything is looked at, so that a change after the look still wakes the
        // rest below.
        const uint64_t seen = demuxWake.generation();
        if (aborted.load())
            break;
        {
            std::unique_lock<std::mutex> lock(seekMutex);
            if ((audioChangePending || subtitleChangePending) && format)
                applyTrackChange_locked();
            if (seekPending) {
                seekPending = false;
                const int64_t target = seekTargetUs;
                const int serialNow = seekSerial;
                lock.unlock();
                dropKept();
                if (subtitles)
                    subtitles->flush();
                if (!seekByReading) {
                    avformat_seek_file(format, -1, INT64_MIN, target, target, 0);
                    discardBeforeUs = INT64_MIN;
                } else {
                    if (readUs == INT64_MIN || target < readUs) {
                        avformat_close_input(&format);
                        const int reopened = openInput(&timedOut);
                        if (aborted.load())
                            break;
                        if (reopened < 0) {
                            avformat_close_input(&format);
                            reportStreamProblem(tx("The address could not be opened again: %1").arg(avError(reopened)));
                        }
                        readUs = INT64_MIN;
                    }
                    discardBeforeUs = target;
                    videoCaughtUp = video.index < 0;
                    audioCaughtUp = routedAudioIndex < 0;
                }
                for (DecodedStream* stream : {&video, &audio}) {
                    if (stream->index >= 0)
                        stream->packets.putMarker(PacketQueue::Kind::Flush, serialNow, true, target);
                }
                atEnd = false;
            }
        }
        if (atEnd || readAheadIsEnough(video.index >= 0 ? &video.packets : nullptr,
                                       routedAudioIndex >= 0 ? &audio.packets : nullptr)) {
            demuxWake.waitPast(seen);
            continue;
        }
        result = format ? av_read_frame(format, packet) : AVERROR_EOF;
        if (result < 0) {
            if (aborted.load())
                break;
            if (result != AVERROR_EOF && result != AVERROR(EAGAIN) && format && !avio_feof(format->pb))
                reportStreamProblem(tx("Reading stopped early: %1").arg(avError(result)));
            if (result == AVERROR(EAGAIN))
                continue;
            if (format && announcedEndUs != INT64_MIN && readEndUs != INT64_MIN
                && readEndUs < announcedEndUs - kEarlyEndToleranceUs && !endedEarly.exchange(true)) {
                qCWarning(lcPlayer, "Movra Player: %s ends at %.2f s of the %.2f s it announces", location.constData(),
                          double(readEndUs - startUs) / 1e6, double(announcedEndUs - startUs) / 1e6);
                QMetaObject::invokeMethod(
                    session, [s = session, id = id] { s->onEndedEarly(id); }, Qt::QueuedConnection);
            }
            int serialNow;
            {
                std::lock_guard<std::mutex> lock(seekMutex);
                serialNow = seekSerial;
            }
            // What was kept for a seek past the end is played from its key frame.
            if (!videoCaughtUp) {
                for (AVPacket* kept : keyFrameOn)
                    video.packets.putPacket(kept, serialNow);
                keyFrameOn.clear();
                keptBytes = 0;
                videoCaughtUp = true;
            }
            for (DecodedStream* stream : {&video, &audio}) {
                if (stream->index >= 0)
                    stream->packets.putMarker(PacketQueue::Kind::End, serialNow, false);
            }
            atEnd = true;
            continue;
        }
        if (packet->stream_index == routedSubtitleIndex && routedSubtitleIndex >= 0) {
            decodeSubtitle(packet);
            av_packet_unref(packet);
            continue;
        }
        DecodedStream* target = packet->stream_index == video.index        ? &video
                                : packet->stream_index == routedAudioIndex ? &audio
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
        const int64_t at = packetTimeUs(kept);
        if (at != AV_NOPTS_VALUE) {
            readUs = std::max(readUs, at);
            readEndUs = std::max(readEndUs, at + std::max<int64_t>(kept->duration, 0));
        }
        int serialNow;
        {
            std::lock_guard<std::mutex> lock(seekMutex);
            serialNow = seekSerial;
        }
        if (discardBeforeUs != INT64_MIN) {
            if (target == &video && !videoCaughtUp) {
                if (kept->flags & AV_PKT_FLAG_KEY)
                    dropKept();
                // A stream that marks no key frames keeps only its latest packets.
                keptBytes += kept->size;
                while (keptBytes > kMaxQueuedBytes && !keyFrameOn.empty()) {
                    keptBytes -= keyFrameOn.front()->size;
                    av_packet_free(&keyFrameOn.front());
                    keyFrameOn.erase(keyFrameOn.begin());
                }
                keyFrameOn.push_back(kept);
                if (at == AV_NOPTS_VALUE || at < discardBeforeUs)
                    continue;
                for (AVPacket* k : keyFrameOn)
                    video.packets.putPacket(k, serialNow);
                keyFrameOn.clear();
                keptBytes = 0;
                videoCaughtUp = true;
            } else if (target == &audio && !audioCaughtUp) {
                if (at != AV_NOPTS_VALUE && at + kept->duration < discardBeforeUs) {
                    av_packet_free(&kept);
                    continue;
                }
                audioCaughtUp = true;
                target->packets.putPacket(kept, serialNow);
            } else {
                target->packets.putPacket(kept, serialNow);
            }
            if (videoCaughtUp && audioCaughtUp)
                discardBeforeUs = INT64_MIN;
            continue;
        }
        target->packets.putPacket(kept, serialNow);
    }
    dropKept();
    av_packet_free(&packet);
}

} // namespace MovraReference

#include "mediasession.h"
#include "playbackrun.h"

#include <QMetaObject>

#include <chrono>

namespace MovraReference {

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
            if (audioChangePending || subtitleChangePending)
                applyTrackChange_locked();
            if (seekPending) {
                seekPending = false;
                const int64_t target = seekTargetUs;
                const int serialNow = seekSerial;
                lock.unlock();
                avformat_seek_file(format, -1, INT64_MIN, target, target, 0);
                if (subtitles)
                    subtitles->flush();
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
        int serialNow;
        {
            std::lock_guard<std::mutex> lock(seekMutex);
            serialNow = seekSerial;
        }
        target->packets.putPacket(kept, serialNow);
    }
    av_packet_free(&packet);
}

} // namespace MovraReference

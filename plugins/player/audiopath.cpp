#include "audiotempo.h"
#include "mediasession.h"
#include "playbackrun.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/intreadwrite.h>
#include <libswresample/swresample.h>
}

namespace MovraReference {

using namespace MovraStreamEngine;

namespace {

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
    AudioTempo stretch(outRate, outChannels);
    QString conversionProblem;
    bool soundReleased = false;
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
        const double speed = tempo.load();
        if (speed != stretch.tempo())
            stretch.setTempo(speed);
        int64_t stretchedPts = chunkPts;
        QByteArray played = stretch.process(pcm, chunkPts, &stretchedPts);
        if (played.isEmpty())
            return !aborted.load();
        if (!soundReleased) {
            firstPicture.waitReleased(kFirstPictureWait);
            soundReleased = true;
        }
        return sound->put(stretchedPts, std::move(played), serialNow, stretch.tempo()) || !aborted.load();
    };
    PacketQueue::Item item;
    bool failed = false;
    int damagedInARow = 0;
    while (audio.packets.take(&item)) {
        if (item.kind == PacketQueue::Kind::Flush) {
            {
                // A track change comes with this seek: the new stream's decoder takes over.
                std::lock_guard<std::mutex> lock(seekMutex);
                if (nextAudioDecoder && item.serial >= nextAudioSerial) {
                    retiredDecoders.push_back(std::move(audio.decoder));
                    audio.decoder = std::move(nextAudioDecoder);
                    decoder = audio.decoder.get();
                }
            }
            stretch.reset();
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
            int64_t restPts = 0;
            QByteArray rest = stretch.finish(&restPts);
            if (!rest.isEmpty())
                sound->put(restPts, std::move(rest), serialNow, stretch.tempo());
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

void MediaSession::selectAudioTrack(int index)
{
    if (!m_run || index < 0 || index >= m_audioTracks.size() || index == m_audioTrack)
        return;
    if (!(m_state == State::Playing || m_state == State::Paused || m_state == State::Ended))
        return;
    PlaybackRun* run = m_run.get();
    const MediaTrack& track = m_audioTracks[index];
    if (!run->output || run->audio.index < 0) {
        report(tx("The sound track “%1” cannot be played: there is no sound output.").arg(trackLabel(track, index + 1)));
        return;
    }
    const AVCodecParameters* parameters = m_streamParameters.at(size_t(track.stream));
    const StreamDescription description = describeStream(parameters);
    DecoderLookup lookup;
    if (description.ok)
        lookup = openDecoder(m_context, description.parameters);
    if (lookup.outcome != DecoderLookup::Found) {
        const QString why = lookup.outcome == DecoderLookup::Failed ? lookup.error
                                                                    : tx("No decoder for %1 is installed.").arg(description.name);
        report(tx("The sound track “%1” cannot be played: %2").arg(trackLabel(track, index + 1), why));
        return;
    }
    const int64_t at = positionMs();
    {
        std::lock_guard<std::mutex> lock(run->seekMutex);
        run->nextAudioIndex = track.stream;
        run->nextAudioDecoder = std::move(lookup.decoder);
        run->nextAudioSerial = run->serial + 1;
        run->audioChangePending = true;
    }
    m_audioTrack = index;
    // The new stream's packets are read from here on: a seek to where playback stands brings
    // them, and the decoder changes with the seek's flush.
    seek(at);
    emit tracksChanged();
}

} // namespace MovraReference

#include "stilldecoder.h"

#include "mediasession.h"
#include "picture.h"
#include "playbackrun.h"
#include "playerlog.h"
#include "subtitlerenderer.h"

#include <QPainter>

extern "C" {
#include <libavformat/avformat.h>
}

namespace MovraReference {

using namespace MovraStreamEngine;

namespace {

// Pictures whose times differ by less than this are the same picture (times carried through
// microseconds may round differently on the way).
constexpr int64_t kSameTimeUs = 500;

} // namespace

QImage decodeStill(const StillSource& source, IDecoder* decoder, const std::atomic<bool>& aborted, QString* why)
{
    InputInterrupt interrupt(&aborted);
    AVFormatContext* format = nullptr;
    struct CloseInput
    {
        AVFormatContext*& format;
        ~CloseInput() { avformat_close_input(&format); }
    } closeInput{format};
    int result = openInterruptibleInput(&format, source.location.constData(), source.networkTimeoutMs, &interrupt);
    if (result < 0) {
        *why = QStringLiteral("it could not be opened again: %1").arg(avError(result));
        return QImage();
    }
    const auto sameStream = [&] {
        return source.streamIndex >= 0 && unsigned(source.streamIndex) < format->nb_streams
               && format->streams[source.streamIndex]->codecpar->codec_id == source.codecId;
    };
    // Most containers number their streams as they open; the others once probed.
    if (!sameStream() && avformat_find_stream_info(format, nullptr) < 0) {
        *why = QStringLiteral("its streams could not be read again");
        return QImage();
    }
    interrupt.openDeadlineMs.store(0);
    if (!sameStream()) {
        *why = QStringLiteral("the file changed since it was opened");
        return QImage();
    }
    // Reading a stream that cannot seek from its start again could take as long as the
    // playing did.
    if (format->pb && !(format->pb->seekable & AVIO_SEEKABLE_NORMAL)) {
        *why = QStringLiteral("the stream cannot seek");
        return QImage();
    }
    // At or before the picture: the key frame it is decoded from.
    result = avformat_seek_file(format, -1, INT64_MIN, source.ptsUs, source.ptsUs, 0);
    if (result < 0) {
        *why = QStringLiteral("seeking failed: %1").arg(avError(result));
        return QImage();
    }
    for (unsigned i = 0; i < format->nb_streams; ++i)
        format->streams[i]->discard = int(i) == source.streamIndex ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    const AVRational timeBase = format->streams[source.streamIndex]->time_base;
    decoder->flush();

    // The latest picture at or before the one wanted; the wanted one is the last of them.
    PicturePool pool;
    PicturePtr candidate;
    bool passed = false;
    int64_t lastPts = 0;
    const auto take = [&](const VideoFrame* frame, const AudioFrame*) -> bool {
        const int64_t pts = frame->pts != kNoTimestamp ? frame->pts : lastPts;
        lastPts = pts + (frame->duration > 0 ? frame->duration : 40000);
        if (pts > source.ptsUs + kSameTimeUs) {
            passed = true;
            return false;
        }
        candidate = pool.keep(*frame);
        if (pts >= source.ptsUs - kSameTimeUs)
            passed = true;
        return !passed;
    };
    AVPacket* packet = av_packet_alloc();
    bool decoderFailed = false;
    while (packet && !passed && !aborted.load()) {
        result = av_read_frame(format, packet);
        const bool end = result < 0;
        if (!end && packet->stream_index != source.streamIndex) {
            av_packet_unref(packet);
            continue;
        }
        if (!end)
            av_packet_rescale_ts(packet, timeBase, kMicroseconds);
        const Packet decoded = end ? Packet() : packetOf(packet);
        bool damaged = false;
        QString failure;
        if (!feed(decoder, end ? nullptr : &decoded, take, true, &failure, &damaged)) {
            *why = QStringLiteral("the video decoder failed: %1").arg(failure);
            decoderFailed = true;
        }
        av_packet_unref(packet);
        if (end || decoderFailed)
            break;
    }
    av_packet_free(&packet);
    if (aborted.load() || decoderFailed)
        return QImage();
    if (!candidate) {
        *why = QStringLiteral("the picture was not found again");
        return QImage();
    }
    PictureConverter converter;
    QImage image = converter.convert(*candidate, source.size.isEmpty() ? QSize(candidate->width, candidate->height)
                                                                       : source.size);
    // The decoder's own planes go back before it may be destroyed.
    candidate.reset();
    if (image.isNull())
        *why = QStringLiteral("the picture could not be converted");
    return image;
}

bool MediaSession::requestPictureAtDecodedSize(bool withSubtitles)
{
    if (!hasPicture() || m_still)
        return false;
    const int64_t ptsUs = m_frame.pts;
    if (m_frame.picture) {
        answerStillLater(pictureAtDecodedSize(withSubtitles), true, ptsUs);
        return true;
    }
    auto job = std::make_unique<StillJob>();
    job->asShown = withSubtitles && m_subtitlesDrawn ? m_shown : m_frame.image;
    const QSize decoded = m_frame.orientation.turnsSideways() ? m_frame.decodedSize.transposed() : m_frame.decodedSize;
    if (withSubtitles && subtitlesActive() && !decoded.isEmpty()) {
        // Drawn now, for this picture's time and size (then again for the window's), onto a
        // layer laid over the picture when it comes.
        QImage layer(decoded, QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
        const int64_t atMs = m_frame.pts / 1000 - m_subtitleDelayMs;
        m_subtitles->update(atMs, decoded);
        if (m_subtitles->drawOn(&layer))
            job->subtitles = layer;
        m_subtitles->update(atMs, subtitleCanvasSize());
    }
    QString why;
    if (!prepareStill(job.get(), &why)) {
        qCWarning(lcPlayer, "Movra Player: the picture at %.3f s is saved at the size shown: %s", double(ptsUs) / 1e6,
                  qUtf8Printable(why));
        answerStillLater(job->asShown, false, ptsUs);
        return true;
    }
    m_still = std::move(job);
    startStill(m_still.get());
    return true;
}

bool MediaSession::prepareStill(StillJob* job, QString* why)
{
    job->url = m_url;
    job->orientation = m_frame.orientation;
    // What plays: the same input, its video stream and a decoder of its own for it.
    const int stream = m_run ? m_run->video.index : -1;
    const AVCodecParameters* parameters =
        stream >= 0 && size_t(stream) < m_streamParameters.size() ? m_streamParameters[size_t(stream)] : nullptr;
    if (!parameters) {
        *why = QStringLiteral("nothing plays");
        return false;
    }
    if (!m_run->byteSeekable) {
        *why = QStringLiteral("the stream cannot seek");
        return false;
    }
    const StreamDescription description = describeStream(parameters);
    DecoderLookup lookup = description.ok ? openDecoder(m_context, description.parameters) : DecoderLookup();
    if (lookup.outcome != DecoderLookup::Found) {
        *why = QStringLiteral("no second %1 decoder").arg(description.name);
        return false;
    }
    job->decoder = std::move(lookup.decoder);
    job->source.location = m_run->location;
    job->source.streamIndex = stream;
    job->source.codecId = parameters->codec_id;
    job->source.ptsUs = m_frame.pts;
    job->source.networkTimeoutMs = m_networkTimeoutMs;
    return true;
}

void MediaSession::startStill(StillJob* job)
{
    job->thread = std::thread([this, job] {
        job->decoded = decodeStill(job->source, job->decoder.get(), job->aborted, &job->why);
        // Dropped unread if the session goes first (it joins this thread before it does).
        QMetaObject::invokeMethod(this, [this, job] { finishStill(job); }, Qt::QueuedConnection);
    });
}

void MediaSession::finishStill(StillJob* finished)
{
    std::unique_ptr<StillJob> job;
    if (m_still.get() == finished)
        job = std::move(m_still);
    else if (m_reshow.get() == finished)
        job = std::move(m_reshow);
    else
        return;
    job->thread.join();
    job->decoder.reset();
    QImage picture = job->decoded;
    if (!picture.isNull() && !(job->orientation == PictureOrientation()))
        picture = oriented(picture, job->orientation);
    if (!job->source.size.isEmpty()) {
        // Made again for the window: shown if it is still the picture on screen.
        if (!picture.isNull() && !m_drawsPlanes && m_url == job->url && m_frame.pts == job->source.ptsUs
            && !m_frame.image.isNull()) {
            m_frame.image = picture;
            drawSubtitles(true);
            emit frameChanged();
        }
        if (m_reshowAgain) {
            m_reshowAgain = false;
            reshowAtPictureArea();
        }
        return;
    }
    const bool decodedSize = !picture.isNull();
    if (decodedSize) {
        if (!job->subtitles.isNull() && job->subtitles.size() == picture.size()) {
            QPainter painter(&picture);
            painter.drawImage(0, 0, job->subtitles);
        }
    } else {
        qCWarning(lcPlayer, "Movra Player: the picture at %.3f s of %s is saved at the size shown: %s",
                  double(job->source.ptsUs) / 1e6, job->source.location.constData(), qUtf8Printable(job->why));
        picture = job->asShown;
    }
    emit pictureAtDecodedSizeReady(picture, decodedSize, job->url, job->source.ptsUs);
}

void MediaSession::reshowAtPictureArea()
{
    // Playing pictures come at the new size by themselves; one paused (or the last one) was
    // converted for the old size and is painted scaled until made again for the new one, so
    // that a window made larger shows it sharp.
    if (m_drawsPlanes || (m_state != State::Paused && m_state != State::Ended) || m_frame.image.isNull())
        return;
    if (m_reshow) {
        m_reshowAgain = true;
        return;
    }
    const QSize size = fittedSize(m_pictureArea, currentAspect());
    if (size.isEmpty() || size == m_frame.image.size())
        return;
    auto job = std::make_unique<StillJob>();
    QString why;
    if (!prepareStill(job.get(), &why))
        return;
    job->source.size = m_frame.orientation.turnsSideways() ? size.transposed() : size;
    m_reshow = std::move(job);
    startStill(m_reshow.get());
}

void MediaSession::answerStillLater(const QImage& picture, bool decodedSize, int64_t ptsUs)
{
    QMetaObject::invokeMethod(
        this, [this, picture, decodedSize, url = m_url, ptsUs] { emit pictureAtDecodedSizeReady(picture, decodedSize, url, ptsUs); },
        Qt::QueuedConnection);
}

void MediaSession::abortStill()
{
    for (std::unique_ptr<StillJob>* job : {&m_still, &m_reshow}) {
        if (!*job)
            continue;
        (*job)->aborted = true;
        (*job)->thread.join();
        job->reset();
    }
}

} // namespace MovraReference

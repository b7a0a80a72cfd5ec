// The subtitle path: the tracks a run offers (embedded streams and files beside the media),
// the change from one to another, the packets of an embedded track decoded as the demuxer
// reads them, and the subtitle of the moment drawn onto the picture shown.
//
// Subtitles are timed by the picture they are drawn on (its time stamp less the delay), so
// they keep time across seeks, pauses and speed changes as the pictures do.

#include "mediasession.h"
#include "playbackrun.h"
#include "playerlog.h"
#include "subtitlefile.h"
#include "subtitlerenderer.h"

#include <QFileInfo>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace MovraReference {

namespace {

// Damaged subtitle packets are skipped; the user hears of it once, after this many.
constexpr int kDamagedSubtitlesToReport = 3;

} // namespace

void PlaybackRun::applyTrackChange_locked()
{
    if (audioChangePending) {
        audioChangePending = false;
        routedAudioIndex = nextAudioIndex;
        audio.timeBase = format->streams[nextAudioIndex]->time_base;
    }
    if (subtitleChangePending) {
        subtitleChangePending = false;
        routedSubtitleIndex = nextSubtitleIndex;
        renderer = nextRenderer;
        subtitles = std::move(nextSubtitles);
        if (subtitles && renderer)
            subtitles->prepare(renderer);
    }
}

void PlaybackRun::decodeSubtitle(const AVPacket* packet)
{
    if (!subtitles || !renderer)
        return;
    AVPacket* copy = av_packet_clone(packet);
    if (!copy)
        return;
    av_packet_rescale_ts(copy, format->streams[packet->stream_index]->time_base, kMicroseconds);
    if (!subtitles->decode(copy, renderer) && ++damagedSubtitles == kDamagedSubtitlesToReport)
        reportStreamProblem(tx("Some subtitles are damaged and are not shown."));
    av_packet_free(&copy);
}

SubtitleRenderer* MediaSession::subtitleRenderer()
{
    // Made on first use: setting libass up reads the system's font configuration.
    if (!m_subtitles)
        m_subtitles = std::make_unique<SubtitleRenderer>();
    return m_subtitles.get();
}

void MediaSession::forgetTracks()
{
    m_audioTracks.clear();
    m_subtitleTracks.clear();
    m_subtitleScripts.clear();
    for (AVCodecParameters*& parameters : m_streamParameters)
        avcodec_parameters_free(&parameters);
    m_streamParameters.clear();
    m_audioTrack = -1;
    m_subtitleTrack = -1;
    m_subtitlesDrawn = false;
    m_shown = QImage();
    if (m_subtitles)
        m_subtitles->clear();
}

void MediaSession::listTracks()
{
    const AVFormatContext* format = m_run->format;
    // A run opened again (a seek by reading, a stream that cannot seek) lists its tracks anew.
    for (AVCodecParameters*& parameters : m_streamParameters)
        avcodec_parameters_free(&parameters);
    m_streamParameters.assign(format->nb_streams, nullptr);
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        const AVMediaType type = stream->codecpar->codec_type;
        if (type != AVMEDIA_TYPE_AUDIO && type != AVMEDIA_TYPE_SUBTITLE)
            continue;
        MediaTrack track;
        track.kind = type == AVMEDIA_TYPE_AUDIO ? MediaTrack::Kind::Audio : MediaTrack::Kind::Subtitle;
        track.stream = int(i);
        if (const AVDictionaryEntry* e = av_dict_get(stream->metadata, "language", nullptr, 0))
            track.language = QString::fromUtf8(e->value);
        if (const AVDictionaryEntry* e = av_dict_get(stream->metadata, "title", nullptr, 0))
            track.title = QString::fromUtf8(e->value);
        track.codec = QString::fromUtf8(avcodec_get_name(stream->codecpar->codec_id));
        track.isDefault = stream->disposition & AV_DISPOSITION_DEFAULT;
        track.forced = stream->disposition & AV_DISPOSITION_FORCED;
        const AVCodecDescriptor* descriptor = avcodec_descriptor_get(stream->codecpar->codec_id);
        track.bitmap = descriptor && (descriptor->props & AV_CODEC_PROP_BITMAP_SUB);
        m_streamParameters[i] = avcodec_parameters_alloc();
        if (!m_streamParameters[i] || avcodec_parameters_copy(m_streamParameters[i], stream->codecpar) < 0)
            continue;
        if (track.kind == MediaTrack::Kind::Audio) {
            m_audioTracks.append(track);
        } else {
            m_subtitleTracks.append(track);
            m_subtitleScripts.append(QByteArray());
        }
    }
}

void MediaSession::loadSubtitlesBeside()
{
    if (!m_loadsSubtitlesBeside || !m_url.isLocalFile())
        return;
    const QString media = m_url.toLocalFile();
    for (const QString& path : subtitleFilesBeside(media)) {
        const SubtitleFile file = readSubtitleFile(path);
        for (const QString& notice : file.notices)
            report(notice);
        if (!file.ok())
            continue;
        MediaTrack track;
        track.kind = MediaTrack::Kind::Subtitle;
        track.file = path;
        track.language = languageOfSubtitleFile(path, media);
        track.codec = QFileInfo(path).suffix().toLower();
        m_subtitleTracks.append(track);
        m_subtitleScripts.append(file.script);
    }
}

bool MediaSession::loadSubtitleFile(const QString& path)
{
    const SubtitleFile file = readSubtitleFile(path);
    for (const QString& notice : file.notices)
        report(notice);
    if (!file.ok())
        return false;
    MediaTrack track;
    track.kind = MediaTrack::Kind::Subtitle;
    track.file = QFileInfo(path).absoluteFilePath();
    track.language = m_url.isLocalFile() ? languageOfSubtitleFile(path, m_url.toLocalFile()) : QString();
    track.codec = QFileInfo(path).suffix().toLower();
    m_subtitleTracks.append(track);
    m_subtitleScripts.append(file.script);
    selectSubtitleTrack(int(m_subtitleTracks.size()) - 1);
    return m_subtitleTrack == m_subtitleTracks.size() - 1;
}

void MediaSession::selectSubtitleTrack(int index)
{
    if (index < -1 || index >= m_subtitleTracks.size() || index == m_subtitleTrack)
        return;
    const MediaTrack* track = index >= 0 ? &m_subtitleTracks[index] : nullptr;
    const bool embedded = track && track->stream >= 0;
    std::unique_ptr<SubtitleDecoder> decoder;
    if (embedded) {
        decoder = std::make_unique<SubtitleDecoder>();
        QString why;
        const AVCodecParameters* parameters = m_streamParameters.at(size_t(track->stream));
        if (!parameters || !decoder->open(parameters, &why)) {
            report(tx("The subtitles “%1” cannot be shown: %2").arg(trackLabel(*track, index + 1), why));
            return;
        }
    }
    SubtitleRenderer* renderer = subtitleRenderer();
    if (!track) {
        renderer->clear();
    } else if (!embedded && !renderer->setScript(m_subtitleScripts[index])) {
        report(tx("The subtitles “%1” cannot be shown.").arg(trackLabel(*track, index + 1)));
        renderer->clear();
        index = -1;
    }
    m_subtitleTrack = index;
    if (m_run) {
        PlaybackRun* run = m_run.get();
        {
            std::lock_guard<std::mutex> lock(run->seekMutex);
            run->nextSubtitleIndex = embedded ? track->stream : -1;
            run->nextSubtitles = std::move(decoder);
            run->nextRenderer = renderer;
            run->subtitleChangePending = true;
        }
        run->demuxWake.notify();
        // The demuxer has read past the packets of the subtitle showing now: reading again
        // from here brings them.
        if (embedded && (m_state == State::Playing || m_state == State::Paused))
            seek(positionMs());
    }
    wakeTicker();
    emit tracksChanged();
}

void MediaSession::setSubtitleDelay(int64_t milliseconds)
{
    m_subtitleDelayMs = milliseconds;
    if (drawSubtitles(false))
        emit frameChanged();
}

bool MediaSession::subtitlesActive() const
{
    return m_subtitles && m_subtitleTrack >= 0 && hasPicture();
}

QSize MediaSession::subtitleCanvasSize() const
{
    // Raster: the picture as converted for the window. Textures: a clear layer the size the
    // picture is drawn at.
    if (!m_drawsPlanes)
        return m_frame.image.size();
    const QSize fitted = fittedSize(m_pictureArea, currentAspect());
    if (!fitted.isEmpty())
        return fitted;
    const QSize decoded(m_frame.picture->width, m_frame.picture->height);
    return m_frame.orientation.turnsSideways() ? decoded.transposed() : decoded;
}

bool MediaSession::drawSubtitles(bool pictureChanged)
{
    bool redraw = pictureChanged;
    const bool active = subtitlesActive();
    if (active && m_subtitles->update(m_frame.pts / 1000 - m_subtitleDelayMs, subtitleCanvasSize()))
        redraw = true;
    if (!active && m_subtitlesDrawn)
        redraw = true;
    if (!redraw)
        return false;
    QImage shown;
    if (m_drawsPlanes) {
        if (active) {
            shown = QImage(subtitleCanvasSize(), QImage::Format_ARGB32_Premultiplied);
            shown.fill(Qt::transparent);
        }
    } else {
        shown = m_frame.image;
    }
    m_subtitlesDrawn = active && m_subtitles->drawOn(&shown);
    m_shown = m_subtitlesDrawn ? shown : QImage();
    return true;
}

} // namespace MovraReference

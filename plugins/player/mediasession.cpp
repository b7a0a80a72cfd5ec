#include "mediasession.h"

#include "playbackrun.h"
#include "playerlog.h"
#include "stilldecoder.h"
#include "subtitlerenderer.h"

#include <MSE/PluginContext.h>
#include <MovraPlayerX/CodecEvents.h>

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace MovraReference {

using namespace MovraStreamEngine;

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

namespace {

uint64_t packedArea(QSize area)
{
    return area.isEmpty() ? 0 : uint64_t(uint32_t(area.width())) << 32 | uint32_t(area.height());
}

} // namespace

MediaSession::MediaSession(MSE::PluginContext* context, QObject* parent)
    : QObject(parent), m_context(context), m_audioLanguages(localeLanguages()), m_subtitleLanguages(localeLanguages())
{
    avformat_network_init();
    // The player reports what went wrong in its window; the libraries' chatter stays quiet.
    av_log_set_level(AV_LOG_ERROR);
    // A child, so that it is found among the session's objects.
    m_ticker.setParent(this);
    m_ticker.setTimerType(Qt::PreciseTimer);
    m_ticker.setInterval(5);
    connect(&m_ticker, &QTimer::timeout, this, &MediaSession::tick);
    // A window being resized changes its size many times a second: the paused picture is
    // made again once it rests.
    m_reshowDelay.setParent(this);
    m_reshowDelay.setSingleShot(true);
    m_reshowDelay.setInterval(150);
    connect(&m_reshowDelay, &QTimer::timeout, this, &MediaSession::reshowAtPictureArea);
}

MediaSession::~MediaSession()
{
    abortStill();
    stopRun();
    forgetTracks();
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
    m_clock.reset();
    setSeekable(false);
    m_clock.setRate(m_speed);
    forgetTracks();
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
    m_run->tempo = m_speed;
    m_run->texturesOnly = m_drawsPlanes;
    m_run->pictureArea = packedArea(m_pictureArea);
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
    listTracks();
    const int preferredAudio = preferredAudioTrack(m_audioTracks, m_audioLanguages);

    struct Choice
    {
        AVMediaType type;
        DecodedStream* stream;
    };
    bool playable = false;
    for (const Choice& choice : {Choice{AVMEDIA_TYPE_VIDEO, &run->video}, Choice{AVMEDIA_TYPE_AUDIO, &run->audio}}) {
        const int index = choice.type == AVMEDIA_TYPE_AUDIO && preferredAudio >= 0
                              ? m_audioTracks[preferredAudio].stream
                              : av_find_best_stream(format, choice.type, -1, -1, nullptr, 0);
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
            size_t size = 0;
            if (const uint8_t* matrix = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
                matrix && size >= 9 * sizeof(int32_t))
                run->videoOrientation = orientationOf(reinterpret_cast<const int32_t*>(matrix));
            run->containerAspect = stream->sample_aspect_ratio;
            // Kept for a screenshot's decoder, as the audio and subtitle tracks' are.
            if (size_t(index) < m_streamParameters.size() && !m_streamParameters[size_t(index)]) {
                AVCodecParameters* copy = avcodec_parameters_alloc();
                if (copy && avcodec_parameters_copy(copy, stream->codecpar) < 0)
                    avcodec_parameters_free(&copy);
                m_streamParameters[size_t(index)] = copy;
            }
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
    run->routedAudioIndex = run->audio.index;
    for (int i = 0; i < m_audioTracks.size(); ++i) {
        if (m_audioTracks[i].stream == run->audio.index)
            m_audioTrack = i;
    }
    loadSubtitlesBeside();
    const QString heard = m_audioTrack >= 0 ? m_audioTracks[m_audioTrack].language : QString();
    const int subtitles = preferredSubtitleTrack(m_subtitleTracks, m_subtitleLanguages, heard);
    if (subtitles >= 0)
        selectSubtitleTrack(subtitles);
    emit tracksChanged();
    if (run->video.index >= 0)
        run->video.thread = std::thread([run] { run->decodeVideo(); });
    else
        run->firstPicture.release();
    if (run->audio.index >= 0)
        run->audio.thread = std::thread([run] { run->decodeAudio(); });
    applyGain();
    m_clock.startAt(0);
    {
        std::lock_guard<std::mutex> lock(run->gateMutex);
        run->proceed = true;
    }
    run->gate.notify_all();
    m_ticker.start();
    emit durationChanged(durationMs());
    setSeekable(run->byteSeekable || m_durationUs > 0);
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

void MediaSession::onEndedEarly(int runId)
{
    if (m_run && m_run->id == runId)
        report(tx("The file ends early: it may be damaged or still downloading"));
}

void MediaSession::setSeekable(bool seekable)
{
    m_seekable = seekable;
    emit seekableChanged(seekable);
}

void MediaSession::stopRun()
{
    m_ticker.stop();
    if (!m_run)
        return;
    PlaybackRun* run = m_run.get();
    run->aborted = true;
    run->firstPicture.release();
    run->demuxWake.notify();
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
    }
    // Pictures may be the decoder's own, held: the queued ones go with the run, and the one
    // shown (kept for a screenshot) becomes a copy, before the decoders' plug-ins can go.
    run->pictures.reset(run->serial);
    if (m_frame.picture && m_frame.picture->isHeld()) {
        PicturePool pool;
        m_frame.picture = pool.owned(m_frame.picture);
    }
    for (DecodedStream* stream : {&run->video, &run->audio})
        stream->decoder.reset();
    run->nextAudioDecoder.reset();
    run->retiredDecoders.clear();
    if (run->output)
        run->output->stop();
    m_statistics.audioBytesPlayed = run->sound ? run->sound->totalBytesRead() : 0;
    avformat_close_input(&run->format);
    m_run.reset();
}

void MediaSession::close()
{
    stopRun();
    forgetTracks();
    m_frame = ShownFrame();
    emit frameChanged();
    setState(State::Idle);
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
    m_clock.pauseAt(clockUs());
    if (m_run->output)
        m_run->output->setPaused(true);
    setState(State::Paused);
}

void MediaSession::resume(double rate)
{
    if (rate > 0 && rate <= 16)
        setSpeed(rate);
    if (m_state != State::Paused)
        return;
    m_clock.resume();
    if (m_run->output)
        m_run->output->setPaused(false);
    setState(State::Playing);
    wakeTicker();
}

void MediaSession::togglePause()
{
    if (m_state == State::Playing)
        pause();
    else if (m_state == State::Paused)
        resume(m_clock.rate());
    else if (m_state == State::Ended && m_run) {
        seek(0);
    }
}

void MediaSession::seek(int64_t positionMs)
{
    if (!m_run || !m_seekable || !(m_state == State::Playing || m_state == State::Paused || m_state == State::Ended))
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
    run->demuxWake.notify();
    m_clock.seekTo(target);
    m_showNextFrame = true;
    if (m_state == State::Ended) {
        m_clock.resume();
        setState(State::Playing);
    }
    wakeTicker();
    emit seeked(target / 1000);
}

void MediaSession::wakeTicker()
{
    if (m_run && !m_ticker.isActive() && (m_state == State::Playing || m_state == State::Paused))
        m_ticker.start();
}

void MediaSession::setPreferredLanguages(const QStringList& audio, const QStringList& subtitles)
{
    m_audioLanguages = audio;
    m_subtitleLanguages = subtitles;
}

void MediaSession::setVolume(double volume)
{
    volume = std::clamp(volume, 0.0, 1.0);
    if (volume == m_volume)
        return;
    m_volume = volume;
    applyGain();
    emit volumeChanged(volume);
}

void MediaSession::setMuted(bool muted)
{
    if (muted == m_muted)
        return;
    m_muted = muted;
    applyGain();
    emit mutedChanged(muted);
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

void MediaSession::setPictureArea(QSize devicePixels)
{
    if (devicePixels == m_pictureArea)
        return;
    m_pictureArea = devicePixels;
    if (m_run)
        m_run->pictureArea = packedArea(devicePixels);
    // Subtitles over textures are drawn at the size shown.
    if (m_drawsPlanes && drawSubtitles(true))
        emit frameChanged();
    if (!m_drawsPlanes && (m_state == State::Paused || m_state == State::Ended))
        m_reshowDelay.start();
}

void MediaSession::setDrawsPlanes(bool on)
{
    // Taken over by the next address opened: the pictures queued now are made already.
    m_drawsPlanes = on;
}

QImage MediaSession::pictureAtDecodedSize(bool withSubtitles)
{
    if (!m_frame.picture)
        return QImage();
    if (!m_stillConverter)
        m_stillConverter = std::make_unique<PictureConverter>();
    const Picture& picture = *m_frame.picture;
    QImage image = m_stillConverter->convert(picture, QSize(picture.width, picture.height));
    if (image.isNull())
        return image;
    if (!(m_frame.orientation == PictureOrientation()))
        image = oriented(image, m_frame.orientation);
    if (withSubtitles && subtitlesActive()) {
        // Drawn for this size, then again for the window's.
        const int64_t atMs = m_frame.pts / 1000 - m_subtitleDelayMs;
        m_subtitles->update(atMs, image.size());
        m_subtitles->drawOn(&image);
        m_subtitles->update(atMs, subtitleCanvasSize());
    }
    return image;
}

void MediaSession::tick()
{
    if (!m_run)
        return;
    PlaybackRun* run = m_run.get();
    const int64_t clock = clockUs();
    ShownFrame frame;
    bool pictureChanged = false;
    while (run->pictures.peek(0, &frame)) {
        const bool force = m_showNextFrame;
        if (m_clock.paused() && !force)
            break;
        if (frame.pts > clock + kEarlyUs && !force)
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
        pictureChanged = true;
        break;
    }
    if (m_state == State::Playing && !m_clock.paused())
        run->lateClock.note(run->serial, clock);
    m_statistics.framesDropped += run->picturesSkipped.exchange(0);
    if (drawSubtitles(pictureChanged))
        emit frameChanged();
    // Decoders a track change replaced go back to their plug-ins here, on the GUI thread.
    std::vector<DecoderHandle> retired;
    {
        std::lock_guard<std::mutex> lock(run->seekMutex);
        retired.swap(run->retiredDecoders);
    }
    if (m_state != State::Playing) {
        // Paused with no picture asked for: nothing changes until the next seek or resume,
        // so the timer rests instead of waking the window every few milliseconds.
        if (!m_showNextFrame)
            m_ticker.stop();
        return;
    }
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
        // A file cut short stays where its last picture was; a whole one ends at its end.
        if (run->endedEarly)
            m_clock.freezeAt(m_hasVideo && hasPicture() ? m_frame.pts : clock);
        else
            m_clock.freezeAt(std::max(clock, m_durationUs));
        m_statistics.audioBytesPlayed = run->sound ? run->sound->totalBytesRead() : 0;
        m_ticker.stop();
        setState(State::Ended);
        return;
    }
    ShownFrame next;
    m_ticker.setInterval(nextTickMs(run->pictures.peek(0, &next) ? next.pts : kNoPictureWaiting, clock,
                                    m_clock.rate()));
}

int nextTickMs(int64_t nextPts, int64_t clockUs, double rate)
{
    // A picture waiting is shown when the clock comes within kEarlyUs of it; without one (the
    // decoder is behind) or far ahead, the timer still comes round often enough for the
    // position, subtitles and the end to be noticed in time.
    constexpr int kBehindMs = 5;
    constexpr int kLongestMs = 20;
    if (nextPts == kNoPictureWaiting)
        return kBehindMs;
    const double waitUs = double(nextPts - kEarlyUs - clockUs) / (rate > 0 ? rate : 1.0);
    if (!(waitUs > 1000))
        return 1;
    // Rounded down: the margin kEarlyUs covers the timer waking a little late.
    return int(std::min(std::floor(waitUs / 1000), double(kLongestMs)));
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

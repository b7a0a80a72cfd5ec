#pragma once
// Playback of one address at a time: libavformat reads the file (or http/https address) on a
// thread of its own, one thread per stream decodes through a decoder obtained from the plug-in
// farm, sound goes to the audio output and pictures wait in a queue until the clock reaches
// them. The sound being played is the clock; without sound a system clock stands in.
//
// Everything public is called on the GUI thread.

#include "framequeue.h"
#include "mediadetails.h"
#include "mediatracks.h"
#include "playbackclock.h"

#include <QImage>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <cstdint>
#include <memory>
#include <vector>

struct AVCodecParameters;

namespace MSE {
class PluginContext;
}

namespace MovraReference {

struct PlaybackRun;

// A waiting picture is shown once the clock is this close to its time.
inline constexpr int64_t kEarlyUs = 2000;
inline constexpr int64_t kNoPictureWaiting = INT64_MIN;
// How long the picture timer sleeps: until the next picture waiting (its time nextPts, or
// kNoPictureWaiting) is due at the playback rate, never longer than a few frames' worth.
int nextTickMs(int64_t nextPts, int64_t clockUs, double rate);
class PictureConverter;
class SubtitleRenderer;
struct StillJob;

class MediaSession : public QObject
{
    Q_OBJECT
public:
    enum class State { Idle, Opening, Playing, Paused, Ended, WaitingForCodec, Failed };
    Q_ENUM(State)

    struct Statistics
    {
        int framesShown = 0;
        int framesDropped = 0;
        // Clock minus picture time at the moment each picture was shown, microseconds.
        std::vector<int64_t> avOffsetsUs;
        int64_t audioBytesPlayed = 0;
    };

    explicit MediaSession(MSE::PluginContext* context, QObject* parent = nullptr);
    ~MediaSession() override;

    void open(const QUrl& url);
    void close();

    void pause();
    // Runs on at rate (the playback speed, as setSpeed).
    void resume(double rate = 1.0);
    void togglePause();
    void seek(int64_t positionMs);
    int64_t positionMs();
    int64_t durationMs() const { return m_durationUs / 1000; }
    void setVolume(double volume);
    void setMuted(bool muted);
    double volume() const { return m_volume; }
    bool muted() const { return m_muted; }

    State state() const { return m_state; }
    // Whether seek() can move the position: false until the address is open, and for a live
    // stream that neither seeks nor announces a duration.
    bool isSeekable() const { return m_seekable; }
    QUrl url() const { return m_url; }
    bool hasVideo() const { return m_hasVideo; }
    bool hasAudio() const { return m_hasAudio; }
    // Where pictures are shown, in device pixels: raster pictures are converted straight to
    // the size they take there. Empty (as at first): each at its own size.
    void setPictureArea(QSize devicePixels);
    // The window draws the decoded planes itself (as textures): no raster picture is made,
    // and subtitles come as a clear layer of their own (subtitleLayer).
    void setDrawsPlanes(bool on);
    bool drawsPlanes() const { return m_drawsPlanes; }

    bool hasPicture() const { return m_frame.picture || !m_frame.image.isNull(); }
    // The picture to show now with its subtitles, the picture alone, and its display aspect
    // (width / height). Raster pictures only: null when the window draws the planes.
    QImage currentFrame() const { return m_subtitlesDrawn && !m_drawsPlanes ? m_shown : m_frame.image; }
    QImage videoFrame() const { return m_frame.image; }
    // The decoded picture on screen (null on the raster path, which keeps only its
    // conversion), how it is turned, and the subtitles to lay over it (null when none show;
    // only when the window draws the planes).
    PicturePtr currentPicture() const { return m_frame.picture; }
    PictureOrientation currentOrientation() const { return m_frame.orientation; }
    QImage subtitleLayer() const { return m_subtitlesDrawn && m_drawsPlanes ? m_shown : QImage(); }
    // The picture on screen at the size it was decoded, upright, with or without its
    // subtitles: what a screenshot saves. Only where the picture is held (the window draws
    // the planes); null otherwise.
    QImage pictureAtDecodedSize(bool withSubtitles);
    // Asks for the same, wherever the picture is drawn; answered by
    // pictureAtDecodedSizeReady, never within the call. The raster path holds no decoded
    // picture, so the address is read and the picture decoded again, on a thread of its own
    // (seconds, for 4K far from a key frame); when that cannot be done (the file is gone, a
    // stream that cannot seek) the answer is the picture as shown, at the size shown. False
    // without a picture, and while a picture is being decoded for an earlier request: a
    // second one is refused rather than queued, so that pressing the key again during a slow decode
    // saves one picture, not a row of the same one.
    bool requestPictureAtDecodedSize(bool withSubtitles);
    int64_t currentFramePtsMs() const { return m_frame.pts / 1000; }
    double currentAspect() const;
    // What went wrong with the current address, newest last; empty when nothing did.
    QStringList problems() const { return m_problems; }
    Statistics statistics() const { return m_statistics; }

    // How long opening an address may take, and how long a network read may stall.
    void setNetworkTimeout(int milliseconds) { m_networkTimeoutMs = milliseconds; }

    // Tracks of what is open (audiopath.cpp, subtitlepath.cpp). Indexes are into the lists;
    // -1 is none (subtitles off). A change keeps the position.
    QList<MediaTrack> audioTracks() const { return m_audioTracks; }
    int audioTrack() const { return m_audioTrack; }
    void selectAudioTrack(int index);
    QList<MediaTrack> subtitleTracks() const { return m_subtitleTracks; }
    int subtitleTrack() const { return m_subtitleTrack; }
    void selectSubtitleTrack(int index);
    // Adds a subtitle file as a track and shows it; false (with a notice) when it holds
    // nothing to show.
    bool loadSubtitleFile(const QString& path);
    // Positive: subtitles show later.
    void setSubtitleDelay(int64_t milliseconds);
    int64_t subtitleDelayMs() const { return m_subtitleDelayMs; }
    // Languages ("en", "fra") in order of preference, for the tracks chosen at open.
    void setPreferredLanguages(const QStringList& audio, const QStringList& subtitles);
    // Subtitle files beside a local file, with its base name, load at open (on by default).
    void setLoadsSubtitlesBeside(bool on) { m_loadsSubtitlesBeside = on; }

    // Playback speed, 0.25 to 16; sound keeps its pitch (playbackclock.cpp).
    void setSpeed(double speed);
    double speed() const { return m_speed; }

signals:
    void stateChanged(MovraReference::MediaSession::State state);
    void frameChanged();
    void problemReported(const QString& text);
    void durationChanged(qint64 milliseconds);
    void seekableChanged(bool seekable);
    void tracksChanged();
    void speedChanged(double speed);
    void volumeChanged(double volume);
    void mutedChanged(bool muted);
    // A seek was asked for; the position stands at its target from now on.
    void seeked(qint64 positionMs);
    // The answer to requestPictureAtDecodedSize: the picture, whether it is at its decoded
    // size (false: as shown), and the address and time (microseconds) it is of.
    void pictureAtDecodedSizeReady(const QImage& picture, bool decodedSize, const QUrl& url, qint64 ptsUs);

private:
    friend struct PlaybackRun;
    void onProbed(int runId);
    void onFailed(int runId, const QString& text);
    void onStreamProblem(int runId, const QString& text);
    void onEndedEarly(int runId);
    void setSeekable(bool seekable);
    void tick();
    // Starts the picture timer again when it stopped itself (paused with nothing to show, or
    // ended) and something may have to be shown.
    void wakeTicker();
    int64_t clockUs();
    bool audioIsClock() const;
    void setState(State state);
    void report(const QString& text);
    void stopRun();
    void applyGain();
    // subtitlepath.cpp
    SubtitleRenderer* subtitleRenderer();
    void listTracks();
    void loadSubtitlesBeside();
    bool drawSubtitles(bool pictureChanged);
    bool subtitlesActive() const;
    QSize subtitleCanvasSize() const;
    void forgetTracks();

    MSE::PluginContext* m_context;
    std::unique_ptr<PlaybackRun> m_run;
    int m_nextRunId = 1;
    QUrl m_url;
    State m_state = State::Idle;
    QStringList m_problems;
    QTimer m_ticker;
    ShownFrame m_frame;
    bool m_showNextFrame = false;
    bool m_hasVideo = false;
    bool m_hasAudio = false;
    bool m_seekable = false;
    int64_t m_durationUs = 0;
    PlaybackClock m_clock;
    double m_volume = 1.0;
    bool m_muted = false;
    int m_networkTimeoutMs = 15000;
    Statistics m_statistics;

    double m_speed = 1.0;
    QList<MediaTrack> m_audioTracks;
    QList<MediaTrack> m_subtitleTracks;
    QList<QByteArray> m_subtitleScripts;   // of file tracks; empty for embedded ones
    // Copies of the streams' codec parameters, by stream index, for track changes: the
    // demuxer's own may change while it reads.
    std::vector<AVCodecParameters*> m_streamParameters;
    int m_audioTrack = -1;
    int m_subtitleTrack = -1;
    int64_t m_subtitleDelayMs = 0;
    QStringList m_audioLanguages;
    QStringList m_subtitleLanguages;
    bool m_loadsSubtitlesBeside = true;
    std::unique_ptr<SubtitleRenderer> m_subtitles;
    QImage m_shown;
    bool m_subtitlesDrawn = false;
    QSize m_pictureArea;
    bool m_drawsPlanes = false;
    // Screenshots, on the GUI thread.
    std::unique_ptr<PictureConverter> m_stillConverter;
    // Pictures being decoded again (stilldecoder.cpp): for a screenshot, and for the picture
    // paused on the raster path when the window's size changes.
    std::unique_ptr<StillJob> m_still;
    std::unique_ptr<StillJob> m_reshow;
    bool m_reshowAgain = false;
    QTimer m_reshowDelay;
    bool prepareStill(StillJob* job, QString* why);
    void startStill(StillJob* job);
    void finishStill(StillJob* job);
    void reshowAtPictureArea();
    void answerStillLater(const QImage& picture, bool decodedSize, int64_t ptsUs);
    void abortStill();

    // --- What the controls ask of the open address (media information, chapters, frame
    // stepping, desktop integration). Empty details while nothing has been probed.
public:
    MediaDetails details() const { return m_details.url == m_url && m_state != State::Idle ? m_details : MediaDetails(); }
    QList<ChapterDetails> chapters() const { return details().chapters; }
    // The picture on screen: its time and how long it stays, microseconds (0 without one).
    int64_t currentFramePtsUs() const { return hasPicture() ? m_frame.pts : 0; }
    int64_t currentFrameDurationUs() const { return hasPicture() ? m_frame.duration : 0; }

private:
    MediaDetails m_details;
};

} // namespace MovraReference

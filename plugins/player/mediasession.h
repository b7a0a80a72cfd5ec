#pragma once
// Playback of one address at a time: libavformat reads the file (or http/https address) on a
// thread of its own, one thread per stream decodes through a decoder obtained from the plug-in
// farm, sound goes to the audio output and pictures wait in a queue until the clock reaches
// them. The sound being played is the clock; without sound a system clock stands in.
//
// Everything public is called on the GUI thread.

#include "framequeue.h"
#include "playbackclock.h"

#include <QImage>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <cstdint>
#include <memory>
#include <vector>

namespace MSE {
class PluginContext;
}

namespace MovraReference {

struct PlaybackRun;

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
    // rate scales the clock of pictures without sound; with sound playback runs at 1.0.
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
    QUrl url() const { return m_url; }
    bool hasVideo() const { return m_hasVideo; }
    bool hasAudio() const { return m_hasAudio; }
    // The picture to show now, and its display aspect (width / height).
    QImage currentFrame() const { return m_frame.image; }
    double currentAspect() const;
    // What went wrong with the current address, newest last; empty when nothing did.
    QStringList problems() const { return m_problems; }
    Statistics statistics() const { return m_statistics; }

    // How long opening an address may take, and how long a network read may stall.
    void setNetworkTimeout(int milliseconds) { m_networkTimeoutMs = milliseconds; }

signals:
    void stateChanged(MovraReference::MediaSession::State state);
    void frameChanged();
    void problemReported(const QString& text);
    void durationChanged(qint64 milliseconds);

private:
    friend struct PlaybackRun;
    void onProbed(int runId);
    void onFailed(int runId, const QString& text);
    void onStreamProblem(int runId, const QString& text);
    void tick();
    int64_t clockUs();
    bool audioIsClock() const;
    void setState(State state);
    void report(const QString& text);
    void stopRun();
    void applyGain();

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
    int64_t m_durationUs = 0;
    PlaybackClock m_clock;
    double m_volume = 1.0;
    bool m_muted = false;
    int m_networkTimeoutMs = 15000;
    Statistics m_statistics;
};

} // namespace MovraReference

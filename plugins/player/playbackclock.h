#pragma once
// The clocks of playback. While sound plays, the sound being heard is the clock; otherwise a
// system clock stands in: an anchor time plus the time elapsed since it, times the rate. A
// paused (or finished) run's clock stands still at the time it was frozen at.

#include <QElapsedTimer>

#include <cstdint>

namespace MovraReference {

class AudioBuffer;
class AudioOutput;

class PlaybackClock
{
public:
    // Back to zero, at rate 1, running.
    void reset();
    // The system clock runs on from us, starting now.
    void startAt(int64_t us);
    // Where the system clock stands now.
    int64_t systemUs() const;
    // Moves the clock to us: the system clock runs from there, and a frozen clock shows it.
    void seekTo(int64_t us);

    void pauseAt(int64_t us);
    // Runs on from where the clock was frozen.
    void resume();
    bool paused() const { return m_paused; }
    // Holds the time shown while the clock stands still (paused or finished).
    void freezeAt(int64_t us) { m_frozenUs = us; }
    int64_t frozenUs() const { return m_frozenUs; }

    double rate() const { return m_rate; }
    void setRate(double rate) { m_rate = rate; }

private:
    QElapsedTimer m_sinceAnchor;
    int64_t m_anchorUs = 0;
    double m_rate = 1.0;
    bool m_paused = false;
    int64_t m_frozenUs = 0;
};

// The time of the sound being heard now: what the output has read minus what it still holds,
// at the playback rate.
int64_t heardUs(const AudioBuffer& sound, AudioOutput& output, double rate);

} // namespace MovraReference

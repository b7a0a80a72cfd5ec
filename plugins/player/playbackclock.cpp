#include "playbackclock.h"

#include "mediasession.h"
#include "playbackrun.h"

#include <algorithm>

namespace MovraReference {

void PlaybackClock::reset()
{
    m_paused = false;
    m_rate = 1.0;
    m_anchorUs = 0;
}

void PlaybackClock::startAt(int64_t us)
{
    m_anchorUs = us;
    m_sinceAnchor.restart();
}

int64_t PlaybackClock::systemUs() const
{
    return m_anchorUs + int64_t(double(m_sinceAnchor.nsecsElapsed()) / 1000.0 * m_rate);
}

void PlaybackClock::seekTo(int64_t us)
{
    startAt(us);
    m_frozenUs = us;
}

void PlaybackClock::pauseAt(int64_t us)
{
    m_frozenUs = us;
    m_paused = true;
}

void PlaybackClock::resume()
{
    m_paused = false;
    startAt(m_frozenUs);
}

int64_t heardUs(const AudioBuffer& sound, AudioOutput& output, double rate)
{
    // The output's latency is in time heard; at another speed it stands for more or less of
    // the media.
    return sound.readPts() - int64_t(double(output.latencyUs()) * rate);
}

bool MediaSession::audioIsClock() const
{
    // The sound is stretched to the speed and carries media time, so it stays the clock at
    // any speed.
    return m_run && m_run->output && !(m_run->audio.endedSerial == m_run->serial && m_run->sound->available() == 0);
}

void MediaSession::setSpeed(double speed)
{
    speed = std::clamp(speed, 0.25, 16.0);
    if (speed == m_speed)
        return;
    // The clock runs on from where it stands, at the new rate.
    if (m_state == State::Playing)
        m_clock.startAt(clockUs());
    m_speed = speed;
    m_clock.setRate(speed);
    if (m_run)
        m_run->tempo = speed;
    emit speedChanged(speed);
}

int64_t MediaSession::clockUs()
{
    if (m_clock.paused() || m_state == State::Ended)
        return m_clock.frozenUs();
    if (audioIsClock()) {
        const int64_t heard = heardUs(*m_run->sound, *m_run->output, m_clock.rate());
        m_clock.startAt(heard);
        return heard;
    }
    return m_clock.systemUs();
}

} // namespace MovraReference

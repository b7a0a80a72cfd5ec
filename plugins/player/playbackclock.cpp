#include "playbackclock.h"

#include "mediasession.h"
#include "playbackrun.h"

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

int64_t heardUs(const AudioBuffer& sound, AudioOutput& output)
{
    return sound.readPts() - output.latencyUs();
}

bool MediaSession::audioIsClock() const
{
    return m_run && m_run->output && m_clock.rate() == 1.0
           && !(m_run->audio.endedSerial == m_run->serial && m_run->sound->available() == 0);
}

int64_t MediaSession::clockUs()
{
    if (m_clock.paused() || m_state == State::Ended)
        return m_clock.frozenUs();
    if (audioIsClock()) {
        const int64_t heard = heardUs(*m_run->sound, *m_run->output);
        m_clock.startAt(heard);
        return heard;
    }
    return m_clock.systemUs();
}

} // namespace MovraReference

#pragma once
// Decoded sound on its way to the output: 16-bit interleaved samples in chunks that remember
// their time stamps. The output's reading position is the master clock of playback.

#include <QByteArray>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

namespace MovraReference {

class AudioBuffer
{
public:
    AudioBuffer(int sampleRate, int channels, int capacityMs);

    int sampleRate() const { return m_sampleRate; }
    int channels() const { return m_channels; }
    int bytesPerSecond() const { return m_sampleRate * m_channels * 2; }

    // Waits for room; false when aborted or stale (the chunk is then dropped). rate: media
    // seconds each second of these samples stands for (time-stretched sound at other speeds),
    // so that the reading position stays in the media's time.
    bool put(int64_t pts, QByteArray pcm, int serial, double rate = 1.0);
    // Copies up to maxBytes (whole sample frames) to out with the gain applied; 0 when empty.
    int64_t read(char* out, int64_t maxBytes);
    int64_t available() const;
    // Microseconds of the next sample to be read; where playback stands.
    int64_t readPts() const;
    int64_t totalBytesRead() const;

    // Drops everything and starts over at pts with a new serial (a seek).
    void reset(int serial, int64_t pts);
    void abort();
    void setGain(double gain) { m_gain.store(gain); }

private:
    struct Chunk
    {
        int64_t pts;
        QByteArray pcm;
        int64_t offset;
        double rate;
    };

    int64_t mediaUs(const Chunk& chunk, int64_t bytes) const;

    const int m_sampleRate;
    const int m_channels;
    const int64_t m_capacityBytes;
    mutable std::mutex m_mutex;
    std::condition_variable m_room;
    std::deque<Chunk> m_chunks;
    int64_t m_bytes = 0;
    int64_t m_readPts = 0;
    int64_t m_totalRead = 0;
    int m_serial = 0;
    bool m_aborted = false;
    std::atomic<double> m_gain{1.0};
};

} // namespace MovraReference

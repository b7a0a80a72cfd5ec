#include "audiobuffer.h"

#include <algorithm>
#include <cstring>

namespace MovraReference {

AudioBuffer::AudioBuffer(int sampleRate, int channels, int capacityMs)
    : m_sampleRate(sampleRate), m_channels(channels),
      m_capacityBytes(int64_t(sampleRate) * channels * 2 * capacityMs / 1000)
{
}

bool AudioBuffer::put(int64_t pts, QByteArray pcm, int serial, double rate)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    // A chunk larger than the whole capacity is still let in once the buffer is empty.
    m_room.wait(lock, [&] {
        return m_aborted || serial != m_serial || m_bytes == 0 || m_bytes + pcm.size() <= m_capacityBytes;
    });
    if (m_aborted || serial != m_serial)
        return false;
    if (m_chunks.empty() && m_bytes == 0)
        m_readPts = pts;
    m_bytes += pcm.size();
    m_chunks.push_back(Chunk{pts, std::move(pcm), 0, rate});
    return true;
}

int64_t AudioBuffer::mediaUs(const Chunk& chunk, int64_t bytes) const
{
    if (chunk.rate == 1.0)
        return bytes * 1000000LL / bytesPerSecond();
    return int64_t(double(bytes) * 1e6 * chunk.rate / bytesPerSecond());
}

int64_t AudioBuffer::read(char* out, int64_t maxBytes)
{
    const int frameBytes = m_channels * 2;
    maxBytes -= maxBytes % frameBytes;
    const double gain = m_gain.load();
    std::lock_guard<std::mutex> lock(m_mutex);
    int64_t done = 0;
    while (done < maxBytes && !m_chunks.empty()) {
        Chunk& chunk = m_chunks.front();
        const int64_t n = std::min<int64_t>(maxBytes - done, chunk.pcm.size() - chunk.offset);
        const char* from = chunk.pcm.constData() + chunk.offset;
        if (gain == 1.0) {
            std::memcpy(out + done, from, size_t(n));
        } else {
            for (int64_t i = 0; i + 1 < n; i += 2) {
                int16_t sample;
                std::memcpy(&sample, from + i, 2);
                sample = int16_t(std::clamp(double(sample) * gain, -32768.0, 32767.0));
                std::memcpy(out + done + i, &sample, 2);
            }
        }
        chunk.offset += n;
        done += n;
        m_bytes -= n;
        if (chunk.offset >= chunk.pcm.size()) {
            const int64_t endPts = chunk.pts + mediaUs(chunk, chunk.pcm.size());
            m_chunks.pop_front();   // chunk is gone from here on
            m_readPts = m_chunks.empty() ? endPts : m_chunks.front().pts;
        } else {
            m_readPts = chunk.pts + mediaUs(chunk, chunk.offset);
        }
    }
    m_totalRead += done;
    if (done > 0)
        m_room.notify_all();
    return done;
}

int64_t AudioBuffer::available() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bytes;
}

int64_t AudioBuffer::readPts() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_readPts;
}

int64_t AudioBuffer::totalBytesRead() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_totalRead;
}

void AudioBuffer::reset(int serial, int64_t pts)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_chunks.clear();
    m_bytes = 0;
    m_serial = serial;
    m_readPts = pts;
    m_room.notify_all();
}

void AudioBuffer::abort()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_aborted = true;
    m_room.notify_all();
}

} // namespace MovraReference

#pragma once
// Pictures decoded ahead of the clock, ready to be shown. Bounded: the decoder's thread waits
// while it is full, so a fast decoder cannot fill memory.

#include <QImage>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

namespace MovraReference {

struct ShownFrame
{
    QImage image;
    int64_t pts = 0;        // microseconds
    int64_t duration = 0;   // microseconds
    double aspect = 0;      // display width / height; 0: from the image
    int serial = 0;
};

class FrameQueue
{
public:
    explicit FrameQueue(std::size_t capacity) : m_capacity(capacity) {}

    // Waits for room; false when aborted or when the frame belongs to a stale serial (it is
    // then dropped).
    bool put(ShownFrame frame)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_room.wait(lock, [this, &frame] {
            return m_aborted || frame.serial != m_serial || m_frames.size() < m_capacity;
        });
        if (m_aborted || frame.serial != m_serial)
            return false;
        m_frames.push_back(std::move(frame));
        return true;
    }

    // Looks at the frame at index without taking it.
    bool peek(std::size_t index, ShownFrame* out) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (index >= m_frames.size())
            return false;
        *out = m_frames[index];
        return true;
    }

    void pop()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_frames.empty())
            m_frames.pop_front();
        m_room.notify_all();
    }

    // Forgets every frame and refuses those of older serials from now on.
    void reset(int serial)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_frames.clear();
        m_serial = serial;
        m_room.notify_all();
    }

    bool empty() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_frames.empty();
    }

    void abort()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_aborted = true;
        m_room.notify_all();
    }

private:
    const std::size_t m_capacity;
    mutable std::mutex m_mutex;
    std::condition_variable m_room;
    std::deque<ShownFrame> m_frames;
    int m_serial = 0;
    bool m_aborted = false;
};

} // namespace MovraReference

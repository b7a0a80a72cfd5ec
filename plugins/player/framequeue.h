#pragma once
// Pictures decoded ahead of the clock, ready to be shown. Bounded in bytes: the decoder's
// thread waits while it is full, so a fast decoder cannot fill memory whatever the pictures'
// size.

#include "picture.h"

#include <QImage>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

namespace MovraReference {

struct ShownFrame
{
    // Where the window draws the planes itself: the decoded picture. Otherwise only its
    // conversion at the size it is shown, turned upright: the decoder's picture goes back to
    // it as soon as it is converted, so that its pool stays as small as its own references
    // need (a screenshot at the decoded size decodes the picture again).
    PicturePtr picture;
    PictureOrientation orientation;
    QImage image;
    QSize decodedSize;   // before it is turned
    int64_t pts = 0;        // microseconds
    int64_t duration = 0;   // microseconds
    double aspect = 0;      // display width / height; 0: from the image
    int serial = 0;

    std::size_t bytes() const { return (picture ? picture->bytes : 0) + std::size_t(image.sizeInBytes()); }
};

class FrameQueue
{
public:
    // At most capacityBytes of pictures wait, but always room for atLeast pictures, and never
    // more than atMost (small pictures would otherwise run seconds ahead of what is shown).
    FrameQueue(std::size_t capacityBytes, std::size_t atLeast, std::size_t atMost)
        : m_capacity(capacityBytes), m_atLeast(atLeast), m_atMost(atMost)
    {
    }

    // Waits for room; false when aborted or when the frame belongs to a stale serial (it is
    // then dropped).
    bool put(ShownFrame frame)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        const std::size_t bytes = frame.bytes();
        m_room.wait(lock, [this, &frame, bytes] { return m_aborted || frame.serial != m_serial || hasRoom_locked(bytes); });
        if (m_aborted || frame.serial != m_serial)
            return false;
        m_bytes += bytes;
        m_frames.push_back(std::move(frame));
        return true;
    }

    // As put, but answers false at once when there is no room.
    bool tryPut(ShownFrame frame)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const std::size_t bytes = frame.bytes();
        if (m_aborted || frame.serial != m_serial || !hasRoom_locked(bytes))
            return false;
        m_bytes += bytes;
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
        if (!m_frames.empty()) {
            m_bytes -= m_frames.front().bytes();
            m_frames.pop_front();
        }
        m_room.notify_all();
    }

    // Forgets every frame and refuses those of older serials from now on.
    void reset(int serial)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_frames.clear();
        m_bytes = 0;
        m_serial = serial;
        m_room.notify_all();
    }

    bool empty() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_frames.empty();
    }

    std::size_t size() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_frames.size();
    }

    std::size_t bytes() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_bytes;
    }

    void abort()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_aborted = true;
        m_room.notify_all();
    }

private:
    bool hasRoom_locked(std::size_t bytes) const
    {
        return m_frames.size() < m_atLeast || (m_frames.size() < m_atMost && m_bytes + bytes <= m_capacity);
    }

    const std::size_t m_capacity;
    const std::size_t m_atLeast;
    const std::size_t m_atMost;
    std::size_t m_bytes = 0;
    mutable std::mutex m_mutex;
    std::condition_variable m_room;
    std::deque<ShownFrame> m_frames;
    int m_serial = 0;
    bool m_aborted = false;
};

} // namespace MovraReference

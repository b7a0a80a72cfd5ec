#pragma once
// Compressed packets waiting for one stream's decoder. The demuxer fills it, the decoder's
// thread drains it. Markers travel in order with the packets: a flush after a seek, the end
// of the stream.

extern "C" {
#include <libavcodec/packet.h>
}

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

namespace MovraReference {

class PacketQueue
{
public:
    enum class Kind { Packet, Flush, End };

    struct Item
    {
        Kind kind = Kind::Packet;
        AVPacket* packet = nullptr;   // owned by whoever holds the item
        int serial = 0;
        int64_t target = 0;           // Flush: microseconds the seek aimed at
    };

    PacketQueue() = default;
    PacketQueue(const PacketQueue&) = delete;
    PacketQueue& operator=(const PacketQueue&) = delete;
    ~PacketQueue() { clear(); }

    // Takes over packet.
    void putPacket(AVPacket* packet, int serial)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bytes += packet->size;
        m_duration += packet->duration;
        m_items.push_back(Item{Kind::Packet, packet, serial, 0});
        m_ready.notify_one();
    }

    // Drops every packet still waiting and puts the marker in their place.
    void putMarker(Kind kind, int serial, bool dropWaiting, int64_t target = 0)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (dropWaiting)
            clear_locked();
        m_items.push_back(Item{kind, nullptr, serial, target});
        m_ready.notify_one();
    }

    // Waits for the next item; false once aborted.
    bool take(Item* out)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_ready.wait(lock, [this] { return m_aborted || !m_items.empty(); });
        if (m_aborted)
            return false;
        *out = m_items.front();
        m_items.pop_front();
        if (out->packet) {
            m_bytes -= out->packet->size;
            m_duration -= out->packet->duration;
        }
        return true;
    }

    void abort()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_aborted = true;
        m_ready.notify_all();
    }

    void clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        clear_locked();
    }

    int64_t bytes() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_bytes;
    }
    std::size_t count() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_items.size();
    }

private:
    void clear_locked()
    {
        for (Item& item : m_items)
            av_packet_free(&item.packet);
        m_items.clear();
        m_bytes = 0;
        m_duration = 0;
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Item> m_items;
    int64_t m_bytes = 0;
    int64_t m_duration = 0;
    bool m_aborted = false;
};

} // namespace MovraReference

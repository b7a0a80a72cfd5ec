#pragma once
// Compressed packets waiting for one stream's decoder. The demuxer fills it, the decoder's
// thread drains it. Markers travel in order with the packets: a flush after a seek, the end
// of the stream. The queue knows how many bytes and how much time it holds, which is what
// bounds reading ahead: a count of packets says little when one 4K key frame weighs as much
// as a thousand sound packets.

extern "C" {
#include <libavcodec/packet.h>
#include <libavutil/avutil.h>
}

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

namespace MovraReference {

// A wake-up call for a thread that waits for any of several things to change (room in a
// queue, a seek, the end of the run). A waiter notes the generation, checks its conditions
// and waits only if the generation is still the one it noted, so no call is lost in between.
class WakeSignal
{
public:
    uint64_t generation() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_generation;
    }
    void notify()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_generation;
        }
        m_changed.notify_all();
    }
    void waitPast(uint64_t seen)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return m_generation != seen; });
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    uint64_t m_generation = 0;
};

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

    // Told whenever a packet leaves the queue (room for more) and when the queue is aborted.
    // Set before any thread uses the queue.
    void setRoomSignal(WakeSignal* signal) { m_roomSignal = signal; }

    // Takes over packet.
    void putPacket(AVPacket* packet, int serial)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bytes += packet->size;
        m_duration += std::max<int64_t>(packet->duration, 0);
        ++m_packets;
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
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_ready.wait(lock, [this] { return m_aborted || !m_items.empty(); });
            if (m_aborted)
                return false;
            *out = m_items.front();
            m_items.pop_front();
            if (out->packet) {
                m_bytes -= out->packet->size;
                m_duration -= std::max<int64_t>(out->packet->duration, 0);
                --m_packets;
            }
        }
        if (out->packet && m_roomSignal)
            m_roomSignal->notify();
        return true;
    }

    void abort()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_aborted = true;
            m_ready.notify_all();
        }
        if (m_roomSignal)
            m_roomSignal->notify();
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

    // Microseconds of media waiting: the packets' own durations, or the distance between the
    // oldest and newest time stamps where the packets say no duration (or less than that
    // distance). AV_NOPTS_VALUE when nothing waiting tells its time.
    int64_t queuedUs() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        int64_t first = AV_NOPTS_VALUE;
        int64_t last = AV_NOPTS_VALUE;
        for (const Item& item : m_items) {
            if (!item.packet)
                continue;
            const int64_t at = item.packet->dts != AV_NOPTS_VALUE ? item.packet->dts : item.packet->pts;
            if (at == AV_NOPTS_VALUE)
                continue;
            if (first == AV_NOPTS_VALUE)
                first = at;
            last = at + std::max<int64_t>(item.packet->duration, 0);
        }
        if (first == AV_NOPTS_VALUE && m_duration == 0)
            return AV_NOPTS_VALUE;
        const int64_t span = first != AV_NOPTS_VALUE ? last - first : 0;
        return std::max(m_duration, span);
    }

    // Packets waiting (markers left out).
    std::size_t packets() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_packets;
    }

private:
    void clear_locked()
    {
        for (Item& item : m_items)
            av_packet_free(&item.packet);
        m_items.clear();
        m_bytes = 0;
        m_duration = 0;
        m_packets = 0;
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Item> m_items;
    int64_t m_bytes = 0;
    int64_t m_duration = 0;
    std::size_t m_packets = 0;
    bool m_aborted = false;
    WakeSignal* m_roomSignal = nullptr;
};

} // namespace MovraReference

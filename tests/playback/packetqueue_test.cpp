// The packet queues between the demuxer and the decoders: what they hold in bytes and time,
// and when reading ahead may rest.

#include "playbackrun.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace MovraReference;

namespace {

AVPacket* packetOf(int size, int64_t dts, int64_t duration)
{
    AVPacket* packet = av_packet_alloc();
    av_new_packet(packet, size);
    packet->dts = dts;
    packet->pts = dts;
    packet->duration = duration;
    return packet;
}

// `count` packets of `size` bytes, `step` µs apart, from time 0 (or without times).
void fill(PacketQueue& queue, int count, int size, int64_t step, bool timed = true, bool withDuration = true)
{
    for (int i = 0; i < count; ++i)
        queue.putPacket(packetOf(size, timed ? i * step : AV_NOPTS_VALUE, withDuration ? step : 0), 0);
}

TEST(PacketQueue, KnowsTheTimeItHoldsWithOrWithoutPacketDurations)
{
    struct Case
    {
        const char* name;
        bool timed;
        bool withDuration;
        int64_t expected;
    };
    for (const Case& c : {Case{"durations", true, true, 1000000}, Case{"time stamps only", true, false, 960000},
                          Case{"durations without time stamps", false, true, 1000000},
                          Case{"nothing to tell the time by", false, false, AV_NOPTS_VALUE}}) {
        PacketQueue queue;
        fill(queue, 25, 100, 40000, c.timed, c.withDuration);
        EXPECT_EQ(queue.queuedUs(), c.expected) << c.name;
        EXPECT_EQ(queue.bytes(), 2500) << c.name;
        // Taking packets takes their time and bytes with them.
        PacketQueue::Item item;
        ASSERT_TRUE(queue.take(&item));
        av_packet_free(&item.packet);
        EXPECT_EQ(queue.bytes(), 2400) << c.name;
        if (c.expected != AV_NOPTS_VALUE) {
            EXPECT_EQ(queue.queuedUs(), c.expected - 40000) << c.name;
        }
        // A flush drops what waits; the marker itself holds nothing.
        queue.putMarker(PacketQueue::Kind::Flush, 1, true);
        EXPECT_EQ(queue.bytes(), 0) << c.name;
        EXPECT_EQ(queue.packets(), 0u) << c.name;
        EXPECT_EQ(queue.queuedUs(), AV_NOPTS_VALUE) << c.name;
    }
}

TEST(PacketQueue, ReadingAheadRestsOnTimeAndBytesNotOnPacketCounts)
{
    struct Case
    {
        const char* name;
        // Per stream: packets, bytes each, µs apart; 0 packets and -1 µs: no such stream.
        int videoPackets, videoSize;
        int64_t videoStep;
        int audioPackets, audioSize;
        int64_t audioStep;
        bool enough;
    };
    const Case cases[] = {
        {"a second of each", 31, 20000, 33333, 50, 200, 20000, true},
        // Many small sound packets are still too little time: reading goes on.
        {"many packets, little time", 60, 20000, 33333, 60, 200, 10000, false},
        // A high-bit-rate 4K stream stops at the byte bound long before a count of packets.
        {"4K at the byte bound", 20, 900 * 1024, 33333, 5, 200, 20000, true},
        {"4K below the byte bound", 10, 900 * 1024, 33333, 5, 200, 20000, false},
        {"sound alone, a second", 0, 0, -1, 50, 200, 20000, true},
        {"sound alone, half a second", 0, 0, -1, 25, 200, 20000, false},
        {"video alone", 31, 20000, 33333, 0, 0, -1, true},
        {"video waiting, no sound yet", 40, 20000, 33333, 0, 200, 20000, false},
    };
    for (const Case& c : cases) {
        PacketQueue video;
        PacketQueue audio;
        fill(video, c.videoPackets, c.videoSize, std::max<int64_t>(c.videoStep, 0));
        fill(audio, c.audioPackets, c.audioSize, std::max<int64_t>(c.audioStep, 0));
        EXPECT_EQ(readAheadIsEnough(c.videoStep < 0 ? nullptr : &video, c.audioStep < 0 ? nullptr : &audio), c.enough)
            << c.name;
    }
    // Packets that tell no time at all fall back to a count.
    PacketQueue untimed;
    fill(untimed, int(kEnoughPackets) - 1, 100, 0, false, false);
    EXPECT_FALSE(readAheadIsEnough(nullptr, &untimed));
    fill(untimed, 1, 100, 0, false, false);
    EXPECT_TRUE(readAheadIsEnough(nullptr, &untimed));
}

// The demuxer rests on the queues' room signal instead of looking every few milliseconds:
// taking a packet or aborting must wake it.
TEST(PacketQueue, TakingAndAbortingWakeTheReader)
{
    WakeSignal wake;
    PacketQueue queue;
    queue.setRoomSignal(&wake);
    fill(queue, 3, 10, 1000);
    const uint64_t before = wake.generation();
    std::thread reader([&] { wake.waitPast(before); });
    PacketQueue::Item item;
    ASSERT_TRUE(queue.take(&item));
    av_packet_free(&item.packet);
    reader.join();
    EXPECT_NE(wake.generation(), before);

    const uint64_t beforeAbort = wake.generation();
    std::thread waiter([&] { wake.waitPast(beforeAbort); });
    queue.abort();
    waiter.join();
    EXPECT_FALSE(queue.take(&item));
}

} // namespace

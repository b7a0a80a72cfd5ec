// The sound buffer whose reading position is the playback clock.

#include "audiobuffer.h"
#include "support/waitfor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

using MovraReference::AudioBuffer;

namespace {

// 1000 samples a second, one channel: one sample is 2 bytes and 1000 µs.
QByteArray samples(int count, int16_t value)
{
    QByteArray pcm(count * 2, '\0');
    for (int i = 0; i < count; ++i)
        std::memcpy(pcm.data() + 2 * i, &value, 2);
    return pcm;
}

TEST(AudioBuffer, TheReadingPositionFollowsTheChunksTimeStamps)
{
    AudioBuffer buffer(1000, 1, 1000);
    ASSERT_TRUE(buffer.put(5000, samples(10, 1), 0));
    // A gap between chunks (a stream that skips) moves the clock to the next chunk's time.
    ASSERT_TRUE(buffer.put(40000, samples(10, 2), 0));
    EXPECT_EQ(buffer.readPts(), 5000);

    struct Step
    {
        const char* name;
        int64_t bytes;
        int64_t got;
        int64_t pts;
    };
    char out[64];
    for (const Step& step : {Step{"part of the first", 8, 8, 9000}, Step{"odd byte counts round down", 3, 2, 10000},
                             Step{"to the end of the first", 10, 10, 40000}, Step{"all of the rest", 64, 20, 50000},
                             Step{"nothing left", 64, 0, 50000}}) {
        SCOPED_TRACE(step.name);
        EXPECT_EQ(buffer.read(out, step.bytes), step.got);
        EXPECT_EQ(buffer.readPts(), step.pts);
    }
    EXPECT_EQ(buffer.totalBytesRead(), 40);
}

TEST(AudioBuffer, ASeekDropsWhatWasQueuedAndRefusesTheOldSerial)
{
    AudioBuffer buffer(1000, 1, 1000);
    ASSERT_TRUE(buffer.put(0, samples(100, 7), 0));
    buffer.reset(1, 700000);
    EXPECT_EQ(buffer.available(), 0);
    EXPECT_EQ(buffer.readPts(), 700000);
    EXPECT_FALSE(buffer.put(100000, samples(10, 7), 0));
    EXPECT_EQ(buffer.available(), 0);
    EXPECT_TRUE(buffer.put(700000, samples(10, 7), 1));
    EXPECT_EQ(buffer.available(), 20);
}

TEST(AudioBuffer, AFullBufferHoldsTheWriterUntilReadOrSeek)
{
    AudioBuffer buffer(1000, 1, 100);   // 100 samples
    ASSERT_TRUE(buffer.put(0, samples(100, 1), 0));
    bool accepted = true;
    std::atomic<bool> writing{false};
    std::atomic<bool> readBegun{false};
    bool returnedBeforeRead = false;
    std::thread writer([&] {
        writing = true;
        accepted = buffer.put(100000, samples(50, 1), 0);
        returnedBeforeRead = !readBegun;
    });
    ASSERT_TRUE(MovraTest::waitFor([&] { return writing.load(); }, 10000));
    // A writer that does not wait returns in the meantime; one that waits cannot.
    EXPECT_FALSE(MovraTest::waitFor([&] { return buffer.available() > 200; }, 100));
    char out[100];
    readBegun = true;
    EXPECT_EQ(buffer.read(out, 100), 100);   // room for the waiting writer
    writer.join();
    EXPECT_FALSE(returnedBeforeRead) << "the writer went on while the buffer was full";
    EXPECT_TRUE(accepted);
    EXPECT_EQ(buffer.available(), 200);

    EXPECT_EQ(buffer.read(out, 100), 100);
    ASSERT_TRUE(buffer.put(150000, samples(10, 1), 0));   // 200 bytes again: full
    std::thread stale([&] { accepted = buffer.put(210000, samples(50, 1), 0); });
    buffer.reset(1, 0);   // a seek lets the old writer go without taking its chunk
    stale.join();
    EXPECT_FALSE(accepted);
    EXPECT_EQ(buffer.available(), 0);
}

TEST(AudioBuffer, GainScalesAndClipsTheSamples)
{
    AudioBuffer buffer(1000, 1, 1000);
    struct Row
    {
        double gain;
        int16_t in, out;
    };
    for (const Row& row : {Row{1.0, 1000, 1000}, Row{0.5, 1000, 500}, Row{0.0, -1000, 0}, Row{2.0, 30000, 32767},
                           Row{2.0, -30000, -32768}}) {
        SCOPED_TRACE(row.gain);
        buffer.setGain(row.gain);
        ASSERT_TRUE(buffer.put(0, samples(1, row.in), 0));
        int16_t got = 0;
        ASSERT_EQ(buffer.read(reinterpret_cast<char*>(&got), 2), 2);
        EXPECT_EQ(got, row.out);
    }
}

} // namespace

#pragma once
// Plays sound faster or slower without changing its pitch: libavfilter's atempo time-stretches
// 16-bit interleaved samples. One object serves one stream on one thread.

#include <QByteArray>

#include <cstdint>

struct AVFilterGraph;
struct AVFilterContext;
struct AVFrame;

namespace MovraReference {

// The file name of the filter library, opened only once a speed other than 1 is asked for.
extern const char* const kFilterLibraryName;

class AudioTempo
{
public:
    AudioTempo(int sampleRate, int channels);
    ~AudioTempo();
    AudioTempo(const AudioTempo&) = delete;
    AudioTempo& operator=(const AudioTempo&) = delete;

    // 1.0 lets samples through untouched. Changing it drops the few milliseconds the filter
    // holds.
    bool setTempo(double tempo);
    double tempo() const { return m_tempo; }

    // Stretches pcm, whose first sample plays at ptsUs of the media. Returns the samples that
    // are ready (the filter keeps some back) and, in outPtsUs, where in the media they start.
    QByteArray process(const QByteArray& pcm, int64_t ptsUs, int64_t* outPtsUs);
    // At the end of the stream: what the filter still holds.
    QByteArray finish(int64_t* outPtsUs);
    // Forgets what the filter holds (after a seek).
    void reset();

private:
    bool build();
    QByteArray drain(int64_t* outPtsUs);
    void release();

    const int m_sampleRate;
    const int m_channels;
    double m_tempo = 1.0;
    AVFilterGraph* m_graph = nullptr;
    AVFilterContext* m_source = nullptr;
    AVFilterContext* m_sink = nullptr;
    AVFrame* m_frame = nullptr;
    // Media time of the first sample fed since the last reset, and how many came out since.
    int64_t m_basePtsUs = INT64_MIN;
    int64_t m_samplesOut = 0;
    int64_t m_samplesIn = 0;
};

} // namespace MovraReference

#pragma once
// Where decoded sound goes: a sound device through Qt Multimedia, or, when
// MOVRA_AUDIO_OUTPUT=wav:PATH is set (machines without a sound device), a WAV file written at
// the pace a device would play it.

#include <QString>

#include <cstdint>
#include <memory>

namespace MovraReference {

class AudioBuffer;

class AudioOutput
{
public:
    virtual ~AudioOutput() {}
    // False with a reason when the output cannot play.
    virtual bool start(QString* error) = 0;
    virtual void setPaused(bool paused) = 0;
    // Microseconds of sound read from the buffer but not heard yet.
    virtual int64_t latencyUs() = 0;
    virtual void stop() = 0;
};

struct AudioOutputChoice
{
    std::unique_ptr<AudioOutput> output;   // null: play without sound
    int sampleRate = 0;                    // the rate and channel count the buffer must carry
    int channels = 0;
    QString warning;                       // why there is no output
};

// Picks the output for a stream of the given rate and channels. The buffer is made by the
// caller for the rate and channels of the answer, then handed to the output's start.
AudioOutputChoice chooseAudioOutput(int sampleRate, int channels);
void attachAudioBuffer(AudioOutput* output, std::shared_ptr<AudioBuffer> buffer);

} // namespace MovraReference

#pragma once
// What the playback tests share: the generated media, a farm of real decoder plug-ins, waiting
// on the event loop, and reading back what the WAV output wrote.

#include "framework/farm.h"
#include "support/waitfor.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace playbacktest {

// How long a test waits for the real player, started as a process, to reach a state: a
// sanitizer build starts and decodes several times slower.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kPlayerWaitMs = 120000;
#else
constexpr int kPlayerWaitMs = 40000;
#endif

QString media(const char* name);
QString appDir();
QString componentsDir();

// A farm of its own that knows the shipped decoders and, when asked, the codec components.
std::unique_ptr<MSE::Farm> makeFarm(bool withComponents, const QStringList& extraFolders = {});
std::size_t loadedLibraries(MSE::Farm& farm);

// Runs the event loop until the condition holds or the time is up; answers whether it held.
using MovraTest::waitFor;

struct Wav
{
    int sampleRate = 0;
    int channels = 0;
    std::vector<int16_t> firstChannel;
    double seconds() const { return sampleRate ? double(firstChannel.size()) / sampleRate : 0; }
};
bool readWav(const QString& path, Wav* out);
// Frequency from the zero crossings of the samples.
double frequencyOf(const std::vector<int16_t>& samples, int sampleRate);
// Mean absolute difference per channel value of two RGB24 pictures of one size.
double meanDifference(const QByteArray& a, const QByteArray& b);

} // namespace playbacktest

#include "playbacksupport.h"

#include <QCoreApplication>
#include <QFile>

#include <boost/thread/recursive_mutex.hpp>

#include <cstring>

namespace playbacktest {

QString media(const char* name)
{
    return QStringLiteral(MOVRA_TEST_MEDIA_DIR "/") + QLatin1String(name);
}

QString appDir()
{
    return QStringLiteral(MOVRA_TEST_APP_DIR);
}

QString componentsDir()
{
    return QStringLiteral(MOVRA_TEST_COMPONENTS_DIR);
}

std::unique_ptr<MSE::Farm> makeFarm(bool withComponents, const QStringList& extraFolders)
{
    // Discarding a test's farm must not wait for the cleaner thread to end: one farm stays.
    static MSE::Farm* const anchor = new MSE::Farm;
    (void)anchor;
    auto farm = std::make_unique<MSE::Farm>();
    QStringList folders = extraFolders;
    if (extraFolders.isEmpty())
        folders << appDir() + QStringLiteral("/MSEPlugins");
    if (withComponents) {
        for (const char* component : {"MPC", "AVCCodec", "HEVCCodec", "MPEG4Decoder"})
            folders << componentsDir() + QLatin1Char('/') + QLatin1String(component);
    }
    for (const QString& folder : folders)
        farm->discoverPlugins(MSE::movra_string<wchar_t>(folder.toStdWString().c_str()));
    return farm;
}

std::size_t loadedLibraries(MSE::Farm& farm)
{
    boost::recursive_mutex::scoped_lock lock(farm.farmLock);
    return farm.libraries.size();
}

namespace {
uint32_t le(const char* p, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | uint8_t(p[i]);
    return v;
}
} // namespace

bool readWav(const QString& path, Wav* out)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = file.readAll();
    if (data.size() < 44 || !data.startsWith("RIFF") || data.mid(8, 4) != "WAVE")
        return false;
    const char* p = data.constData();
    out->channels = int(le(p + 22, 2));
    out->sampleRate = int(le(p + 24, 4));
    const uint32_t bytes = le(p + 40, 4);
    if (out->channels <= 0 || le(p + 34, 2) != 16 || 44 + qsizetype(bytes) > data.size())
        return false;
    const std::size_t frames = bytes / (2 * out->channels);
    out->firstChannel.resize(frames);
    for (std::size_t i = 0; i < frames; ++i)
        std::memcpy(&out->firstChannel[i], p + 44 + i * 2 * out->channels, 2);
    return true;
}

double frequencyOf(const std::vector<int16_t>& samples, int sampleRate)
{
    // Crossings from the first to the last, so partial periods at the ends do not count. A
    // crossing counts once the signal has been clearly below zero, so coding noise around
    // zero does not add crossings.
    constexpr int16_t kHysteresis = 300;
    std::ptrdiff_t first = -1, last = -1;
    int crossings = 0;
    bool below = false;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        if (samples[i] < -kHysteresis)
            below = true;
        if (below && samples[i - 1] < 0 && samples[i] >= 0) {
            below = false;
            if (first < 0)
                first = std::ptrdiff_t(i);
            last = std::ptrdiff_t(i);
            ++crossings;
        }
    }
    if (crossings < 2)
        return 0;
    return double(crossings - 1) * sampleRate / double(last - first);
}

double meanDifference(const QByteArray& a, const QByteArray& b)
{
    if (a.size() != b.size() || a.isEmpty())
        return 1e9;
    double sum = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        sum += std::abs(int(uint8_t(a[i])) - int(uint8_t(b[i])));
    return sum / double(a.size());
}

} // namespace playbacktest

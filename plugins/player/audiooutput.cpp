#include "audiooutput.h"
#include "audiobuffer.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QFile>
#include <QIODevice>
#include <QMediaDevices>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace MovraReference {
namespace {

constexpr char kOutputVariable[] = "MOVRA_AUDIO_OUTPUT";
constexpr char kWavPrefix[] = "wav:";

class BufferedOutput : public AudioOutput
{
public:
    void setBuffer(std::shared_ptr<AudioBuffer> buffer) { m_buffer = std::move(buffer); }

protected:
    std::shared_ptr<AudioBuffer> m_buffer;
};

void putLE(char* at, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        at[i] = char((value >> (8 * i)) & 0xff);
}

// Consumes the buffer in real time on a thread of its own, as a device would, and keeps what
// it consumed in a WAV file. When the buffer runs dry it waits instead of writing silence, so
// the file holds exactly the sound that was played.
class WavOutput final : public BufferedOutput
{
public:
    explicit WavOutput(QString path) : m_file(std::move(path)) {}
    ~WavOutput() override { stop(); }

    bool start(QString* error) override
    {
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            *error = m_file.errorString();
            return false;
        }
        char header[44] = {};
        writeHeader(header, 0);
        m_file.write(header, sizeof header);
        m_thread = std::thread([this] { run(); });
        return true;
    }

    void setPaused(bool paused) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_paused = paused;
        m_wake.notify_all();
    }

    int64_t latencyUs() override { return 0; }

    void stop() override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stopped)
                return;
            m_stopped = true;
            m_wake.notify_all();
        }
        if (m_thread.joinable())
            m_thread.join();
        if (m_file.isOpen()) {
            char header[44];
            writeHeader(header, uint32_t(m_written));
            m_file.seek(0);
            m_file.write(header, sizeof header);
            m_file.close();
        }
    }

private:
    void writeHeader(char* h, uint32_t dataBytes)
    {
        const int channels = m_buffer->channels();
        const int rate = m_buffer->sampleRate();
        std::memcpy(h, "RIFF", 4);
        putLE(h + 4, 36 + dataBytes, 4);
        std::memcpy(h + 8, "WAVEfmt ", 8);
        putLE(h + 16, 16, 4);
        putLE(h + 20, 1, 2);
        putLE(h + 22, uint32_t(channels), 2);
        putLE(h + 24, uint32_t(rate), 4);
        putLE(h + 28, uint32_t(rate * channels * 2), 4);
        putLE(h + 32, uint32_t(channels * 2), 2);
        putLE(h + 34, 16, 2);
        std::memcpy(h + 36, "data", 4);
        putLE(h + 40, dataBytes, 4);
    }

    void run()
    {
        using Clock = std::chrono::steady_clock;
        const int64_t bytesPerSecond = m_buffer->bytesPerSecond();
        // Never more than this much ahead after a stall, as a device's own buffer would be.
        const int64_t maxBurst = bytesPerSecond / 10;
        std::vector<char> chunk(size_t(maxBurst) + 16);
        double budget = 0;
        Clock::time_point last = Clock::now();
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_stopped) {
            if (m_paused) {
                // A paused device consumes nothing: sleep until resumed or stopped, and do
                // not count the pause as time that sound was owed for.
                m_wake.wait(lock, [this] { return !m_paused || m_stopped; });
                last = Clock::now();
                continue;
            }
            m_wake.wait_for(lock, std::chrono::milliseconds(5));
            const Clock::time_point now = Clock::now();
            const double elapsed = std::chrono::duration<double>(now - last).count();
            last = now;
            if (m_paused || m_stopped)
                continue;
            budget = std::min<double>(budget + elapsed * double(bytesPerSecond), double(maxBurst));
            const int64_t want = int64_t(budget);
            lock.unlock();
            const int64_t got = m_buffer->read(chunk.data(), want);
            if (got > 0)
                m_file.write(chunk.data(), got);
            lock.lock();
            m_written += got;
            budget -= double(got);
            if (got < want)
                budget = 0;   // ran dry: the next sound starts on time, not in a burst
        }
    }

    QFile m_file;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_paused = false;
    bool m_stopped = false;
    int64_t m_written = 0;
};

// Qt's sink pulls from this device on the thread that owns the sink.
class BufferDevice final : public QIODevice
{
public:
    explicit BufferDevice(std::shared_ptr<AudioBuffer> buffer) : m_buffer(std::move(buffer))
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return m_buffer->available() + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override { return m_buffer->read(data, maxSize); }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    std::shared_ptr<AudioBuffer> m_buffer;
};

class DeviceOutput final : public BufferedOutput
{
public:
    DeviceOutput(QAudioDevice device, QAudioFormat format) : m_device(std::move(device)), m_format(format) {}
    ~DeviceOutput() override { stop(); }

    bool start(QString* error) override
    {
        m_source = std::make_unique<BufferDevice>(m_buffer);
        m_sink = std::make_unique<QAudioSink>(m_device, m_format);
        m_sink->start(m_source.get());
        if (m_sink->error() != QAudio::NoError) {
            *error = QStringLiteral("the sound device refused to start");
            return false;
        }
        return true;
    }

    void setPaused(bool paused) override
    {
        if (!m_sink)
            return;
        if (paused)
            m_sink->suspend();
        else
            m_sink->resume();
    }

    int64_t latencyUs() override
    {
        if (!m_sink)
            return 0;
        const qint64 queued = m_sink->bufferSize() - m_sink->bytesFree();
        return queued > 0 ? queued * 1000000LL / m_buffer->bytesPerSecond() : 0;
    }

    void stop() override
    {
        if (m_sink)
            m_sink->stop();
        m_sink.reset();
        m_source.reset();
    }

private:
    QAudioDevice m_device;
    QAudioFormat m_format;
    std::unique_ptr<BufferDevice> m_source;
    std::unique_ptr<QAudioSink> m_sink;
};

} // namespace

AudioOutputChoice chooseAudioOutput(int sampleRate, int channels)
{
    AudioOutputChoice choice;
    choice.sampleRate = sampleRate;
    choice.channels = std::min(channels, 2);
    const QString setting = qEnvironmentVariable(kOutputVariable);
    if (setting.startsWith(QLatin1String(kWavPrefix))) {
        choice.output = std::make_unique<WavOutput>(setting.mid(int(sizeof kWavPrefix) - 1));
        return choice;
    }
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        choice.warning = QStringLiteral("no sound device: the video plays without sound");
        return choice;
    }
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(choice.channels);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) {
        format.setSampleRate(device.preferredFormat().sampleRate());
        format.setChannelCount(std::min(device.preferredFormat().channelCount(), 2));
        if (!device.isFormatSupported(format)) {
            choice.warning = QStringLiteral("the sound device plays no 16-bit sound: the video plays without sound");
            return choice;
        }
        choice.sampleRate = format.sampleRate();
        choice.channels = format.channelCount();
    }
    choice.output = std::make_unique<DeviceOutput>(device, format);
    return choice;
}

void attachAudioBuffer(AudioOutput* output, std::shared_ptr<AudioBuffer> buffer)
{
    static_cast<BufferedOutput*>(output)->setBuffer(std::move(buffer));
}

} // namespace MovraReference

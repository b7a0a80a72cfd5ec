#include "controlstestsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QUrl>

using namespace playbacktest;
using MovraReference::MediaSession;

namespace controlstest {

QString controlsMedia(const char* name)
{
    return QStringLiteral(MOVRA_TEST_CONTROLS_MEDIA_DIR "/") + QLatin1String(name);
}

QString encodedFile(const QString& path)
{
    return QString::fromUtf8(QUrl::fromLocalFile(path).toEncoded());
}

KeyPress keyPressOf(const QKeySequence& sequence)
{
    const QKeyCombination combination = sequence[0];
    return {combination.key(), combination.keyboardModifiers()};
}

PlayingWindow::PlayingWindow()
    : wavPath(QDir::temp().filePath(QStringLiteral("movra-controls-%1.wav").arg(QCoreApplication::applicationPid())))
{
    qputenv("MOVRA_AUDIO_OUTPUT", ("wav:" + wavPath).toUtf8());
    farm = makeFarm(false);
    window = std::make_unique<MovraReference::PlayerWindow>(farm.get());
    window->resize(480, 360);
    window->show();
    window->activateWindow();
    // Window shortcuts answer only once the window is the active one.
    waitFor([&] { return window->isActiveWindow(); }, 10000);
}

PlayingWindow::~PlayingWindow()
{
    window.reset();
    qunsetenv("MOVRA_AUDIO_OUTPUT");
    QFile::remove(wavPath);
}

bool PlayingWindow::open(const QString& path)
{
    window->openAddress(encodedFile(path));
    MediaSession* session = window->session();
    return waitFor([&] { return session->statistics().framesShown > 0 || session->state() == MediaSession::State::Failed; }, 20000)
           && session->statistics().framesShown > 0;
}

bool PlayingWindow::pauseAt(int64_t positionMs)
{
    MediaSession* session = window->session();
    session->pause();
    session->seek(positionMs);
    return waitFor([&] {
        const int64_t pts = session->currentFramePtsUs();
        return pts <= positionMs * 1000 && pts + session->currentFrameDurationUs() > positionMs * 1000;
    }, 20000);
}

QByteArray ffmpegFrame(const QString& path, int64_t positionMs, QSize size)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), {QStringLiteral("-nostdin"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                                            QStringLiteral("-i"), path, QStringLiteral("-ss"),
                                            QString::number(positionMs / 1000.0, 'f', 3), QStringLiteral("-frames:v"),
                                            QStringLiteral("1"), QStringLiteral("-f"), QStringLiteral("rawvideo"),
                                            QStringLiteral("-pix_fmt"), QStringLiteral("rgb24"), QStringLiteral("pipe:1")});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
        return QByteArray();
    const QByteArray bytes = ffmpeg.readAllStandardOutput();
    return bytes.size() == qsizetype(size.width()) * size.height() * 3 ? bytes : QByteArray();
}

QByteArray rgbBytes(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    QByteArray bytes;
    bytes.reserve(rgb.width() * rgb.height() * 3);
    for (int y = 0; y < rgb.height(); ++y)
        bytes.append(reinterpret_cast<const char*>(rgb.constScanLine(y)), rgb.width() * 3);
    return bytes;
}

ScopedEnv::ScopedEnv(const char* name, const QByteArray& value)
    : m_name(name), m_old(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name))
{
    qputenv(name, value);
}

ScopedEnv::~ScopedEnv()
{
    if (m_had)
        qputenv(m_name, m_old);
    else
        qunsetenv(m_name);
}

} // namespace controlstest

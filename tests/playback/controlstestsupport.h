#pragma once
// What the tests of the controls share: their media, a window playing a file, the frame ffmpeg
// decodes at a time, and the environment variables a test changes for its duration.

#include "playbacksupport.h"

#include "playerwindow.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <memory>
#include <ostream>

namespace controlstest {

QString controlsMedia(const char* name);
QString encodedFile(const QString& path);
// The key of a row of the table as QTest sends it.
struct KeyPress
{
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};
KeyPress keyPressOf(const QKeySequence& sequence);

// A window on a farm of the shipped decoders, with its sound going to a WAV file.
struct PlayingWindow
{
    PlayingWindow();
    ~PlayingWindow();
    // Opens the file and waits for its first picture (or the end of the bound).
    bool open(const QString& path);
    // Pauses, seeks and waits until the picture of that time is shown.
    bool pauseAt(int64_t positionMs);

    std::unique_ptr<MSE::Farm> farm;
    std::unique_ptr<MovraReference::PlayerWindow> window;
    QString wavPath;
};

// The picture ffmpeg decodes at a time, as RGB24 bytes; empty on failure.
QByteArray ffmpegFrame(const QString& path, int64_t positionMs, QSize size);
QByteArray rgbBytes(const QImage& image);

// Sets an environment variable for the scope; the old value comes back after.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const QByteArray& value);
    ~ScopedEnv();

private:
    const char* m_name;
    QByteArray m_old;
    bool m_had;
};

} // namespace controlstest

// Readable QStrings in the failures of gtest.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

#pragma once
// What the container says about an opened address: its format, length and bit rate, each
// stream with the plug-in that decodes it, the chapters and the tags. Taken once, on the GUI
// thread, while the demuxer waits for the answer to its probe, so nothing reads the format
// context while another thread reads packets.

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <QUrl>

#include <cstdint>

struct AVFormatContext;

namespace MSE {
class PluginContext;
}

namespace MovraReference {

struct StreamDetails
{
    enum class Kind { Video, Audio, Subtitle, Attachment, Data };
    int index = -1;
    Kind kind = Kind::Data;
    QString codec;        // the codec's long name
    QString profile;
    QSize resolution;
    double frameRate = 0;
    QString pixelFormat;
    QString colourSpace;
    int sampleRate = 0;
    int channels = 0;
    QString channelLayout;
    int64_t bitRate = 0;
    QString language;
    QString title;
    // The decoder plug-in that would decode it; empty when none is installed.
    QString decoder;
    QString decoderLibrary;
    QString decoderVersion;
    bool isDefault = false;
};

struct ChapterDetails
{
    int64_t startMs = 0;
    int64_t endMs = 0;
    QString title;
};

struct MediaDetails
{
    QUrl url;
    QString container;   // the format's long name
    int64_t durationMs = 0;
    int64_t bitRate = 0; // bits a second, 0 when unknown
    QString title;
    QString artist;
    QString album;
    QImage cover;        // an attached picture, where the container has one
    QList<StreamDetails> streams;
    QList<ChapterDetails> chapters;
};

MediaDetails describeMedia(const AVFormatContext* format, MSE::PluginContext* context, const QUrl& url);
// The details as plain text, one line a fact, for copying (translated labels).
QString mediaDetailsText(const MediaDetails& details);
QString streamKindText(StreamDetails::Kind kind);

} // namespace MovraReference

#include "mediadetails.h"
#include "decoderfinder.h"

#include <MSE/PluginInfo.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/pixdesc.h>
}

namespace MovraReference {
namespace {

constexpr char kVersionPath[] = "/properties/plugin/version";

QString tx(const char* text)
{
    return QCoreApplication::translate("MovraMediaInformation", text);
}

QString tag(const AVDictionary* tags, const char* key)
{
    const AVDictionaryEntry* entry = av_dict_get(tags, key, nullptr, 0);
    return entry && entry->value ? QString::fromUtf8(entry->value) : QString();
}

int64_t toMs(int64_t value, AVRational base)
{
    return value == AV_NOPTS_VALUE ? 0 : av_rescale_q(value, base, AVRational{1, 1000});
}

QString latin(const char* text)
{
    return text ? QString::fromUtf8(text) : QString();
}

StreamDetails describe(const AVStream* stream, MSE::PluginContext* context)
{
    const AVCodecParameters* codec = stream->codecpar;
    StreamDetails d;
    d.index = stream->index;
    switch (codec->codec_type) {
    case AVMEDIA_TYPE_VIDEO:
        d.kind = stream->disposition & AV_DISPOSITION_ATTACHED_PIC ? StreamDetails::Kind::Attachment
                                                                   : StreamDetails::Kind::Video;
        break;
    case AVMEDIA_TYPE_AUDIO:
        d.kind = StreamDetails::Kind::Audio;
        break;
    case AVMEDIA_TYPE_SUBTITLE:
        d.kind = StreamDetails::Kind::Subtitle;
        break;
    case AVMEDIA_TYPE_ATTACHMENT:
        d.kind = StreamDetails::Kind::Attachment;
        break;
    default:
        d.kind = StreamDetails::Kind::Data;
        break;
    }
    if (const AVCodecDescriptor* descriptor = avcodec_descriptor_get(codec->codec_id))
        d.codec = latin(descriptor->long_name ? descriptor->long_name : descriptor->name);
    d.profile = latin(avcodec_profile_name(codec->codec_id, codec->profile));
    d.bitRate = codec->bit_rate;
    d.language = tag(stream->metadata, "language");
    d.title = tag(stream->metadata, "title");
    d.isDefault = stream->disposition & AV_DISPOSITION_DEFAULT;
    if (codec->codec_type == AVMEDIA_TYPE_VIDEO) {
        d.resolution = QSize(codec->width, codec->height);
        const AVRational rate = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
        if (rate.num > 0 && rate.den > 0)
            d.frameRate = av_q2d(rate);
        d.pixelFormat = latin(av_get_pix_fmt_name(AVPixelFormat(codec->format)));
        if (codec->color_space != AVCOL_SPC_UNSPECIFIED)
            d.colourSpace = latin(av_color_space_name(codec->color_space));
    } else if (codec->codec_type == AVMEDIA_TYPE_AUDIO) {
        d.sampleRate = codec->sample_rate;
        d.channels = codec->ch_layout.nb_channels;
        char layout[128] = {};
        if (av_channel_layout_describe(&codec->ch_layout, layout, sizeof layout) > 0)
            d.channelLayout = QString::fromUtf8(layout);
    }
    if (d.kind == StreamDetails::Kind::Video || d.kind == StreamDetails::Kind::Audio) {
        const StreamDescription description = describeStream(codec);
        if (description.ok) {
            if (MSE::PluginInfo* info = decoderPluginFor(context, description.parameters)) {
                d.decoder = QString::fromUtf8(info->name.c_str());
                d.decoderLibrary = QFileInfo(QString::fromWCharArray(info->libraryFile.c_str())).fileName();
                d.decoderVersion = QString::fromUtf8(info->getPropertyValue(kVersionPath).c_str());
            }
        }
    }
    return d;
}

} // namespace

MediaDetails describeMedia(const AVFormatContext* format, MSE::PluginContext* context, const QUrl& url)
{
    MediaDetails details;
    details.url = url;
    if (!format)
        return details;
    if (format->iformat)
        details.container = latin(format->iformat->long_name ? format->iformat->long_name : format->iformat->name);
    details.durationMs = format->duration != AV_NOPTS_VALUE ? format->duration / 1000 : 0;
    details.bitRate = format->bit_rate;
    details.title = tag(format->metadata, "title");
    details.artist = tag(format->metadata, "artist");
    details.album = tag(format->metadata, "album");
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        details.streams.append(describe(stream, context));
        if ((stream->disposition & AV_DISPOSITION_ATTACHED_PIC) && details.cover.isNull() && stream->attached_pic.size > 0)
            details.cover = QImage::fromData(stream->attached_pic.data, stream->attached_pic.size);
    }
    for (unsigned i = 0; i < format->nb_chapters; ++i) {
        const AVChapter* chapter = format->chapters[i];
        details.chapters.append({toMs(chapter->start, chapter->time_base), toMs(chapter->end, chapter->time_base),
                                 tag(chapter->metadata, "title")});
    }
    std::stable_sort(details.chapters.begin(), details.chapters.end(),
                     [](const ChapterDetails& a, const ChapterDetails& b) { return a.startMs < b.startMs; });
    return details;
}

QString streamKindText(StreamDetails::Kind kind)
{
    switch (kind) {
    case StreamDetails::Kind::Video:
        return tx("Video");
    case StreamDetails::Kind::Audio:
        return tx("Audio");
    case StreamDetails::Kind::Subtitle:
        return tx("Subtitles");
    case StreamDetails::Kind::Attachment:
        return tx("Attachment");
    case StreamDetails::Kind::Data:
        return tx("Data");
    }
    return QString();
}

QString mediaDetailsText(const MediaDetails& details)
{
    const QLocale locale;
    QStringList lines;
    const auto line = [&lines](const QString& label, const QString& value, int indent = 0) {
        if (!value.isEmpty())
            lines << QString(indent, QLatin1Char(' ')) + label + QStringLiteral(": ") + value;
    };
    const auto kbits = [&locale](int64_t bits) {
        return bits > 0 ? tx("%1 kbit/s").arg(locale.toString(double(bits) / 1000.0, 'f', 0)) : QString();
    };
    line(tx("Address"), details.url.isLocalFile() ? details.url.toLocalFile() : details.url.toDisplayString());
    line(tx("Container"), details.container);
    if (details.durationMs > 0) {
        const int64_t s = details.durationMs / 1000;
        line(tx("Duration"), QStringLiteral("%1:%2:%3.%4")
                                 .arg(s / 3600)
                                 .arg((s / 60) % 60, 2, 10, QLatin1Char('0'))
                                 .arg(s % 60, 2, 10, QLatin1Char('0'))
                                 .arg(details.durationMs % 1000, 3, 10, QLatin1Char('0')));
    }
    line(tx("Overall bit rate"), kbits(details.bitRate));
    line(tx("Title"), details.title);
    line(tx("Artist"), details.artist);
    line(tx("Album"), details.album);
    if (!details.chapters.isEmpty())
        line(tx("Chapters"), QString::number(details.chapters.size()));
    for (const StreamDetails& s : details.streams) {
        lines << QString();
        lines << tx("Stream %1: %2").arg(s.index).arg(streamKindText(s.kind));
        line(tx("Codec"), s.codec, 2);
        line(tx("Profile"), s.profile, 2);
        if (s.resolution.isValid() && !s.resolution.isEmpty())
            line(tx("Resolution"), QStringLiteral("%1×%2").arg(s.resolution.width()).arg(s.resolution.height()), 2);
        if (s.frameRate > 0)
            line(tx("Frame rate"), tx("%1 frames a second").arg(locale.toString(s.frameRate, 'g', 5)), 2);
        line(tx("Pixel format"), s.pixelFormat, 2);
        line(tx("Colour space"), s.colourSpace, 2);
        if (s.sampleRate > 0)
            line(tx("Sample rate"), tx("%1 Hz").arg(s.sampleRate), 2);
        if (s.channels > 0)
            line(tx("Channels"), s.channelLayout.isEmpty() ? QString::number(s.channels)
                                                            : QStringLiteral("%1 (%2)").arg(s.channels).arg(s.channelLayout), 2);
        line(tx("Bit rate"), kbits(s.bitRate), 2);
        line(tx("Language"), s.language, 2);
        line(tx("Title"), s.title, 2);
        if (!s.decoder.isEmpty())
            line(tx("Decoder"), tx("%1 %2 (%3)").arg(s.decoder, s.decoderVersion, s.decoderLibrary), 2);
        else if (s.kind == StreamDetails::Kind::Video || s.kind == StreamDetails::Kind::Audio)
            line(tx("Decoder"), tx("none installed"), 2);
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace MovraReference

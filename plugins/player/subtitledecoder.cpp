#include "subtitledecoder.h"

#include "subtitlefile.h"
#include "subtitlerenderer.h"

#include <QHash>
#include <QImage>

#include <algorithm>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace MovraReference {

namespace {

// Decoders number their events from 0 again after a flush, and libass drops an event whose
// number it has seen: the number is replaced by one made from the event's time and text, so
// an event read again after a seek is recognised and a new one never is taken for an old one.
QByteArray renumbered(const char* line, int64_t startMs)
{
    QByteArray rest(line);
    const int comma = rest.indexOf(',');
    if (comma < 0)
        return QByteArray();
    rest = rest.mid(comma);
    const uint key = qHash(rest, uint(startMs)) & 0x7FFFFFFF;
    return QByteArray::number(key) + rest;
}

} // namespace

SubtitleDecoder::~SubtitleDecoder()
{
    avcodec_free_context(&m_context);
}

bool SubtitleDecoder::open(const AVCodecParameters* parameters, QString* error)
{
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    if (!codec) {
        *error = QStringLiteral("no decoder for %1").arg(QString::fromUtf8(avcodec_get_name(parameters->codec_id)));
        return false;
    }
    m_context = avcodec_alloc_context3(codec);
    if (!m_context || avcodec_parameters_to_context(m_context, parameters) < 0) {
        *error = QStringLiteral("out of memory");
        return false;
    }
    m_context->pkt_timebase = AVRational{1, 1000000};
    if (avcodec_open2(m_context, codec, nullptr) < 0) {
        *error = QStringLiteral("the %1 decoder could not be opened").arg(QString::fromUtf8(codec->name));
        return false;
    }
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(parameters->codec_id);
    m_bitmap = descriptor && (descriptor->props & AV_CODEC_PROP_BITMAP_SUB);
    const bool styled = parameters->codec_id == AV_CODEC_ID_ASS || parameters->codec_id == AV_CODEC_ID_SSA;
    if (styled && m_context->subtitle_header && m_context->subtitle_header_size > 0)
        m_header = QByteArray(reinterpret_cast<const char*>(m_context->subtitle_header), m_context->subtitle_header_size);
    else
        m_header = defaultSubtitleHeader();
    return true;
}

void SubtitleDecoder::prepare(SubtitleRenderer* renderer)
{
    if (m_bitmap)
        m_track = renderer->setBitmapTrack(m_context ? QSize(m_context->width, m_context->height) : QSize());
    else
        m_track = renderer->setTextTrack(m_header);
}

bool SubtitleDecoder::decode(const AVPacket* packet, SubtitleRenderer* renderer)
{
    if (!m_context)
        return false;
    AVSubtitle subtitle = {};
    int got = 0;
    // The decoder takes a writable packet in its signature only.
    if (avcodec_decode_subtitle2(m_context, &subtitle, &got, const_cast<AVPacket*>(packet)) < 0)
        return false;
    if (!got)
        return true;
    const int64_t basePts = subtitle.pts != AV_NOPTS_VALUE ? subtitle.pts : packet->pts;
    const int64_t startMs = (basePts != AV_NOPTS_VALUE ? basePts / 1000 : 0) + subtitle.start_display_time;
    int64_t durationMs = -1;
    if (subtitle.end_display_time != UINT32_MAX && subtitle.end_display_time > subtitle.start_display_time)
        durationMs = int64_t(subtitle.end_display_time) - subtitle.start_display_time;
    else if (packet->duration > 0)
        durationMs = packet->duration / 1000;
    if (m_bitmap) {
        QList<SubtitleRenderer::Bitmap> parts;
        for (unsigned i = 0; i < subtitle.num_rects; ++i) {
            const AVSubtitleRect* rect = subtitle.rects[i];
            if (rect->type != SUBTITLE_BITMAP || rect->w <= 0 || rect->h <= 0 || !rect->data[0] || !rect->data[1])
                continue;
            QImage image(rect->w, rect->h, QImage::Format_ARGB32);
            const auto* palette = reinterpret_cast<const uint32_t*>(rect->data[1]);
            const int colours = std::clamp(rect->nb_colors, 0, 256);
            for (int y = 0; y < rect->h; ++y) {
                auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
                const uint8_t* indices = rect->data[0] + y * rect->linesize[0];
                for (int x = 0; x < rect->w; ++x)
                    row[x] = indices[x] < colours ? palette[indices[x]] : 0;
            }
            parts.append({image, QRect(rect->x, rect->y, rect->w, rect->h)});
        }
        renderer->addBitmaps(m_track, startMs, durationMs >= 0 ? startMs + durationMs : -1, parts);
    } else {
        for (unsigned i = 0; i < subtitle.num_rects; ++i) {
            const AVSubtitleRect* rect = subtitle.rects[i];
            if (rect->type == SUBTITLE_ASS && rect->ass)
                renderer->addTextEvent(m_track, renumbered(rect->ass, startMs), startMs, durationMs >= 0 ? durationMs : 5000);
        }
    }
    avsubtitle_free(&subtitle);
    return true;
}

void SubtitleDecoder::flush()
{
    if (m_context)
        avcodec_flush_buffers(m_context);
}

} // namespace MovraReference

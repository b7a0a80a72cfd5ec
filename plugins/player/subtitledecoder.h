#pragma once
// Decodes the packets of an embedded subtitle track into the renderer: text formats (SubRip,
// ASS/SSA, WebVTT, mov_text) become ASS events, bitmap formats (PGS, DVD) images.
//
// The farm's decoder interface carries pictures and sound, not timed subtitle events, so
// these formats are decoded here with libavcodec's subtitle decoders.

#include <QByteArray>
#include <QString>

#include <cstdint>

struct AVCodecContext;
struct AVCodecParameters;
struct AVPacket;

namespace MovraReference {

class SubtitleRenderer;

class SubtitleDecoder
{
public:
    SubtitleDecoder() = default;
    ~SubtitleDecoder();
    SubtitleDecoder(const SubtitleDecoder&) = delete;
    SubtitleDecoder& operator=(const SubtitleDecoder&) = delete;

    // False with a reason when no decoder handles the track.
    bool open(const AVCodecParameters* parameters, QString* error);
    bool isBitmap() const { return m_bitmap; }
    // Makes renderer show this track from now on (its header or its canvas); decode() then
    // writes to it until another track is set there.
    void prepare(SubtitleRenderer* renderer);
    // packet's times are in microseconds. False when the packet could not be decoded.
    bool decode(const AVPacket* packet, SubtitleRenderer* renderer);
    // After a seek.
    void flush();

private:
    AVCodecContext* m_context = nullptr;
    bool m_bitmap = false;
    QByteArray m_header;
    int m_track = -1;
};

} // namespace MovraReference

#pragma once
// Draws the subtitle of the moment onto a picture. Text of every format is drawn by libass
// from one ASS track (a whole script, or a header and the events an embedded track delivers);
// bitmap tracks (PGS, DVD) are images placed on the canvas the track was made for, scaled
// to the picture.
//
// Tracks are filled from any thread; pictures are drawn on one thread (the GUI thread).

#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <map>
#include <mutex>

struct ass_library;
struct ass_renderer;
struct ass_track;

namespace MovraReference {

class SubtitleRenderer
{
public:
    struct Bitmap
    {
        QImage image;   // ARGB32, not premultiplied
        QRect place;    // on the track's canvas
    };

    SubtitleRenderer();
    ~SubtitleRenderer();
    SubtitleRenderer(const SubtitleRenderer&) = delete;
    SubtitleRenderer& operator=(const SubtitleRenderer&) = delete;

    // Each track set answers a number; events for an older number are ignored, so a thread
    // still decoding the previous track cannot write into the next.
    //
    // Shows nothing until a track is set.
    void clear();
    // A whole ASS script (from a file); false when libass cannot read it.
    bool setScript(const QByteArray& script);
    // An embedded text track: its header now, its events as they are demuxed. Events carry
    // Matroska's field order ("ReadOrder,Layer,Style,…,Text"); one seen again is ignored.
    int setTextTrack(const QByteArray& header);
    void addTextEvent(int track, const QByteArray& line, int64_t startMs, int64_t durationMs);
    // An embedded bitmap track drawn on a canvas of the given size (0×0: the picture's).
    int setBitmapTrack(QSize canvas);
    // endMs < 0: until the next bitmap starts. A bitmap that starts where another started
    // replaces it (the demuxer reads the same packets again after a seek).
    void addBitmaps(int track, int64_t startMs, int64_t endMs, QList<Bitmap> parts);

    // Works out what shows at timeMs on a picture of the given size; true when that differs
    // from what the last call found.
    bool update(int64_t timeMs, QSize pictureSize);
    // Blends what update() found onto picture (of the size given there). False when nothing
    // shows.
    bool drawOn(QImage* picture);

private:
    void dropTrack_locked();

    mutable std::mutex m_mutex;
    ass_library* m_library = nullptr;
    ass_renderer* m_renderer = nullptr;
    ass_track* m_assTrack = nullptr;
    QSize m_frameSize;
    // What update() found, valid until its next call.
    void* m_images = nullptr;   // ASS_Image*
    bool m_bitmapTrack = false;
    QSize m_canvas;
    struct Shown
    {
        int64_t endMs;
        QList<Bitmap> parts;
    };
    std::map<int64_t, Shown> m_bitmaps;
    int64_t m_shownBitmap = INT64_MIN;
    int m_track = 0;
    int m_generation = 0;
    int m_drawnGeneration = -1;
};

} // namespace MovraReference

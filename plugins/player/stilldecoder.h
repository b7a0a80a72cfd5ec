#pragma once
// One picture of an address decoded again, at the size it was decoded: the raster path lets
// go of each decoded picture as soon as it is converted to the size shown, so a screenshot at
// the video's own size reads the address a second time. A short-lived input of its own seeks
// to the key frame at or before the picture and decodes up to it; playback is left alone.

#include "decoderfinder.h"
#include "picture.h"

#include <MovraStreamEngine/Decoder.h>

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QUrl>

#include <atomic>
#include <cstdint>
#include <thread>

namespace MovraReference {

struct StillSource
{
    QByteArray location;       // as libavformat opens it
    int streamIndex = -1;      // the video stream, as the playing input numbers it
    int codecId = 0;           // libavcodec's id of that stream, to tell the same file
    int64_t ptsUs = 0;         // the picture wanted, microseconds as the player times pictures
    int networkTimeoutMs = 15000;
    QSize size;                // converted at this size (before it is turned); empty: as decoded
};

// Decodes source's picture with decoder (fresh, made for the stream) and converts it at its
// decoded size (or source.size), not yet turned upright. Null, with why (for the log), when
// the address cannot be opened or sought (gone, a stream that cannot seek), is no longer the
// same, or never reaches the picture. Stops early when aborted turns true. Runs on any thread; blocks for as long as
// the decoding takes (seconds for a 4K picture far from its key frame).
QImage decodeStill(const StillSource& source, MovraStreamEngine::IDecoder* decoder, const std::atomic<bool>& aborted,
                   QString* why);

// A session's request for a picture at its decoded size (a screenshot), or made again for a
// new window size while paused, being decoded on a thread of its own. Everything but the
// thread's answer (decoded, why) is the GUI thread's; the answer is read after the thread is
// joined. The decoder is made and destroyed on the GUI thread, as
// the plug-in farm wants.
struct StillJob
{
    StillSource source;
    DecoderHandle decoder;
    std::atomic<bool> aborted{false};
    std::thread thread;
    QImage decoded;
    QString why;
    // Applied on the GUI thread once decoded.
    PictureOrientation orientation;
    QImage subtitles;   // a clear layer at the upright decoded size; null for none
    QImage asShown;     // a screenshot's answer when decoding fails
    QUrl url;
};

} // namespace MovraReference

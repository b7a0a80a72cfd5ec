#include "subtitlerenderer.h"

#include "playerlog.h"

#include <QPainter>

extern "C" {
#include <ass/ass.h>
}

#include <cstdarg>
#include <cstdio>

namespace MovraReference {

namespace {

void assMessage(int level, const char* format, va_list args, void*)
{
    // libass is chatty about fonts it looks for; only its errors and warnings matter here.
    if (level > 2)
        return;
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    qCDebug(lcPlayer, "libass: %s", text);
}

} // namespace

SubtitleRenderer::SubtitleRenderer()
{
    m_library = ass_library_init();
    if (!m_library)
        return;
    ass_set_message_cb(m_library, assMessage, nullptr);
    ass_set_extract_fonts(m_library, 1);
    m_renderer = ass_renderer_init(m_library);
    if (m_renderer)
        ass_set_fonts(m_renderer, nullptr, "sans-serif", ASS_FONTPROVIDER_AUTODETECT, nullptr, 1);
}

SubtitleRenderer::~SubtitleRenderer()
{
    dropTrack_locked();
    if (m_renderer)
        ass_renderer_done(m_renderer);
    if (m_library)
        ass_library_done(m_library);
}

void SubtitleRenderer::dropTrack_locked()
{
    if (m_assTrack)
        ass_free_track(m_assTrack);
    m_assTrack = nullptr;
    m_images = nullptr;
    m_bitmapTrack = false;
    m_bitmaps.clear();
    m_shownBitmap = INT64_MIN;
    ++m_generation;
    ++m_track;
}

void SubtitleRenderer::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    dropTrack_locked();
}

bool SubtitleRenderer::setScript(const QByteArray& script)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    dropTrack_locked();
    if (!m_library)
        return false;
    QByteArray copy = script;   // libass reads from a writable buffer
    m_assTrack = ass_read_memory(m_library, copy.data(), size_t(copy.size()), nullptr);
    return m_assTrack != nullptr;
}

int SubtitleRenderer::setTextTrack(const QByteArray& header)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    dropTrack_locked();
    if (!m_library)
        return m_track;
    m_assTrack = ass_new_track(m_library);
    if (m_assTrack && !header.isEmpty()) {
        QByteArray copy = header;
        ass_process_codec_private(m_assTrack, copy.data(), int(copy.size()));
    }
    return m_track;
}

void SubtitleRenderer::addTextEvent(int track, const QByteArray& line, int64_t startMs, int64_t durationMs)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (track != m_track || !m_assTrack || line.isEmpty())
        return;
    QByteArray copy = line;
    ass_process_chunk(m_assTrack, copy.data(), int(copy.size()), startMs, durationMs);
}

int SubtitleRenderer::setBitmapTrack(QSize canvas)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    dropTrack_locked();
    m_bitmapTrack = true;
    m_canvas = canvas;
    return m_track;
}

void SubtitleRenderer::addBitmaps(int track, int64_t startMs, int64_t endMs, QList<Bitmap> parts)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (track != m_track || !m_bitmapTrack)
        return;
    m_bitmaps[startMs] = Shown{endMs, std::move(parts)};
    // Tracks as long as a film hold thousands of these; nothing bounds a broken stream's.
    while (m_bitmaps.size() > 20000)
        m_bitmaps.erase(m_bitmaps.begin());
    ++m_generation;
}

bool SubtitleRenderer::update(int64_t timeMs, QSize pictureSize)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    bool changed = m_drawnGeneration != m_generation;
    m_drawnGeneration = m_generation;
    if (pictureSize != m_frameSize) {
        m_frameSize = pictureSize;
        changed = true;
        if (m_renderer && pictureSize.width() > 0 && pictureSize.height() > 0) {
            ass_set_frame_size(m_renderer, pictureSize.width(), pictureSize.height());
            ass_set_storage_size(m_renderer, pictureSize.width(), pictureSize.height());
        }
    }
    if (m_bitmapTrack) {
        int64_t shown = INT64_MIN;
        auto it = m_bitmaps.upper_bound(timeMs);
        if (it != m_bitmaps.begin()) {
            --it;
            const auto next = std::next(it);
            const int64_t end = it->second.endMs >= 0 ? it->second.endMs
                                : next != m_bitmaps.end() ? next->first
                                                          : INT64_MAX;
            if (timeMs < end && !it->second.parts.isEmpty())
                shown = it->first;
        }
        changed = changed || shown != m_shownBitmap;
        m_shownBitmap = shown;
        return changed;
    }
    if (!m_assTrack || !m_renderer || m_frameSize.isEmpty()) {
        changed = changed || m_images;
        m_images = nullptr;
        return changed;
    }
    int detect = 0;
    ASS_Image* images = ass_render_frame(m_renderer, m_assTrack, timeMs, &detect);
    const bool wasShown = m_images != nullptr;
    m_images = images;
    return changed || detect != 0 || wasShown != (images != nullptr);
}

bool SubtitleRenderer::drawOn(QImage* picture)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (picture->isNull() || picture->size() != m_frameSize)
        return false;
    if (m_bitmapTrack) {
        const auto it = m_bitmaps.find(m_shownBitmap);
        if (it == m_bitmaps.end())
            return false;
        const QSize canvas = m_canvas.isEmpty() ? picture->size() : m_canvas;
        const double sx = double(picture->width()) / canvas.width();
        const double sy = double(picture->height()) / canvas.height();
        QPainter painter(picture);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        for (const Bitmap& part : it->second.parts) {
            const QRectF target(part.place.x() * sx, part.place.y() * sy, part.place.width() * sx, part.place.height() * sy);
            painter.drawImage(target, part.image);
        }
        return true;
    }
    if (!m_images)
        return false;
    // A premultiplied picture may be a transparent layer over the video: the text covers it
    // as much as it covers an opaque one, so coverage blends the alpha as it blends colour.
    if (picture->format() != QImage::Format_RGB32 && picture->format() != QImage::Format_ARGB32
        && picture->format() != QImage::Format_ARGB32_Premultiplied)
        *picture = picture->convertToFormat(QImage::Format_RGB32);
    for (const ASS_Image* image = static_cast<ASS_Image*>(m_images); image; image = image->next) {
        const uint32_t color = image->color;
        const int r = int(color >> 24), g = int((color >> 16) & 0xFF), b = int((color >> 8) & 0xFF);
        const int opacity = 255 - int(color & 0xFF);
        for (int y = 0; y < image->h; ++y) {
            const int py = image->dst_y + y;
            if (py < 0 || py >= picture->height())
                continue;
            auto* row = reinterpret_cast<QRgb*>(picture->scanLine(py));
            const unsigned char* coverage = image->bitmap + y * image->stride;
            for (int x = 0; x < image->w; ++x) {
                const int px = image->dst_x + x;
                const int k = coverage[x] * opacity / 255;
                if (k == 0 || px < 0 || px >= picture->width())
                    continue;
                const QRgb old = row[px];
                row[px] = qRgba((qRed(old) * (255 - k) + r * k) / 255, (qGreen(old) * (255 - k) + g * k) / 255,
                                (qBlue(old) * (255 - k) + b * k) / 255, (qAlpha(old) * (255 - k) + 255 * k) / 255);
            }
        }
    }
    return true;
}

} // namespace MovraReference

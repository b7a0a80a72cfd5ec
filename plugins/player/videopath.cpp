#include "playbackrun.h"

#include <QTransform>

extern "C" {
#include <libavutil/buffer.h>
#include <libavutil/mem.h>
#include <libswscale/swscale.h>
}

#include <libyuv/convert_argb.h>
#include <libyuv/scale.h>

#include <algorithm>

namespace MovraReference {

using namespace MovraStreamEngine;

PictureOrientation orientationOf(const int32_t* matrix)
{
    if (!matrix)
        return {};
    // The matrix maps a picture's (x, y) to (a·x + c·y, b·x + d·y) on screen (y downwards).
    // Each of the eight right-angled maps is a turn followed by mirroring.
    const auto sign = [](int32_t v) { return v > 0 ? 1 : v < 0 ? -1 : 0; };
    const int a = sign(matrix[0]), b = sign(matrix[1]), c = sign(matrix[3]), d = sign(matrix[4]);
    struct Row
    {
        int a, b, c, d;
        PictureOrientation orientation;
    };
    static const Row rows[] = {
        {1, 0, 0, 1, {0, false, false}},  {0, 1, -1, 0, {1, false, false}}, {-1, 0, 0, -1, {2, false, false}},
        {0, -1, 1, 0, {3, false, false}}, {-1, 0, 0, 1, {0, true, false}},  {1, 0, 0, -1, {0, false, true}},
        {0, 1, 1, 0, {1, true, false}},   {0, -1, -1, 0, {1, false, true}},
    };
    for (const Row& row : rows) {
        if (row.a == a && row.b == b && row.c == c && row.d == d)
            return row.orientation;
    }
    return {};
}

QImage oriented(const QImage& image, const PictureOrientation& orientation)
{
    QImage turned = orientation.clockwiseQuarterTurns % 4
                        ? image.transformed(QTransform().rotate(90.0 * (orientation.clockwiseQuarterTurns % 4)))
                        : image;
    if (orientation.mirrorHorizontally || orientation.mirrorVertically)
        turned = turned.mirrored(orientation.mirrorHorizontally, orientation.mirrorVertically);
    return turned;
}

namespace {

// swscale's vector code writes whole blocks: a line may be written up to its stride rounded
// up to the block, and the last line beyond the picture's end. Lines are aligned to 64 bytes
// and a spare line follows the picture, as libavutil's own picture buffers have.
constexpr int kLineAlignment = 64;

void releaseBuffer(void* buffer)
{
    auto* reference = static_cast<AVBufferRef*>(buffer);
    av_buffer_unref(&reference);
}

int swsColorSpace(int32_t matrix)
{
    switch (matrix) {
    case kMatrixBT709:
        return SWS_CS_ITU709;
    case kMatrixBT2020:
        return SWS_CS_BT2020;
    default:
        return SWS_CS_ITU601;
    }
}

} // namespace

QSize fittedSize(QSize area, double aspect)
{
    if (area.isEmpty() || !(aspect > 0))
        return QSize();
    // Rounded as the view places the picture, so that one is drawn without scaling.
    int w = area.width();
    int h = int(w / aspect + 0.5);
    if (h > area.height()) {
        h = area.height();
        w = int(h * aspect + 0.5);
    }
    return QSize(std::max(w, 1), std::max(h, 1));
}

PictureConverter::~PictureConverter()
{
    sws_freeContext(m_scaler);
    av_buffer_pool_uninit(&m_buffers);
}

QImage PictureConverter::convert(const VideoFrame& frame, QSize size)
{
    const auto source = AVPixelFormat(avPixelFormatOf(frame.pixelFormat));
    if (source == AV_PIX_FMT_NONE || frame.width <= 0 || frame.height <= 0)
        return QImage();
    int width = frame.width;
    int height = frame.height;
    if (size.isEmpty()) {
        if (width > kMaxShownWidth) {
            height = int(int64_t(height) * kMaxShownWidth / width);
            width = kMaxShownWidth;
        }
    } else {
        width = std::min(size.width(), 2 * kMaxShownWidth);
        height = std::min(size.height(), 2 * kMaxShownWidth);
    }
    height = std::max(height, 1);
    const int32_t matrix = effectiveColorMatrix(frame.structSize >= kVideoFrameMatrixSize ? frame.colorMatrix
                                                                                         : kMatrixUnspecified,
                                                frame.width, frame.height);
    const int stride = FFALIGN(width * 4, kLineAlignment);
    const std::size_t bytes = std::size_t(stride) * (height + 1) + kLineAlignment;
    if (bytes != m_bufferSize) {
        // Buffers of the old size still shown go back to the old pool, which then goes.
        av_buffer_pool_uninit(&m_buffers);
        m_buffers = av_buffer_pool_init(bytes, av_buffer_alloc);
        m_bufferSize = m_buffers ? bytes : 0;
    }
    AVBufferRef* buffer = m_buffers ? av_buffer_pool_get(m_buffers) : nullptr;
    if (!buffer)
        return QImage();
    QImage image(buffer->data, width, height, stride, QImage::Format_RGB32, releaseBuffer, buffer);
    if (image.isNull()) {
        av_buffer_unref(&buffer);
        return QImage();
    }
    // Most pictures are 8-bit 4:2:0 shown at their size or at under half of it: libyuv averages
    // the planes down and converts them in about 60 % of swscale's time for the same filter
    // (0.59 against 0.94 ms for 1080p shown at 720×405, 1.65 against 2.85 ms from 4K). Between
    // half and whole size libyuv samples instead of averaging (fine lines alias), and past a
    // sixteenth its averages lose precision (its row sums are 16-bit); those, enlarging and
    // every other format go through swscale.
    const auto averagedDown = [&](int shown, int decoded) { return 2 * shown < decoded && decoded <= 16 * shown; };
    const bool sameSize = width == frame.width && height == frame.height;
    if (source == AV_PIX_FMT_YUV420P
        && (sameSize || (averagedDown(width, frame.width) && averagedDown(height, frame.height)))
        && convertPlanar420(frame, matrix, buffer->data, stride, width, height))
        return image;
    if (!scaleWithSwscale(frame, source, matrix, buffer->data, stride, width, height))
        return QImage();
    return image;
}

bool PictureConverter::convertPlanar420(const VideoFrame& frame, int32_t matrix, uint8_t* target, int targetStride,
                                        int width, int height)
{
    const bool full = frame.colorRange == kRangeFull;
    const libyuv::YuvConstants* constants = nullptr;
    switch (matrix) {
    case kMatrixBT709:
        constants = full ? &libyuv::kYuvF709Constants : &libyuv::kYuvH709Constants;
        break;
    case kMatrixBT2020:
        constants = full ? &libyuv::kYuvV2020Constants : &libyuv::kYuv2020Constants;
        break;
    default:
        constants = full ? &libyuv::kYuvJPEGConstants : &libyuv::kYuvI601Constants;
        break;
    }
    const uint8_t* planes[3] = {frame.planes[0], frame.planes[1], frame.planes[2]};
    int strides[3] = {frame.strides[0], frame.strides[1], frame.strides[2]};
    if (width != frame.width || height != frame.height) {
        const int chromaWidth = (width + 1) / 2;
        const int chromaHeight = (height + 1) / 2;
        const int lumaStride = FFALIGN(width, kLineAlignment);
        const int chromaStride = FFALIGN(chromaWidth, kLineAlignment);
        const std::size_t lumaBytes = std::size_t(lumaStride) * height;
        const std::size_t needed = lumaBytes + 2 * std::size_t(chromaStride) * chromaHeight;
        if (m_planes.size() < needed)
            m_planes.resize(needed);
        uint8_t* y = m_planes.data();
        uint8_t* u = y + lumaBytes;
        uint8_t* v = u + std::size_t(chromaStride) * chromaHeight;
        if (libyuv::I420Scale(planes[0], strides[0], planes[1], strides[1], planes[2], strides[2], frame.width,
                              frame.height, y, lumaStride, u, chromaStride, v, chromaStride, width, height,
                              libyuv::kFilterBox)
            != 0)
            return false;
        planes[0] = y;
        planes[1] = u;
        planes[2] = v;
        strides[0] = lumaStride;
        strides[1] = strides[2] = chromaStride;
    }
    return libyuv::I420ToARGBMatrix(planes[0], strides[0], planes[1], strides[1], planes[2], strides[2], target,
                                    targetStride, constants, width, height)
           == 0;
}

bool PictureConverter::scaleWithSwscale(const VideoFrame& frame, int source, int32_t matrix, uint8_t* target,
                                        int targetStride, int width, int height)
{
    // Shown smaller in both directions (the usual case: a film in a window), each shown
    // pixel is the mean of the source pixels it covers: as sharp as bilinear filtering and
    // free of aliasing, with half the filter taps. Enlarging stays bilinear.
    const int flags = width < frame.width && height < frame.height ? SWS_AREA : SWS_BILINEAR;
    const ScalerShape shape{frame.width, frame.height, source, width, height, flags};
    m_scaler = sws_getCachedContext(m_scaler, frame.width, frame.height, AVPixelFormat(source), width, height,
                                    AV_PIX_FMT_BGRA, flags, nullptr, nullptr, nullptr);
    if (!m_scaler) {
        m_shape = ScalerShape();
        return false;
    }
    // A new scaler starts with swscale's default colours. It may sit at the old one's address
    // (freed and allocated again), so the shape asked for tells whether it is new.
    if (!(shape == m_shape))
        m_range = m_matrix = -1;
    m_shape = shape;
    if (frame.colorRange != m_range || matrix != m_matrix) {
        int* inverse = nullptr;
        int* table = nullptr;
        int sourceRange = 0, targetRange = 0, brightness = 0, contrast = 0, saturation = 0;
        sws_getColorspaceDetails(m_scaler, &inverse, &sourceRange, &table, &targetRange, &brightness, &contrast,
                                 &saturation);
        sws_setColorspaceDetails(m_scaler, sws_getCoefficients(swsColorSpace(matrix)),
                                 frame.colorRange == kRangeFull ? 1 : 0, table, 1, brightness, contrast, saturation);
        m_range = frame.colorRange;
        m_matrix = matrix;
    }
    uint8_t* targets[4] = {target, nullptr, nullptr, nullptr};
    int targetStrides[4] = {targetStride, 0, 0, 0};
    sws_scale(m_scaler, frame.planes, frame.strides, 0, frame.height, targets, targetStrides);
    return true;
}

void PlaybackRun::decodeVideo()
{
    // However this thread ends, the sound waits for it no longer.
    struct ReleaseSound
    {
        FirstPictureGate& gate;
        ~ReleaseSound() { gate.release(); }
    } releaseSound{firstPicture};
    bool pictureQueued = false;
    IDecoder* decoder = video.decoder.get();
    PicturePool pool;
    PictureConverter converter;
    PictureOrientation orientation = videoOrientation;
    int serialNow = 0;
    int64_t skipBeforeUs = INT64_MIN;
    int64_t lastPts = 0;
    bool skippedLast = false;
    const auto take = [&](const VideoFrame* frame, const AudioFrame*) -> bool {
        const int64_t pts = frame->pts != kNoTimestamp ? frame->pts : lastPts;
        const int64_t duration = frame->duration > 0 ? frame->duration : 40000;
        lastPts = pts + duration;
        if (pts + duration <= skipBeforeUs)
            return true;
        // Far behind the clock (an overloaded machine): not converted, to catch up.
        skippedLast = lateClock.tooLate(serialNow, pts, duration, skippedLast);
        if (skippedLast) {
            ++picturesSkipped;
            return true;
        }
        ShownFrame shown;
        const bool drawnAsTextures = texturesOnly.load();
        // The GL path copies the picture, as the window keeps it to draw from for as long as
        // it likes; the raster path converts it from the decoder's planes, before the next
        // call to the decoder, and holds nothing of them.
        if (drawnAsTextures) {
            shown.picture = pool.copy(*frame);
            if (!shown.picture)
                return true;
        }
        shown.decodedSize = QSize(frame->width, frame->height);
        shown.orientation = orientation;
        shown.pts = pts;
        shown.duration = duration;
        // The container's aspect overrides the stream's, as the container is what a muxing
        // tool corrects.
        double sar = 1.0;
        if (containerAspect.num > 0 && containerAspect.den > 0)
            sar = av_q2d(containerAspect);
        else if (frame->sampleAspectNum > 0 && frame->sampleAspectDen > 0)
            sar = double(frame->sampleAspectNum) / frame->sampleAspectDen;
        shown.aspect = double(frame->width) * sar / double(frame->height);
        if (orientation.turnsSideways())
            shown.aspect = 1.0 / shown.aspect;
        if (!drawnAsTextures) {
            // Straight to the size it is shown at (before it is turned), in one step.
            const uint64_t area = pictureArea.load();
            QSize size = fittedSize(QSize(int(area >> 32), int(area & 0xffffffffu)), shown.aspect);
            if (orientation.turnsSideways())
                size.transpose();
            QImage image = converter.convert(*frame, size);
            if (image.isNull())
                return true;
            if (!(orientation == PictureOrientation()))
                image = oriented(image, orientation);
            shown.image = std::move(image);
        }
        shown.serial = serialNow;
        ++video.framesOut;
        const bool queued = pictures.put(std::move(shown));
        if (queued && !pictureQueued) {
            pictureQueued = true;
            firstPicture.release();
        }
        return queued || !aborted.load();
    };
    PacketQueue::Item item;
    bool failed = false;
    int damagedInARow = 0;
    while (video.packets.take(&item)) {
        if (item.kind == PacketQueue::Kind::Flush) {
            decoder->flush();
            serialNow = item.serial;
            skipBeforeUs = item.target;
            skippedLast = false;
            failed = false;
            continue;
        }
        if (item.serial != serialNow || failed) {
            av_packet_free(&item.packet);
            if (item.kind == PacketQueue::Kind::End && item.serial == serialNow)
                video.endedSerial = serialNow;
            continue;
        }
        QString why;
        if (item.kind == PacketQueue::Kind::End) {
            bool damaged = false;
            if (!feed(decoder, nullptr, take, true, &why, &damaged))
                reportStreamProblem(tx("The video decoder failed: %1").arg(why));
            video.endedSerial = serialNow;
            firstPicture.release();
            // Ready for a seek after the end: the decoder starts over after its flush.
            continue;
        }
        std::size_t matrixSize = 0;
        if (const uint8_t* matrix = av_packet_get_side_data(item.packet, AV_PKT_DATA_DISPLAYMATRIX, &matrixSize);
            matrix && matrixSize >= 9 * sizeof(int32_t))
            orientation = orientationOf(reinterpret_cast<const int32_t*>(matrix));
        const Packet packet = packetOf(item.packet);
        bool damaged = false;
        const bool ok = feed(decoder, &packet, take, true, &why, &damaged);
        av_packet_free(&item.packet);
        damagedInARow = damaged ? damagedInARow + 1 : 0;
        if (damagedInARow == kDamagedPacketsToReport)
            reportStreamProblem(tx("The video is damaged and cannot be decoded: %1").arg(why));
        if (!ok) {
            reportStreamProblem(video.framesOut == 0 ? tx("The video could not be decoded: %1").arg(why)
                                                   : tx("The video decoder failed: %1").arg(why));
            failed = true;
            video.failed = true;
            video.endedSerial = serialNow;
            firstPicture.release();
        }
    }
}

} // namespace MovraReference

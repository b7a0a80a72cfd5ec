#include "picture.h"

extern "C" {
#include <libavutil/buffer.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libavutil/pixfmt.h>
}

#include <algorithm>

namespace MovraReference {

using namespace MovraStreamEngine;

namespace {

// Lines aligned for any vector code that reads them whole, and for texture uploads.
constexpr int kLineAlignment = 64;

} // namespace

int avPixelFormatOf(int32_t pixelFormat)
{
    switch (pixelFormat) {
    case kPixelYUV420P:
        return AV_PIX_FMT_YUV420P;
    case kPixelYUV422P:
        return AV_PIX_FMT_YUV422P;
    case kPixelYUV444P:
        return AV_PIX_FMT_YUV444P;
    case kPixelNV12:
        return AV_PIX_FMT_NV12;
    case kPixelGray8:
        return AV_PIX_FMT_GRAY8;
    case kPixelBGRA:
        return AV_PIX_FMT_BGRA;
    case kPixelYUV420P10:
        return AV_PIX_FMT_YUV420P10LE;
    case kPixelYUV422P10:
        return AV_PIX_FMT_YUV422P10LE;
    case kPixelYUV444P10:
        return AV_PIX_FMT_YUV444P10LE;
    default:
        return AV_PIX_FMT_NONE;
    }
}

int32_t effectiveColorMatrix(int32_t colorMatrix, int width, int height)
{
    if (colorMatrix == kMatrixBT601 || colorMatrix == kMatrixBT709 || colorMatrix == kMatrixBT2020)
        return colorMatrix;
    return width > 1024 || height > 576 ? kMatrixBT709 : kMatrixBT601;
}

Picture::~Picture()
{
    av_buffer_unref(&m_buffer);
    if (m_token && m_release)
        m_release(m_token);
}

VideoFrame Picture::frame() const
{
    VideoFrame f;
    f.width = width;
    f.height = height;
    f.pixelFormat = pixelFormat;
    f.colorRange = colorRange;
    f.colorMatrix = colorMatrix;
    for (int p = 0; p < 4; ++p) {
        f.planes[p] = planes[p];
        f.strides[p] = strides[p];
    }
    return f;
}

PicturePool::~PicturePool()
{
    av_buffer_pool_uninit(&m_pool);
}

PicturePtr PicturePool::copy(const VideoFrame& frame)
{
    const auto format = AVPixelFormat(avPixelFormatOf(frame.pixelFormat));
    if (format == AV_PIX_FMT_NONE || frame.width <= 0 || frame.height <= 0
        || av_image_check_size(unsigned(frame.width), unsigned(frame.height), 0, nullptr) < 0)
        return nullptr;
    int lineBytes[4] = {};
    if (av_image_fill_linesizes(lineBytes, format, frame.width) < 0)
        return nullptr;
    ptrdiff_t strides[4] = {};
    for (int p = 0; p < 4; ++p)
        strides[p] = FFALIGN(lineBytes[p], kLineAlignment);
    size_t planeBytes[4] = {};
    if (av_image_fill_plane_sizes(planeBytes, format, frame.height, strides) < 0)
        return nullptr;
    // A spare line after every plane: vector code may read a block past a plane's end.
    std::size_t total = 0;
    std::size_t offsets[4] = {};
    for (int p = 0; p < 4 && planeBytes[p]; ++p) {
        if (!frame.planes[p])
            return nullptr;
        offsets[p] = total;
        total += FFALIGN(planeBytes[p] + std::size_t(strides[p]), std::size_t(kLineAlignment));
    }
    if (total != m_bufferSize) {
        av_buffer_pool_uninit(&m_pool);
        m_pool = av_buffer_pool_init(total, av_buffer_allocz);
        m_bufferSize = m_pool ? total : 0;
    }
    if (!m_pool)
        return nullptr;
    auto picture = std::make_shared<Picture>();
    picture->m_buffer = av_buffer_pool_get(m_pool);
    if (!picture->m_buffer)
        return nullptr;
    picture->width = frame.width;
    picture->height = frame.height;
    picture->pixelFormat = frame.pixelFormat;
    picture->colorRange = frame.colorRange;
    picture->colorMatrix = frame.structSize >= kVideoFrameMatrixSize ? frame.colorMatrix : kMatrixUnspecified;
    picture->bytes = total;
    for (int p = 0; p < 4 && planeBytes[p]; ++p) {
        picture->planes[p] = picture->m_buffer->data + offsets[p];
        picture->strides[p] = int(strides[p]);
        const int rows = int(planeBytes[p] / std::size_t(strides[p]));
        av_image_copy_plane(picture->planes[p], picture->strides[p], frame.planes[p], frame.strides[p], lineBytes[p],
                            rows);
    }
    return picture;
}

PicturePtr PicturePool::keep(const VideoFrame& frame)
{
    const auto format = AVPixelFormat(avPixelFormatOf(frame.pixelFormat));
    if (frame.structSize < sizeof(VideoFrame) || !frame.hold || !frame.release || format == AV_PIX_FMT_NONE
        || frame.width <= 0 || frame.height <= 0
        || av_image_check_size(unsigned(frame.width), unsigned(frame.height), 0, nullptr) < 0)
        return copy(frame);
    // Upside-down or missing planes are left to the copy, which makes them plain.
    const int planeCount = av_pix_fmt_count_planes(format);
    ptrdiff_t strides[4] = {};
    for (int p = 0; p < planeCount && p < 4; ++p) {
        if (!frame.planes[p] || frame.strides[p] <= 0)
            return copy(frame);
        strides[p] = frame.strides[p];
    }
    // What the picture weighs in the queue: its planes as the decoder lays them out.
    size_t planeBytes[4] = {};
    if (av_image_fill_plane_sizes(planeBytes, format, frame.height, strides) < 0)
        return copy(frame);
    void* token = frame.hold(frame.holdContext);
    if (!token)
        return copy(frame);
    auto picture = std::make_shared<Picture>();
    picture->m_token = token;
    picture->m_release = frame.release;
    picture->width = frame.width;
    picture->height = frame.height;
    picture->pixelFormat = frame.pixelFormat;
    picture->colorRange = frame.colorRange;
    picture->colorMatrix = frame.colorMatrix;
    for (int p = 0; p < 4; ++p) {
        if (!planeBytes[p])
            break;
        picture->planes[p] = const_cast<uint8_t*>(frame.planes[p]);
        picture->strides[p] = frame.strides[p];
        picture->bytes += planeBytes[p];
    }
    return picture;
}

PicturePtr PicturePool::owned(const PicturePtr& picture)
{
    if (!picture || !picture->isHeld())
        return picture;
    VideoFrame frame = picture->frame();
    frame.structSize = kVideoFrameMatrixSize;   // offers no hold: a copy
    frame.colorMatrix = picture->colorMatrix;
    return copy(frame);
}

} // namespace MovraReference

#pragma once
// A decoded picture that outlives the decoder's next call. A decoder lends its planes only
// until then, unless it lets them be held: then the picture is the decoder's own, held by
// reference (no copy, and no second buffer beside the one the codec may keep as a reference
// picture anyway). Otherwise it is copied once, into a buffer from a pool that the decoding
// thread keeps: at a steady size no picture allocates. Where the window draws the planes,
// everything after (the texture upload, a screenshot at the decoded size) reads this one
// picture; the raster path converts straight from the decoder's planes and keeps none.

#include <MovraStreamEngine/Decoder.h>

#include <cstddef>
#include <cstdint>
#include <memory>

struct AVBufferPool;
struct AVBufferRef;

namespace MovraReference {

struct Picture
{
    Picture() = default;
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    ~Picture();

    int width = 0;
    int height = 0;
    int32_t pixelFormat = MovraStreamEngine::kPixelUnknown;
    int32_t colorRange = MovraStreamEngine::kRangeLimited;
    int32_t colorMatrix = MovraStreamEngine::kMatrixUnspecified;
    uint8_t* planes[4] = {};
    int strides[4] = {};
    std::size_t bytes = 0;

    // The picture in the decoder interface's terms, for code that converts those.
    MovraStreamEngine::VideoFrame frame() const;
    // Whether the planes are the decoder's, held (and so valid only while its library is).
    bool isHeld() const { return m_token != nullptr; }

private:
    friend class PicturePool;
    AVBufferRef* m_buffer = nullptr;
    void* m_token = nullptr;
    void (*m_release)(void*) = nullptr;
};

using PicturePtr = std::shared_ptr<const Picture>;

// How a decoded picture is turned to be shown upright: first turned clockwise by quarter
// turns, then mirrored.
struct PictureOrientation
{
    int clockwiseQuarterTurns = 0;   // 0 to 3
    bool mirrorHorizontally = false;
    bool mirrorVertically = false;
    bool operator==(const PictureOrientation& o) const
    {
        return clockwiseQuarterTurns == o.clockwiseQuarterTurns && mirrorHorizontally == o.mirrorHorizontally
               && mirrorVertically == o.mirrorVertically;
    }
    bool turnsSideways() const { return clockwiseQuarterTurns % 2 != 0; }
};

// The matrix a picture is to be converted with: the one it names, or by its size when it
// names none (high definition is BT.709, the rest BT.601).
int32_t effectiveColorMatrix(int32_t colorMatrix, int width, int height);

// Copies decoded pictures into pooled buffers. One per decoding thread; the pictures it made
// may outlive it (the pool goes when its last buffer comes back).
class PicturePool
{
public:
    PicturePool() = default;
    PicturePool(const PicturePool&) = delete;
    PicturePool& operator=(const PicturePool&) = delete;
    ~PicturePool();

    // Null for a format or size that cannot be held (or when memory runs out).
    PicturePtr copy(const MovraStreamEngine::VideoFrame& frame);
    // Holds the decoder's own picture where it lets it, else copies as copy does.
    PicturePtr keep(const MovraStreamEngine::VideoFrame& frame);
    // A copy of a held picture (the same picture when it is a copy already): what may stay
    // after the decoder's library goes.
    PicturePtr owned(const PicturePtr& picture);

private:
    AVBufferPool* m_pool = nullptr;
    std::size_t m_bufferSize = 0;
};

// The libavutil pixel format of a decoder interface format; -1 (AV_PIX_FMT_NONE) for none.
int avPixelFormatOf(int32_t pixelFormat);

} // namespace MovraReference

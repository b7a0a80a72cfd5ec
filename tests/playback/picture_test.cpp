// Decoded pictures on their way to the window: converted for every size and format the
// decoders hand out, and turned upright as the stream's display matrix says.

#include "framequeue.h"
#include "picture.h"
#include "playbackrun.h"

extern "C" {
#include <libavutil/display.h>
#include <libavutil/frame.h>
}

#include <QColor>

#include <algorithm>
#include <cstring>

#include <gtest/gtest.h>

using namespace MovraReference;
using namespace MovraStreamEngine;

namespace {

struct Format
{
    const char* name;
    AVPixelFormat av;
    int32_t sdk;
};

// Fills a frame the way a decoder's buffers are laid out (libavutil's own alignment) with a
// flat mid grey, and describes it in the decoder interface's terms.
struct GreyFrame
{
    GreyFrame(int width, int height, const Format& format)
    {
        frame = av_frame_alloc();
        frame->width = width;
        frame->height = height;
        frame->format = format.av;
        if (av_frame_get_buffer(frame, 0) < 0)
            return;
        for (int p = 0; p < 4 && frame->data[p]; ++p) {
            const int rows = p == 0 || (format.av != AV_PIX_FMT_YUV420P && format.av != AV_PIX_FMT_NV12) ? height
                                                                                                     : (height + 1) / 2;
            memset(frame->data[p], 0x80, std::size_t(frame->linesize[p]) * rows);
        }
        sdkFrame.width = width;
        sdkFrame.height = height;
        sdkFrame.pixelFormat = format.sdk;
        sdkFrame.colorRange = kRangeFull;
        for (int p = 0; p < 4; ++p) {
            sdkFrame.planes[p] = frame->data[p];
            sdkFrame.strides[p] = frame->linesize[p];
        }
    }
    ~GreyFrame() { av_frame_free(&frame); }
    AVFrame* frame = nullptr;
    VideoFrame sdkFrame;
};

TEST(PictureConversion, EverySizeAndFormatConvertsWithinItsPicture)
{
    // Odd sizes, phone portrait and landscape, and those that once wrote past the picture.
    const QSize sizes[] = {{2, 2},       {3, 3},       {17, 9},     {99, 101},   {360, 640},   {640, 360},
                           {1000, 540},  {1002, 564},  {1100, 1000}, {1080, 1920}, {1920, 1080}, {1919, 1079},
                           {721, 481},   {2160, 3840}, {4096, 2160}};
    const Format formats[] = {{"YUV420P", AV_PIX_FMT_YUV420P, kPixelYUV420P}, {"YUV422P", AV_PIX_FMT_YUV422P, kPixelYUV422P},
                              {"YUV444P", AV_PIX_FMT_YUV444P, kPixelYUV444P}, {"NV12", AV_PIX_FMT_NV12, kPixelNV12},
                              {"Gray8", AV_PIX_FMT_GRAY8, kPixelGray8},       {"BGRA", AV_PIX_FMT_BGRA, kPixelBGRA}};
    for (const Format& format : formats) {
        PictureConverter converter;   // one for all sizes, as a stream changing size has
        for (const QSize& size : sizes) {
            // The largest only in the decoders' commonest format, to keep the test short.
            if (format.av != AV_PIX_FMT_YUV420P && size.width() * size.height() > 1920 * 1080)
                continue;
            SCOPED_TRACE(testing::Message() << format.name << ' ' << size.width() << 'x' << size.height());
            GreyFrame grey(size.width(), size.height(), format);
            ASSERT_NE(grey.frame->data[0], nullptr);
            const QImage image = converter.convert(grey.sdkFrame);
            ASSERT_FALSE(image.isNull());
            // Wide pictures come down to the widest shown, with their shape.
            const int width = std::min(size.width(), kMaxShownWidth);
            EXPECT_EQ(image.width(), width);
            EXPECT_NEAR(image.height(), double(size.height()) * width / size.width(), 1.0);
            // Every corner, the last pixel included, holds the grey.
            for (const QPoint corner : {QPoint(0, 0), QPoint(image.width() - 1, image.height() - 1)}) {
                const QColor c = image.pixelColor(corner);
                EXPECT_NEAR(c.red(), 0x80, 3);
                EXPECT_NEAR(c.green(), 0x80, 3);
                EXPECT_NEAR(c.blue(), 0x80, 3);
            }
        }
    }
}

TEST(PictureConversion, ToTheShownSizeInOneStepForEverySize)
{
    // Down, up, to odd sizes and to a single pixel: always exactly the size asked for, with
    // the grey intact to the last pixel. The converter and its buffers serve every size.
    const QSize sizes[] = {{1920, 1080}, {1919, 1079}, {3, 3}, {99, 101}, {1080, 1920}};
    const QSize targets[] = {{720, 405}, {721, 407}, {1, 1}, {2561, 1441}, {203, 360}};
    PictureConverter converter;
    for (const QSize& size : sizes) {
        GreyFrame grey(size.width(), size.height(), {"YUV420P", AV_PIX_FMT_YUV420P, kPixelYUV420P});
        for (const QSize& target : targets) {
            SCOPED_TRACE(testing::Message() << size.width() << 'x' << size.height() << " to " << target.width() << 'x'
                                            << target.height());
            const QImage image = converter.convert(grey.sdkFrame, target);
            ASSERT_EQ(image.size(), target);
            EXPECT_EQ(image.bytesPerLine() % 64, 0);
            const QColor c = image.pixelColor(target.width() - 1, target.height() - 1);
            EXPECT_NEAR(c.green(), 0x80, 3);
        }
    }
}

// A flat picture of one YUV colour, in 8 bits.
struct FlatFrame
{
    FlatFrame(int width, int height, uint8_t y, uint8_t u, uint8_t v)
    {
        frame = av_frame_alloc();
        frame->width = width;
        frame->height = height;
        frame->format = AV_PIX_FMT_YUV420P;
        av_frame_get_buffer(frame, 0);
        memset(frame->data[0], y, std::size_t(frame->linesize[0]) * height);
        memset(frame->data[1], u, std::size_t(frame->linesize[1]) * ((height + 1) / 2));
        memset(frame->data[2], v, std::size_t(frame->linesize[2]) * ((height + 1) / 2));
        sdkFrame.width = width;
        sdkFrame.height = height;
        sdkFrame.pixelFormat = kPixelYUV420P;
        for (int p = 0; p < 3; ++p) {
            sdkFrame.planes[p] = frame->data[p];
            sdkFrame.strides[p] = frame->linesize[p];
        }
    }
    ~FlatFrame() { av_frame_free(&frame); }
    AVFrame* frame = nullptr;
    VideoFrame sdkFrame;
};

TEST(PictureConversion, EachMatrixAndRangeGivesItsColour)
{
    // Limited-range (Y 81, Cb 90, Cr 240), a strong red: its red, green and blue under each
    // matrix, worked out from the matrices' constants; the unnamed matrix goes by size.
    struct Row
    {
        const char* name;
        int32_t matrix;
        int32_t range;
        QSize size;
        QColor expected;
    };
    const Row rows[] = {
        {"BT.601", kMatrixBT601, kRangeLimited, {64, 48}, QColor(255, 0, 0)},
        {"BT.709", kMatrixBT709, kRangeLimited, {64, 48}, QColor(255, 24, 0)},
        {"BT.2020", kMatrixBT2020, kRangeLimited, {64, 48}, QColor(255, 10, 0)},
        {"unnamed, small", kMatrixUnspecified, kRangeLimited, {64, 48}, QColor(255, 0, 0)},
        {"unnamed, high definition", kMatrixUnspecified, kRangeLimited, {1280, 720}, QColor(255, 24, 0)},
        {"BT.601 full", kMatrixBT601, kRangeFull, {64, 48}, QColor(238, 14, 14)},
        {"BT.709 full", kMatrixBT709, kRangeFull, {64, 48}, QColor(255, 36, 10)},
        {"BT.2020 full", kMatrixBT2020, kRangeFull, {64, 48}, QColor(246, 23, 10)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FlatFrame flat(row.size.width(), row.size.height(), 81, 90, 240);
        flat.sdkFrame.colorMatrix = row.matrix;
        flat.sdkFrame.colorRange = row.range;
        PictureConverter converter;
        // At the picture's own size, at a quarter of it, and at three quarters.
        for (const int quarters : {4, 1, 3}) {
            SCOPED_TRACE(quarters);
            const QSize shown(row.size.width() * quarters / 4, row.size.height() * quarters / 4);
            const QColor c = converter.convert(flat.sdkFrame, shown).pixelColor(8, 8);
            EXPECT_NEAR(c.red(), row.expected.red(), 4);
            EXPECT_NEAR(c.green(), row.expected.green(), 4);
            EXPECT_NEAR(c.blue(), row.expected.blue(), 4);
        }
    }
}

TEST(PictureConversion, ColourSurvivesEveryChangeOfShownSize)
{
    // One converter through a stream's life: the window grows, shrinks and grows again. Each
    // new size needs a new scaler, which must be given the picture's matrix and range again.
    FlatFrame flat(1280, 720, 81, 90, 240);
    flat.sdkFrame.colorMatrix = kMatrixBT709;
    flat.sdkFrame.colorRange = kRangeLimited;
    PictureConverter converter;
    const QSize targets[] = {{640, 360}, {1920, 1080}, {320, 180}, {1280, 720}, {640, 360}, {1921, 1081}};
    for (const QSize& target : targets) {
        SCOPED_TRACE(testing::Message() << target.width() << 'x' << target.height());
        const QImage image = converter.convert(flat.sdkFrame, target);
        ASSERT_EQ(image.size(), target);
        const QColor c = image.pixelColor(target.width() / 2, target.height() / 2);
        EXPECT_NEAR(c.red(), 255, 4);
        EXPECT_NEAR(c.green(), 24, 4);
        EXPECT_NEAR(c.blue(), 0, 4);
    }
}

TEST(PictureConversion, ScalingDownAveragesFineDetailInsteadOfSamplingIt)
{
    // Lines one pixel apart, black and white, shown at a fraction of their size: each shown
    // pixel covers several lines and must come out grey. Sampling a few source pixels per
    // shown pixel instead gives bands of black and white (aliasing).
    struct Row
    {
        QSize source;
        QSize target;
    };
    const Row rows[] = {{{1920, 1080}, {720, 405}}, {{3840, 2160}, {720, 405}}, {{1280, 720}, {853, 480}}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.source.width() << 'x' << row.source.height() << " to "
                                        << row.target.width() << 'x' << row.target.height());
        FlatFrame lines(row.source.width(), row.source.height(), 0, 128, 128);
        for (int y = 0; y < row.source.height(); ++y) {
            uint8_t* line = lines.frame->data[0] + std::ptrdiff_t(y) * lines.frame->linesize[0];
            for (int x = 0; x < row.source.width(); ++x)
                line[x] = ((x + y) & 1) ? 235 : 16;
        }
        lines.sdkFrame.colorRange = kRangeLimited;
        PictureConverter converter;
        const QImage image = converter.convert(lines.sdkFrame, row.target);
        ASSERT_EQ(image.size(), row.target);
        int darkest = 255, lightest = 0;
        for (int y = 2; y < image.height() - 2; y += 3) {
            for (int x = 2; x < image.width() - 2; x += 3) {
                const int green = qGreen(image.pixel(x, y));
                darkest = std::min(darkest, green);
                lightest = std::max(lightest, green);
            }
        }
        EXPECT_GE(darkest, 128 - 24);
        EXPECT_LE(lightest, 128 + 24);
    }
}

TEST(PicturePool, CopiesArePooledAndHoldThePlanesAfterTheDecoderMovesOn)
{
    PicturePool pool;
    const uint8_t* firstBuffer = nullptr;
    {
        FlatFrame flat(33, 17, 50, 60, 70);
        const PicturePtr picture = pool.copy(flat.sdkFrame);
        ASSERT_TRUE(picture);
        firstBuffer = picture->planes[0];
        // The decoder's buffer is overwritten: the copy keeps what it was.
        memset(flat.frame->data[0], 0, std::size_t(flat.frame->linesize[0]) * 17);
        EXPECT_EQ(picture->planes[0][32 + 16 * picture->strides[0]], 50);
        EXPECT_EQ(picture->planes[1][16 + 8 * picture->strides[1]], 60);
        EXPECT_EQ(picture->planes[2][0], 70);
        EXPECT_EQ(picture->strides[0] % 64, 0);
        EXPECT_GE(picture->bytes, std::size_t(33 * 17 * 3 / 2));
    }
    // The buffer given back serves the next picture of that size; another size gets its own.
    FlatFrame again(33, 17, 1, 2, 3);
    EXPECT_EQ(pool.copy(again.sdkFrame)->planes[0], firstBuffer);
    FlatFrame other(64, 64, 1, 2, 3);
    const PicturePtr larger = pool.copy(other.sdkFrame);
    ASSERT_TRUE(larger);
    EXPECT_EQ(larger->width, 64);
    VideoFrame unknown;
    unknown.width = unknown.height = 8;
    unknown.pixelFormat = 999;
    EXPECT_FALSE(pool.copy(unknown));
}

// A decoder's side of holding: a new reference to its frame, counted.
int gHolds = 0;
int gReleases = 0;
bool gRefuse = false;
void* holdFlat(void* frame)
{
    if (gRefuse)
        return nullptr;
    ++gHolds;
    return av_frame_clone(static_cast<const AVFrame*>(frame));
}
void releaseFlat(void* token)
{
    ++gReleases;
    auto* frame = static_cast<AVFrame*>(token);
    av_frame_free(&frame);
}

TEST(PicturePool, KeepHoldsTheDecodersPictureWhereOfferedAndCopiesOtherwise)
{
    PicturePool pool;
    struct Row
    {
        const char* name;
        bool offered;
        bool refused;
        uint32_t structSize;
        bool upsideDown;
        bool held;
    };
    for (const Row& row : {Row{"offered", true, false, sizeof(VideoFrame), false, true},
                           Row{"not offered", false, false, sizeof(VideoFrame), false, false},
                           Row{"refused by the decoder", true, true, sizeof(VideoFrame), false, false},
                           Row{"an older caller's frame", true, false, kVideoFrameMatrixSize, false, false},
                           Row{"upside-down planes", true, false, sizeof(VideoFrame), true, false}}) {
        SCOPED_TRACE(row.name);
        gHolds = gReleases = 0;
        gRefuse = row.refused;
        PicturePtr picture;
        {
            FlatFrame flat(33, 17, 50, 60, 70);
            VideoFrame frame = flat.sdkFrame;
            frame.structSize = row.structSize;
            if (row.offered) {
                frame.hold = holdFlat;
                frame.release = releaseFlat;
                frame.holdContext = flat.frame;
            }
            if (row.upsideDown) {
                for (int p = 0; p < 3; ++p) {
                    const int rows = p == 0 ? 17 : 9;
                    frame.planes[p] += std::ptrdiff_t(flat.frame->linesize[p]) * (rows - 1);
                    frame.strides[p] = -flat.frame->linesize[p];
                }
            }
            picture = pool.keep(frame);
            ASSERT_TRUE(picture);
            EXPECT_EQ(picture->isHeld(), row.held);
            EXPECT_EQ(picture->planes[0] == flat.frame->data[0], row.held) << "held, not copied";
            EXPECT_GE(picture->bytes, std::size_t(33 * 17 * 3 / 2));
        }
        // The decoder's frame is gone: a held picture still has its planes, a copy its own.
        EXPECT_EQ(picture->planes[0][32 + 16 * picture->strides[0]], 50);
        EXPECT_EQ(picture->planes[1][16 + 8 * picture->strides[1]], 60);
        EXPECT_EQ(picture->planes[2][0], 70);
        // What may outlive the decoder's library is a copy with the same content.
        const PicturePtr owned = pool.owned(picture);
        EXPECT_FALSE(owned->isHeld());
        EXPECT_EQ(owned == picture, !row.held);
        picture.reset();
        EXPECT_EQ(gHolds, row.held ? 1 : 0);
        EXPECT_EQ(gReleases, gHolds) << "every hold released once, when the picture goes";
        EXPECT_EQ(owned->planes[0][32 + 16 * owned->strides[0]], 50);
        EXPECT_EQ(owned->planes[2][8 + 8 * owned->strides[2]], 70);
    }
    gRefuse = false;
}

TEST(FrameQueue, HoldsPicturesUpToItsBytesButAlwaysTwoAndNeverMoreThanItsMost)
{
    // Pictures of the given sizes are put until one finds no room: how many got in.
    struct Row
    {
        const char* name;
        std::size_t capacity;
        int pictureSide;
        std::size_t fitting;
    };
    for (const Row& row : {Row{"small pictures", 1 << 20, 64, 8}, Row{"pictures of a fifth", 1 << 20, 228, 5},
                           Row{"large pictures", 1 << 20, 1024, 2}}) {
        SCOPED_TRACE(row.name);
        FrameQueue queue(row.capacity, 2, 8);
        std::size_t put = 0;
        for (;;) {
            ShownFrame frame;
            frame.image = QImage(row.pictureSide, row.pictureSide, QImage::Format_RGB32);
            if (!queue.tryPut(std::move(frame)))
                break;
            ++put;
            ASSERT_LT(put, 1000u);
        }
        EXPECT_EQ(put, row.fitting);
        EXPECT_EQ(queue.size(), row.fitting);
        // Taking one makes room for one; a reset empties the count of bytes too.
        queue.pop();
        ShownFrame next;
        next.image = QImage(row.pictureSide, row.pictureSide, QImage::Format_RGB32);
        EXPECT_TRUE(queue.tryPut(next));
        EXPECT_FALSE(queue.tryPut(next));
        queue.reset(1);
        EXPECT_EQ(queue.bytes(), 0u);
    }
}

TEST(PictureConversion, AFormatOrSizeItCannotConvertGivesNoPicture)
{
    PictureConverter converter;
    VideoFrame frame;
    frame.width = 16;
    frame.height = 16;
    frame.pixelFormat = 999;
    EXPECT_TRUE(converter.convert(frame).isNull());
    frame.pixelFormat = kPixelYUV420P;
    frame.width = 0;
    EXPECT_TRUE(converter.convert(frame).isNull());
}

// A 3×2 picture whose pixels are named, and how each display matrix shows it: the rows of
// the result, top to bottom.
struct TurnCase
{
    const char* name;
    double angle;   // as av_display_rotation_set takes it
    bool hflip;
    bool vflip;
    const char* rows;
};

QString namesOf(const QImage& image)
{
    QString text;
    for (int y = 0; y < image.height(); ++y) {
        if (y)
            text += QLatin1Char('/');
        for (int x = 0; x < image.width(); ++x)
            text += QChar(QLatin1Char('A' + char(qRed(image.pixel(x, y)))));
    }
    return text;
}

TEST(PictureOrientation, EachDisplayMatrixShowsThePictureAsFfmpegDoes)
{
    QImage picture(3, 2, QImage::Format_RGB32);
    for (int i = 0; i < 6; ++i)
        picture.setPixel(i % 3, i / 3, qRgb(i, 0, 0));
    ASSERT_EQ(namesOf(picture), QStringLiteral("ABC/DEF"));
    // A matrix made with rotate=90 (what phones write) is shown turned clockwise.
    for (const TurnCase& c : {TurnCase{"upright", 0, false, false, "ABC/DEF"},
                              TurnCase{"quarter", 90, false, false, "DA/EB/FC"},
                              TurnCase{"half", 180, false, false, "FED/CBA"},
                              TurnCase{"three quarters", -90, false, false, "CF/BE/AD"},
                              TurnCase{"mirrored", 0, true, false, "CBA/FED"},
                              TurnCase{"upside down", 0, false, true, "DEF/ABC"},
                              TurnCase{"quarter, mirrored", 90, true, false, "AD/BE/CF"},
                              TurnCase{"quarter, upside down", 90, false, true, "FC/EB/DA"},
                              TurnCase{"half, mirrored", 180, true, false, "DEF/ABC"}}) {
        SCOPED_TRACE(c.name);
        int32_t matrix[9];
        av_display_rotation_set(matrix, c.angle);
        av_display_matrix_flip(matrix, c.hflip, c.vflip);
        EXPECT_EQ(namesOf(oriented(picture, orientationOf(matrix))), QLatin1String(c.rows));
    }
    // No matrix, or one of no right angle, leaves the picture alone.
    EXPECT_EQ(orientationOf(nullptr), PictureOrientation());
    int32_t skewed[9];
    av_display_rotation_set(skewed, 30);
    EXPECT_EQ(orientationOf(skewed), PictureOrientation());
}

} // namespace

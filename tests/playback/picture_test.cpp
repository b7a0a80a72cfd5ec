// Decoded pictures on their way to the window: converted for every size and format the
// decoders hand out, and turned upright as the stream's display matrix says.

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
